// TMainWindowTest: the real main dialog "MAIN" (TMainDialog), created hidden on the test's
// thread with its settings under the tests' own key, and every message box answered from
// a script and recorded.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "main_dialog.h"
#include "platform/tools.h"
#include "resources/resource.h"
#include "shell/log_list.h"
#include "shell/main_window.h"
#include "shell/msgbox.h"
#include "shell/settings.h"

class TMainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Main = std::make_unique<TMainDialog>();
        Dialog = Main->Handle;
        ASSERT_NE(Dialog, nullptr);
        ASSERT_TRUE(Main->HasWindowObject());
        // Showing the window must not start anything: no command line, no reminder.
        Window().SetStartupRequests(TStartupRequests());
        DetailedLog = false;
        HeaderMode = 0;
        PreviousHook = SetMessageBoxHook([this](const TMessageBoxCall& call) {
            Boxes.push_back(call);
            if (OnBox)
                OnBox(call);
            if (Answers.empty())
                return IDCANCEL;
            const int answer = Answers.front();
            Answers.pop_front();
            return answer;
        });
    }

    void TearDown() override {
        SetMessageBoxHook(PreviousHook);
        Main.reset();
    }

    TMainWindow& Window() { return Main->Window(); }
    HWND Item(int id) const { return GetDlgItem(Dialog, id); }
    TLogList Log() const { return TLogList(Dialog, Item(IDC_LOG)); }

    std::vector<TLogLine> Lines() const {
        std::vector<TLogLine> lines;
        for (int i = 0; i < Log().Count(); ++i)
            lines.push_back(Log().Line(i));
        return lines;
    }

    // The controls of a run, as a user sets them.
    void SetControls(const std::string& folder, const std::string& name, int format, int placement,
                     bool subfolders, int overwrite) {
        Window().SetFolder(folder);
        Window().SetFilter("*.*");
        Window().SetFormat(format);
        Window().SetPlacement(placement);
        Window().SetChecksumName(name);
        Window().SetSubfolders(subfolders);
        Window().SetOverwriteMode(overwrite);
    }

    // A click on a button, handled before this returns.
    void Press(int id) { Main->Click(id); }

    void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    HWND Dialog = nullptr;
    std::vector<TMessageBoxCall> Boxes;
    std::deque<int> Answers; // given in order; IDCANCEL once they run out
    std::function<void(const TMessageBoxCall&)> OnBox;

private:
    TTestSettingsKey SettingsKey;
    std::unique_ptr<TMainDialog> Main;
    TMessageBoxHook PreviousHook;
};
