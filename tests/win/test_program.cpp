// tlvn.exe itself: it starts as its window, closes on the close command with exit code 0
// and keeps its settings from one start to the next; under /a it exits with the run's code.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/tools.h"
#include "resources/resource.h"
#include "shell/settings.h"

namespace {

// The program file of this build in the system's own path form.
std::string ProgramFile() {
    std::string path = TLVN_EXE_PATH;
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path; // a path of the build machine, seen through the root drive
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

struct TFindWindow {
    DWORD ProcessId;
    HWND Found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM data) {
    auto& find = *reinterpret_cast<TFindWindow*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char title[64] = "";
    GetWindowTextA(window, title, sizeof(title));
    if (process == find.ProcessId && IsWindowVisible(window) && std::string(title) == "Tolvane") {
        find.Found = window;
        return FALSE;
    }
    return TRUE;
}

// One run of the program: started at construction; Close posts the close command and
// waits for the exit code.
class TProgram {
public:
    explicit TProgram(const std::string& arguments = "", bool waitForWindow = true) {
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        std::string commandLine = "\"" + ProgramFile() + "\" " + arguments;
        Started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &Process);
        if (!Started || !waitForWindow)
            return;
        WaitForInputIdle(Process.hProcess, 10000);
        for (int i = 0; i < 200 && !Window; ++i) {
            TFindWindow find{Process.dwProcessId, nullptr};
            EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&find));
            Window = find.Found;
            if (!Window)
                Sleep(50);
        }
    }
    ~TProgram() {
        if (!Started)
            return;
        if (WaitForSingleObject(Process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(Process.hProcess, 99);
        CloseHandle(Process.hThread);
        CloseHandle(Process.hProcess);
    }
    DWORD Close() {
        PostMessageA(Window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return ExitCode();
    }
    DWORD ExitCode() {
        if (WaitForSingleObject(Process.hProcess, 20000) != WAIT_OBJECT_0)
            return STILL_ACTIVE;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(Process.hProcess, &code);
        return code;
    }
    std::string Text(int id) const {
        char text[512] = "";
        SendMessageTimeoutA(GetDlgItem(Window, id), WM_GETTEXT, sizeof(text),
                            reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
        return text;
    }

    BOOL Started = FALSE;
    PROCESS_INFORMATION Process{};
    HWND Window = nullptr;
};

void DeleteProgramSettings() {
    std::string key = kDefaultSettingsKeyPath;
    RegDeleteKeyA(HKEY_CURRENT_USER, (key + kHistorySubKey).c_str());
    key.pop_back();
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
}

TEST(Program, StartsClosesWithExitCodeZeroAndKeepsItsSettings) {
    DeleteProgramSettings();
    {
        TProgram first;
        ASSERT_TRUE(first.Started) << ProgramFile() << ": error " << GetLastError();
        ASSERT_TRUE(first.Window) << "the main window shows";
        EXPECT_EQ(first.Text(IDC_FILTER), "*.*");
        EXPECT_EQ(first.Text(IDC_UPDATE), "&Update");
        EXPECT_EQ(first.Close(), 0u);
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kDefaultSettingsKeyPath, 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS)
        << "the orderly exit wrote the settings";
    int32_t checked = 0;
    EXPECT_TRUE(RegReadInteger(key, "Checked", checked));
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(checked, DateToDayCount(now.wYear, now.wMonth, now.wDay));
    RegWriteString(key, "FileMask", "*.iso");
    RegCloseKey(key);
    {
        TProgram second;
        ASSERT_TRUE(second.Window);
        EXPECT_EQ(second.Text(IDC_FILTER), "*.iso");
        EXPECT_EQ(second.Close(), 0u);
    }
    DeleteProgramSettings();
}

// Under /a the process ends with the console's exit codes, and a Verify of a tree list
// with sub-folders runs as given instead of waiting on the recursion question.
TEST(Program, ScriptedRunsEndWithTheExitCodeOfTheRun) {
    DeleteProgramSettings();
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string tree = std::string(temp) + "tlvn-exit-" + std::to_string(GetTickCount());
    ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((tree + "\\sub").c_str(), nullptr));
    for (const char* name : {"\\a.txt", "\\sub\\b.txt"}) {
        HANDLE file = CreateFileA((tree + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, "abc", 3, &written, nullptr);
        CloseHandle(file);
    }
    const std::string log = tree + "\\run.log";
    const struct {
        std::string Arguments;
        DWORD Code;
    } cases[] = {
        {"/u /f0 /o+ /p2 /s+ /a \"" + log + "\" \"" + tree + "\"", 0},
        {"/v /p1 /s+ /n md5sum.lst /a \"" + log + "\" \"" + tree + "\"", 1}, // run.log: not listed
        {"/v /p2 /n other.lst /a \"" + log + "\" \"" + tree + "\"", 1},
        {"/u /f0 /o+ /p2 /a \"" + tree + "\\no\\run.log\" \"" + tree + "\"", 2},
    };
    for (const auto& c : cases) {
        TProgram program(c.Arguments, false);
        ASSERT_TRUE(program.Started);
        EXPECT_EQ(program.ExitCode(), c.Code) << c.Arguments;
    }
    DeleteProgramSettings();
    for (const char* name :
         {"\\a.txt", "\\md5sum.lst", "\\run.log", "\\sub\\b.txt", "\\sub\\md5sum.lst"})
        DeleteFileA((tree + name).c_str());
    RemoveDirectoryA((tree + "\\sub").c_str());
    RemoveDirectoryA(tree.c_str());
}

} // namespace
