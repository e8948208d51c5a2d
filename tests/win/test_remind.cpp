// The update reminder: when it is due, what its two answers and its check box do, and
// what an update check opens and records.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "shell/links.h"
#include "shell/remind.h"
#include "shell/settings.h"
#include "tests/win/dialog_driver.h"

using namespace dialog_driver;

namespace {

constexpr int kToday = 46000; // a day count in December 2025

TEST(ReminderDue, FromTheEighthDayAfterTheLastCheck) {
    struct TCase {
        const char* Name;
        bool Remind;
        int LastCheck;
        int Today;
        bool Due;
    };
    const TCase cases[] = {
        {"never checked", true, 0, kToday, false},
        {"checked today", true, kToday, kToday, false},
        {"7 days ago", true, kToday - 7, kToday, false},
        {"8 days ago", true, kToday - 8, kToday, true},
        {"a year ago", true, kToday - 365, kToday, true},
        {"8 days ago, reminders off", false, kToday - 8, kToday, false},
        {"clock set back", true, kToday + 30, kToday, false},
        {"negative day count", true, -20, kToday, false},
        {"largest stored day count", true, INT_MAX, kToday, false},
        {"largest stored day count, today later still", true, INT_MAX - 8, INT_MAX, true},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(IsReminderDue(c.Remind, c.LastCheck, c.Today), c.Due) << c.Name;
}

// Records the addresses opened instead of starting a browser.
class ReminderTest : public testing::Test {
protected:
    void SetUp() override {
        SavedRemind = RemindToCheck;
        UpdateUrl = "http://tolvane.example.org/update?prod=tlvn&ver=1.5.0";
        SetOpenLinkHook([this](HWND parent, const std::string& address) {
            Opened.push_back(address);
            Parents.push_back(parent);
        });
    }
    void TearDown() override {
        SetOpenLinkHook(nullptr);
        RemindToCheck = SavedRemind;
    }
    bool SavedRemind = true;
    std::vector<std::string> Opened;
    std::vector<HWND> Parents;
};

TEST_F(ReminderTest, AnswersAndTheDontRemindBox) {
    struct TCase {
        const char* Name;
        bool RemindBefore;
        bool ToggleBox;
        int Button;
        bool Result;
        bool RemindAfter;
    };
    const TCase cases[] = {
        {"yes", true, false, IDC_MIND_YES, true, true},
        {"no", true, false, IDC_MIND_NO, false, true},
        {"yes, don't remind", true, true, IDC_MIND_YES, true, false},
        {"no, don't remind", true, true, IDC_MIND_NO, false, false},
        {"opened while off, box cleared", false, true, IDC_MIND_NO, false, true},
        {"opened while off, box left", false, false, IDC_MIND_YES, true, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        RemindToCheck = c.RemindBefore;
        bool boxShown = false;
        const bool result = Drive([] { return ShowReminderDialog(nullptr); }, {[&](HWND dialog) {
                                      boxShown = IsChecked(dialog, IDC_MIND_DONT_REMIND);
                                      if (c.ToggleBox)
                                          Click(dialog, IDC_MIND_DONT_REMIND);
                                      Click(dialog, c.Button);
                                  }});
        EXPECT_EQ(boxShown, !c.RemindBefore);
        EXPECT_EQ(result, c.Result);
        EXPECT_EQ(RemindToCheck, c.RemindAfter);
    }
}

TEST_F(ReminderTest, EscDoesNotCloseAndTextsAreShown) {
    size_t stepsRun = 0;
    std::vector<std::string> shown;
    LONG_PTR style = 0;
    const bool result =
        Drive([] { return ShowReminderDialog(nullptr); },
              {[](HWND dialog) { PostKey(dialog, VK_ESCAPE); },
               [&](HWND dialog) {
                   style = GetWindowLongPtrA(dialog, GWL_STYLE);
                   shown = {WindowText(dialog), ItemText(dialog, IDC_MIND_TEXT),
                            ItemText(dialog, IDC_MIND_DONT_REMIND), ItemText(dialog, IDC_MIND_YES),
                            ItemText(dialog, IDC_MIND_NO)};
                   Click(dialog, IDC_MIND_NO);
               }},
              &stepsRun);
    EXPECT_FALSE(result);
    EXPECT_EQ(stepsRun, 2u) << "Esc closed the reminder";
    const std::vector<std::string> expected = {
        "Reminder", "Last checking for updates was more than month ago. \nWant to check up now?",
        "Don't remind me again!", "&Yes", "&No"};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(style & WS_SYSMENU, 0);
}

TEST_F(ReminderTest, UpdateCheckOpensThePageAndRecordsToday) {
    struct TCase {
        const char* Name;
        bool Remind;    // ask first
        int Button;     // the answer when asked
        bool ToggleBox; // "Don't remind me again!"
        bool RemindBefore;
        bool Opens;
        bool RemindAfter;
    };
    const TCase cases[] = {
        {"menu item, no question", false, 0, false, true, true, true},
        {"menu item while reminders are off", false, 0, false, false, true, false},
        {"reminder answered yes", true, IDC_MIND_YES, false, true, true, true},
        {"reminder answered no", true, IDC_MIND_NO, false, true, false, true},
        {"yes, don't remind me again", true, IDC_MIND_YES, true, true, true, false},
        {"no, don't remind me again", true, IDC_MIND_NO, true, true, false, false},
    };
    const int lastCheck = kToday - 10;
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Opened.clear();
        Parents.clear();
        RemindToCheck = c.RemindBefore;
        int recorded = lastCheck;
        std::vector<TStep> steps;
        if (c.Remind)
            steps.push_back([&](HWND dialog) {
                if (c.ToggleBox)
                    Click(dialog, IDC_MIND_DONT_REMIND);
                Click(dialog, c.Button);
            });
        size_t stepsRun = 0;
        Drive(
            [&] {
                CheckForUpdates(owner, c.Remind, kToday, recorded);
                return 0;
            },
            steps, &stepsRun);
        EXPECT_EQ(stepsRun, steps.size()) << "the reminder was not shown as asked";
        EXPECT_EQ(RemindToCheck, c.RemindAfter);
        if (c.Opens) {
            ASSERT_EQ(Opened.size(), 1u);
            EXPECT_EQ(Opened[0].rfind(UpdateUrl + "&rand=", 0), 0u) << Opened[0];
            EXPECT_EQ(Parents[0], owner);
            EXPECT_EQ(recorded, kToday);
        } else {
            EXPECT_TRUE(Opened.empty());
            EXPECT_EQ(recorded, lastCheck);
        }
    }
    DestroyWindow(owner);
}

} // namespace
