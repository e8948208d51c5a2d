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

std::string FileText(const std::string& path) {
    std::string text(1 << 16, '\0');
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD got = 0;
    ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
    CloseHandle(file);
    text.resize(got);
    return text;
}

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
// with sub-folders runs as given instead of waiting on the recursion question. Under /q no
// message box waits: every refusal and question ends in the saved log and the process ends.
TEST(Program, ScriptedRunsEndWithTheExitCodeOfTheRun) {
    DeleteProgramSettings();
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string tree = std::string(temp) + "tlvn-exit-" + std::to_string(GetTickCount());
    ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((tree + "\\sub").c_str(), nullptr));
    for (const char* name : {"\\a.txt", "\\sub\\b.txt", "\\notes.lst"}) {
        HANDLE file = CreateFileA((tree + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, "abc", 3, &written, nullptr);
        CloseHandle(file);
    }
    const std::string log = tree + "\\run.log";
    const std::string report = tree + "-report.json"; // beside the tree: not listed
    const std::string logged = " /a \"" + log + "\" ";
    const std::string folder = "\"" + tree + "\"";
    const char* no = " No (unattended run)";
    const struct {
        std::string Arguments;
        DWORD Code;
        std::string Line; // held by the saved log; empty: not looked at
    } cases[] = {
        {"/u /f0 /o+ /p2 /s+" + logged + folder, 0, ""},
        {"/v /p1 /s+ /n md5sum.lst" + logged + folder, 1, ""}, // run.log: not listed
        {"/v /p2 /n other.lst" + logged + folder, 1, ""},
        {"/v /p0 /s+ /n \"" + tree + "\\sub\\md5sum.lst\"" + logged + folder,
         4, ""}, // the sub-folder's list names b.txt, which the root lacks: missing, damage
        {"/v /t /p0 /s+ /n \"" + tree + "\\sub\\md5sum.lst\"" + logged + folder, 4,
         ""}, // moved files on: a.txt and sub\b.txt both have b.txt's digest, so no pair
        {"/u /f0 /o+ /p2 /a \"" + tree + "\\no\\run.log\" " + folder, 2, ""},
        {"/v /p1 /s+ /n md5sum.lst /r \"" + report + "\"" + logged + folder, 1,
         ""}, // run.log: not listed
        {"/v /p2 /r \"" + tree + "\\no\\r.json\"" + logged + folder, 2,
         "Cannot create file " + tree + "\\no\\r.json"},
        {"/q /u /p2 /n *.*" + logged + folder, 2, "Invalid checksum file name. It's must be"},
        {"/q /u /p2" + logged + "\" \"", 2, "The \"Folder\" field is empty. Please enter"},
        {"/q /v /p2" + logged + "\"" + tree + "\\gone\"", 2, "Cannot read content of folder"},
        {"/q /u /x" + logged + folder, 2, "Bad command-line argument: /x"},
        {"/q" + logged + folder, 2, "Nothing to do: give /u to update or /v to verify."},
        {"/q /u /p2 /f0 /n my.sfv" + logged + folder, 2,
         std::string("You have selected the MD5 file format")},
        {"/q /u /p2 /f0 /o? /n md5sum.lst" + logged + folder, 1,
         "\\md5sum.lst\" already exists.Overwrite?" + std::string(no)},
        {"/q /v /p1 /s- /n notes.lst" + logged + folder, 1,
         "\\notes.lst\", probably, is not a checksum file. Continue?" + std::string(no)},
    };
    for (const auto& c : cases) {
        if (!c.Line.empty()) // the earlier runs' log stays, as a file in the tree
            DeleteFileA(log.c_str());
        TProgram program(c.Arguments, false);
        ASSERT_TRUE(program.Started);
        EXPECT_EQ(program.ExitCode(), c.Code) << c.Arguments;
        if (!c.Line.empty()) {
            EXPECT_NE(FileText(log).find(c.Line), std::string::npos) << c.Arguments;
        }
    }
    // The report of the Verify that wrote one.
    const std::string json = FileText(report);
    EXPECT_NE(json.find("\"kind\": \"fileNotListed\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"exitCode\": 1\n}\n"), std::string::npos) << json;
    DeleteFileA(report.c_str());
    DeleteProgramSettings();
    for (const char* name : {"\\a.txt", "\\md5sum.lst", "\\notes.lst", "\\run.log", "\\sub\\b.txt",
                             "\\sub\\md5sum.lst"})
        DeleteFileA((tree + name).c_str());
    RemoveDirectoryA((tree + "\\sub").c_str());
    RemoveDirectoryA(tree.c_str());
}

} // namespace
