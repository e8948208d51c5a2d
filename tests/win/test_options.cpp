// The Options dialog, driven from its own modal loop: what it shows for the settings,
// what OK stores, that Cancel and Esc change nothing, and the Explorer menu it switches.
#include <gtest/gtest.h>

#include "app/run.h"
#include "main_dialog.h"
#include "platform/tools.h"
#include "resources/resource.h"
#include "shell/explorer_menu.h"
#include "shell/msgbox.h"
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
    bool Quick = false;
    bool Moved = false;
};

void Store(const TOptions& options) {
    DetailedLog = options.Detailed;
    ShowToolTips = options.ToolTips;
    RemindToCheck = options.Remind;
    HeaderMode = options.Header;
    QuickUpdate = options.Quick;
    MovedFiles = options.Moved;
}

TOptions Stored() {
    return TOptions{DetailedLog, ShowToolTips, RemindToCheck, static_cast<int>(HeaderMode),
                    QuickUpdate, MovedFiles};
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

TChecksumNames DefaultNames() {
    TChecksumNames names;
    for (size_t i = 0; i < names.size(); ++i)
        names[i] = DefaultChecksumName(static_cast<int>(i / 5), static_cast<int>(i % 5));
    return names;
}

class OptionsDialog : public testing::Test {
protected:
    void SetUp() override { Saved = Stored(); }
    void TearDown() override { Store(Saved); }
    int Show() { return ShowOptionsDialog(nullptr, Workers, Menu); }
    TOptions Saved{};
    int32_t Workers = 1; // the worker count the dialog edits
    TTestSettingsKey Key;
    TChecksumNames Names = DefaultNames();
    TExplorerMenu Menu{{kTestClassesKey, kTestSettingsKey}, "C:\\Tools\\tlvn.exe", Names};
};

TEST_F(OptionsDialog, ShowsTheSettingsItOpensWith) {
    struct TCase {
        TOptions Settings;
        int ExpectedHeaderButton; // 0: none selected
    };
    const TCase cases[] = {
        {{false, false, false, 0}, IDC_OPT_HDR_NONE},
        {{true, true, true, 1, true}, IDC_OPT_HDR_STANDARD},
        {{false, false, false, 0, false, true}, IDC_OPT_HDR_NONE},
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
            [this] { return Show(); }, {[&](HWND dialog) {
                shown = {IsChecked(dialog, IDC_OPT_DETAILED), IsChecked(dialog, IDC_OPT_TOOLTIPS),
                         IsChecked(dialog, IDC_OPT_REMIND),   0,
                         IsChecked(dialog, IDC_OPT_QUICK),    IsChecked(dialog, IDC_OPT_MOVED)};
                header = SelectedHeader(dialog);
                tabOrder = TabOrder(dialog);
                Click(dialog, IDC_OPT_CANCEL);
            }});
        EXPECT_EQ(result, 1);
        // Reading order, one stop for the headers: the selected one, else the first.
        const int headerStop = c.ExpectedHeaderButton ? c.ExpectedHeaderButton : IDC_OPT_HDR_NONE;
        EXPECT_EQ(tabOrder,
                  (std::vector<int>{IDC_OPT_DETAILED, IDC_OPT_TOOLTIPS, IDC_OPT_REMIND,
                                    IDC_OPT_EXPLORER, headerStop, IDC_OPT_WORKERS, IDC_OPT_QUICK,
                                    IDC_OPT_MOVED, IDC_OPT_OK, IDC_OPT_CANCEL}));
        EXPECT_EQ(shown.Detailed, c.Settings.Detailed);
        EXPECT_EQ(shown.ToolTips, c.Settings.ToolTips);
        EXPECT_EQ(shown.Remind, c.Settings.Remind);
        EXPECT_EQ(shown.Quick, c.Settings.Quick);
        EXPECT_EQ(shown.Moved, c.Settings.Moved);
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
         {true, true, true, IDC_OPT_HDR_WINSFV, true, true},
         {true, true, true, 2, true, true}},
        {"all off",
         {true, true, true, 2, true, true},
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
        const int result = Drive([this] { return Show(); }, {[&](HWND dialog) {
                                     SetCheck(dialog, IDC_OPT_DETAILED, c.Chosen.Detailed);
                                     SetCheck(dialog, IDC_OPT_TOOLTIPS, c.Chosen.ToolTips);
                                     SetCheck(dialog, IDC_OPT_REMIND, c.Chosen.Remind);
                                     SetCheck(dialog, IDC_OPT_QUICK, c.Chosen.Quick);
                                     SetCheck(dialog, IDC_OPT_MOVED, c.Chosen.Moved);
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
        EXPECT_EQ(after.Quick, c.After.Quick);
        EXPECT_EQ(after.Moved, c.After.Moved);
    }
}

TEST_F(OptionsDialog, WorkersShownAndStoredWithinTheirRange) {
    struct TCase {
        int Before;
        const char* Typed; // nullptr: leave the text as shown
        int After;
    } cases[] = {{3, nullptr, 3},          {3, "1", 1},   {1, "8", 8},
                 {4, "0", kWorkersByDisk}, {4, "99", 64}, {5, "", 5}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Typed ? c.Typed : "as shown");
        Workers = c.Before;
        std::string shown;
        Drive([this] { return Show(); }, {[&](HWND dialog) {
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
    const int result = Drive([this] { return Show(); },
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
    Drive([this] { return Show(); }, {[&](HWND dialog) {
              style = GetWindowLongPtrA(dialog, GWL_STYLE);
              shown.push_back(WindowText(dialog));
              for (int id : {IDC_OPT_DETAILED, IDC_OPT_TOOLTIPS, IDC_OPT_REMIND, IDC_OPT_EXPLORER,
                             IDC_OPT_HEADERS, IDC_OPT_HDR_NONE, IDC_OPT_HDR_STANDARD,
                             IDC_OPT_HDR_WINSFV, IDC_OPT_WORKERS_LABEL, IDC_OPT_QUICK,
                             IDC_OPT_MOVED, IDC_OPT_OK, IDC_OPT_CANCEL})
                  shown.push_back(ItemText(dialog, id));
              Click(dialog, IDC_OPT_CANCEL);
          }});
    const std::vector<std::string> expected = {
        "Options",
        "&Detailed log: show the calculated checksum values",
        "Show tooltips with help",
        "Remind to check for updates.",
        "Explorer menu",
        "Checksum files headers",
        "No add any headers",
        "Add standard TLVN headers",
        "Add Win-SFV compatible headers",
        "Files read and hashed at a time (0: by the disk):",
        "&Quick update: hash only new or changed files",
        "&Moved files: tell a file found under another name",
        "OK",
        "Cancel"};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(style & WS_SYSMENU, 0);
    EXPECT_NE(style & WS_CAPTION, 0);
}

void WriteClassValue(const std::string& path, const std::string& name, const std::string& value,
                     DWORD options = REG_OPTION_NON_VOLATILE) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kTestClassesKey) + path).c_str(), 0,
                              nullptr, options, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegWriteString(key, name, value);
    RegCloseKey(key);
}

TEST_F(OptionsDialog, ExplorerMenuWritesTheVerbsAndRemovesThemAndNothingElse) {
    // Another program's verb beside ours, and a file type's key that existed before.
    WriteClassValue("Directory\\shell\\OtherTool\\command", "", "other.exe \"%1\"");
    WriteClassValue("SystemFileAssociations\\.md5", "PerceivedType", "text");
    const std::string program = "\"C:\\Tools\\tlvn.exe\" ";
    const std::string lists =
        "System.FileName:=\"b3sums.lst\" OR System.FileName:=\"checksum.lst\" OR "
        "System.FileName:=\"md5sum.lst\" OR System.FileName:=\"sha256sum.lst\" OR "
        "System.FileName:=\"xxh128sums.lst\"";
    const std::string listVerb = "SystemFileAssociations\\.lst\\shell\\Tolvane.VerifyList";
    const std::string none = "<none>";
    struct TStep {
        const char* Name;
        bool Check;
        bool DriveRefused; // a volatile "Drive" key, under which no lasting key can be made
        std::string Box;   // the start of the Error box, empty for none
        bool On;
        // path, value name, value after OK
        std::vector<std::array<std::string, 3>> Values;
    };
    const std::string verify = "Directory\\shell\\Tolvane.Verify";
    const TStep steps[] = {
        {"on",
         true,
         false,
         "",
         true,
         {{verify, "", "Verify checksums with Tolvane"},
          {verify + "\\command", "", program + "/v \"%1\""},
          {"Directory\\Background\\shell\\Tolvane.Update\\command", "", program + "/u \"%V\""},
          {"Drive\\shell\\Tolvane.Verify\\command", "", program + "/v \"%1\""},
          {"SystemFileAssociations\\.md5\\shell\\Tolvane.VerifyList", "AppliesTo", "<no value>"},
          {"SystemFileAssociations\\.sha256\\shell\\Tolvane.VerifyList\\command", "",
           program + "/v \"%1\""},
          {listVerb, "AppliesTo", lists},
          {"Directory\\shell\\OtherTool\\command", "", "other.exe \"%1\""}}},
        {"off",
         false,
         false,
         "",
         false,
         {{verify, "", none},
          {"Directory\\Background", "", none},
          {"Drive", "", none},
          {"SystemFileAssociations\\.lst", "", none},
          {"SystemFileAssociations\\.md5", "PerceivedType", "text"},
          {"Directory\\shell\\OtherTool\\command", "", "other.exe \"%1\""}}},
        {"on, a key refused",
         true,
         true,
         "The Explorer menu cannot be written.\rRegistry key \"HKEY_CURRENT_USER\\" +
             std::string(kTestClassesKey) + "Drive\\shell\", Error 1021: \"",
         false,
         {{verify, "", none},
          {"Directory\\Background", "", none},
          {"Drive", "Kept", "yes"},
          {"Directory\\shell\\OtherTool\\command", "", "other.exe \"%1\""}}},
    };
    std::vector<TMessageBoxCall> boxes;
    const TMessageBoxHook previous = SetMessageBoxHook([&](const TMessageBoxCall& call) {
        boxes.push_back(call);
        return IDOK;
    });
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.Name);
        if (step.DriveRefused)
            WriteClassValue("Drive", "Kept", "yes", REG_OPTION_VOLATILE);
        boxes.clear();
        bool checkedAfterOk = true;
        const int result = Drive([this] { return Show(); }, {[&](HWND dialog) {
                                     SetCheck(dialog, IDC_OPT_EXPLORER, step.Check);
                                     Click(dialog, IDC_OPT_OK);
                                     // Still open after a refusal: the box shows the menu off.
                                     if (!step.Box.empty()) {
                                         checkedAfterOk = IsChecked(dialog, IDC_OPT_EXPLORER);
                                         Click(dialog, IDC_OPT_CANCEL);
                                     }
                                 }});
        EXPECT_EQ(result, step.Box.empty() ? 0 : 1);
        if (step.Box.empty()) {
            EXPECT_TRUE(boxes.empty());
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].Text.rfind(step.Box, 0), 0u) << boxes[0].Text;
            EXPECT_GT(boxes[0].Text.size(), step.Box.size() + 1) << "the system's reason";
            EXPECT_EQ(boxes[0].Caption, "Error");
            EXPECT_EQ(boxes[0].Type, static_cast<UINT>(MB_OK | MB_ICONERROR));
            EXPECT_FALSE(checkedAfterOk);
        }
        EXPECT_EQ(Menu.IsOn(), step.On);
        for (const auto& [path, name, value] : step.Values)
            EXPECT_EQ(ClassValue(path, name), value) << path << " " << name;
        HKEY settings = nullptr;
        std::string stored = "<missing>";
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kTestSettingsKey, 0, KEY_READ, &settings) ==
            ERROR_SUCCESS) {
            RegReadString(settings, "ExplorerMenu", stored);
            RegCloseKey(settings);
        }
        EXPECT_EQ(stored, step.On ? "C:\\Tools\\tlvn.exe" : "");
        EXPECT_EQ(RegReadValueNames(HKEY_CURRENT_USER,
                                    std::string(kTestSettingsKey) + kExplorerKeysSubKey)
                      .empty(),
                  !step.On)
            << "the record of the keys written";
    }
    SetMessageBoxHook(previous);
}

} // namespace
