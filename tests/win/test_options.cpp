// The Options dialog, driven from its own modal loop: what it shows for the settings,
// what OK stores, that Cancel and Esc change nothing.
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "shell/options.h"
#include "shell/settings.h"
#include "tests/win/dialog_driver.h"

using namespace dialog_driver;

namespace {

struct TOptions {
    bool Detailed;
    bool ToolTips;
    bool Remind;
    int Header;
};

void Store(const TOptions& options) {
    DetailedLog = options.Detailed;
    ShowToolTips = options.ToolTips;
    RemindToCheck = options.Remind;
    HeaderMode = options.Header;
}

TOptions Stored() {
    return TOptions{DetailedLog, ShowToolTips, RemindToCheck, static_cast<int>(HeaderMode)};
}

// The header button shown selected, 0 when none is.
int SelectedHeader(HWND dialog) {
    int selected = 0;
    for (int id = IDC_OPT_HDR_NONE; id <= IDC_OPT_HDR_WINSFV; ++id)
        if (IsChecked(dialog, id))
            selected = selected ? -1 : id; // -1: more than one, never right
    return selected;
}

void SetCheck(HWND dialog, int id, bool on) {
    if (IsChecked(dialog, id) != on)
        Click(dialog, id);
}

class OptionsDialog : public testing::Test {
protected:
    void SetUp() override { Saved = Stored(); }
    void TearDown() override { Store(Saved); }
    TOptions Saved{};
    int32_t Workers = 1; // the worker count the dialog edits
};

TEST_F(OptionsDialog, ShowsTheSettingsItOpensWith) {
    struct TCase {
        TOptions Settings;
        int ExpectedHeaderButton; // 0: none selected
    };
    const TCase cases[] = {
        {{false, false, false, 0}, IDC_OPT_HDR_NONE},
        {{true, true, true, 1}, IDC_OPT_HDR_STANDARD},
        {{true, false, true, 2}, IDC_OPT_HDR_WINSFV},
        {{false, true, false, 3}, 0}, // mode 3 comes only from the command line
        {{false, false, true, 7}, IDC_OPT_HDR_NONE},
        {{false, false, true, -1}, IDC_OPT_HDR_NONE},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "header mode " << c.Settings.Header);
        Store(c.Settings);
        TOptions shown{};
        int header = -2;
        std::vector<int> tabOrder;
        const int result = Drive(
            [this] { return ShowOptionsDialog(nullptr, Workers); }, {[&](HWND dialog) {
                shown = {IsChecked(dialog, IDC_OPT_DETAILED), IsChecked(dialog, IDC_OPT_TOOLTIPS),
                         IsChecked(dialog, IDC_OPT_REMIND), 0};
                header = SelectedHeader(dialog);
                tabOrder = TabOrder(dialog);
                Click(dialog, IDC_OPT_CANCEL);
            }});
        EXPECT_EQ(result, 1);
        // Reading order, one stop for the headers: the selected one, else the first.
        const int headerStop = c.ExpectedHeaderButton ? c.ExpectedHeaderButton : IDC_OPT_HDR_NONE;
        EXPECT_EQ(tabOrder,
                  (std::vector<int>{IDC_OPT_DETAILED, IDC_OPT_TOOLTIPS, IDC_OPT_REMIND, headerStop,
                                    IDC_OPT_WORKERS, IDC_OPT_OK, IDC_OPT_CANCEL}));
        EXPECT_EQ(shown.Detailed, c.Settings.Detailed);
        EXPECT_EQ(shown.ToolTips, c.Settings.ToolTips);
        EXPECT_EQ(shown.Remind, c.Settings.Remind);
        EXPECT_EQ(header, c.ExpectedHeaderButton);
    }
}

TEST_F(OptionsDialog, OkStoresEveryControl) {
    struct TCase {
        const char* Name;
        TOptions Before;
        TOptions Chosen; // Header: the button to select, 0 to leave the buttons alone
        TOptions After;
    };
    const TCase cases[] = {
        {"all on",
         {false, false, false, 0},
         {true, true, true, IDC_OPT_HDR_WINSFV},
         {true, true, true, 2}},
        {"all off",
         {true, true, true, 2},
         {false, false, false, IDC_OPT_HDR_NONE},
         {false, false, false, 0}},
        {"standard header",
         {false, true, true, 0},
         {true, false, true, IDC_OPT_HDR_STANDARD},
         {true, false, true, 1}},
        {"mode 3 untouched becomes 0",
         {false, true, true, 3},
         {false, true, true, 0},
         {false, true, true, 0}},
        {"mode 3 then a choice",
         {false, true, true, 3},
         {false, true, true, IDC_OPT_HDR_WINSFV},
         {false, true, true, 2}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Store(c.Before);
        const int result =
            Drive([this] { return ShowOptionsDialog(nullptr, Workers); }, {[&](HWND dialog) {
                      SetCheck(dialog, IDC_OPT_DETAILED, c.Chosen.Detailed);
                      SetCheck(dialog, IDC_OPT_TOOLTIPS, c.Chosen.ToolTips);
                      SetCheck(dialog, IDC_OPT_REMIND, c.Chosen.Remind);
                      if (c.Chosen.Header)
                          Click(dialog, c.Chosen.Header);
                      Click(dialog, IDC_OPT_OK);
                  }});
        EXPECT_EQ(result, 0);
        const TOptions after = Stored();
        EXPECT_EQ(after.Detailed, c.After.Detailed);
        EXPECT_EQ(after.ToolTips, c.After.ToolTips);
        EXPECT_EQ(after.Remind, c.After.Remind);
        EXPECT_EQ(after.Header, c.After.Header);
    }
}

TEST_F(OptionsDialog, WorkersShownAndStoredWithinTheirRange) {
    struct TCase {
        int Before;
        const char* Typed; // nullptr: leave the text as shown
        int After;
    } cases[] = {{3, nullptr, 3}, {3, "1", 1}, {1, "8", 8}, {4, "0", 1}, {4, "99", 64}, {5, "", 5}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Typed ? c.Typed : "as shown");
        Workers = c.Before;
        std::string shown;
        Drive([this] { return ShowOptionsDialog(nullptr, Workers); }, {[&](HWND dialog) {
                  shown = ItemText(dialog, IDC_OPT_WORKERS);
                  if (c.Typed)
                      SetDlgItemTextA(dialog, IDC_OPT_WORKERS, c.Typed);
                  Click(dialog, IDC_OPT_OK);
              }});
        EXPECT_EQ(shown, std::to_string(c.Before));
        EXPECT_EQ(Workers, c.After);
    }
}

TEST_F(OptionsDialog, CancelAndEscChangeNothing) {
    const TOptions before{false, true, true, 1};
    Store(before);
    size_t stepsRun = 0;
    bool openAfterEsc = false;
    const int result = Drive([this] { return ShowOptionsDialog(nullptr, Workers); },
                             {[](HWND dialog) {
                                  Click(dialog, IDC_OPT_DETAILED);
                                  Click(dialog, IDC_OPT_TOOLTIPS);
                                  Click(dialog, IDC_OPT_REMIND);
                                  Click(dialog, IDC_OPT_HDR_WINSFV);
                                  PostKey(dialog, VK_ESCAPE);
                              },
                              [&](HWND dialog) {
                                  openAfterEsc = IsWindowVisible(dialog) != FALSE;
                                  Click(dialog, IDC_OPT_CANCEL);
                              }},
                             &stepsRun);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(stepsRun, 2u) << "Esc closed the dialog";
    EXPECT_TRUE(openAfterEsc);
    const TOptions after = Stored();
    EXPECT_EQ(after.Detailed, before.Detailed);
    EXPECT_EQ(after.ToolTips, before.ToolTips);
    EXPECT_EQ(after.Remind, before.Remind);
    EXPECT_EQ(after.Header, before.Header);
}

TEST_F(OptionsDialog, ShowsItsTextsWithoutSystemMenu) {
    std::vector<std::string> shown;
    LONG_PTR style = 0;
    Drive([this] { return ShowOptionsDialog(nullptr, Workers); }, {[&](HWND dialog) {
              style = GetWindowLongPtrA(dialog, GWL_STYLE);
              shown.push_back(WindowText(dialog));
              for (int id : {IDC_OPT_DETAILED, IDC_OPT_TOOLTIPS, IDC_OPT_REMIND, IDC_OPT_HEADERS,
                             IDC_OPT_HDR_NONE, IDC_OPT_HDR_STANDARD, IDC_OPT_HDR_WINSFV,
                             IDC_OPT_WORKERS_LABEL, IDC_OPT_OK, IDC_OPT_CANCEL})
                  shown.push_back(ItemText(dialog, id));
              Click(dialog, IDC_OPT_CANCEL);
          }});
    const std::vector<std::string> expected = {
        "Options",
        "&Detailed log: show the calculated checksum values",
        "Show tooltips with help",
        "Remind to check for updates.",
        "Checksum files headers",
        "No add any headers",
        "Add standard TLVN headers",
        "Add Win-SFV compatible headers",
        "Files read and hashed at a time (1 for a disk that seeks):",
        "OK",
        "Cancel"};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(style & WS_SYSMENU, 0);
    EXPECT_NE(style & WS_CAPTION, 0);
}

} // namespace
