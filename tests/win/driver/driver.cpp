// End-to-end driver: starts tlvn.exe with command lines on real trees, as a script or a
// user would, answers its message boxes from outside the process, and checks the saved
// logs and the checksum files on disk. Prints one line per scenario; exit code 0 when
// every scenario passed. Each command line names every option its scenario depends on
// (sub-folders, overwrite, format, placement, name, filter, header, detailed log): the
// program keeps its settings from one run to the next, here and in any earlier use.
//
// usage: tlvn_e2e_driver <path of tlvn.exe> [--shot <marker file>]
#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr char kAbcMD5[] = "900150983cd24fb0d6963f7d28e17f72"; // MD5 of "abc" (RFC 1321)
constexpr DWORD kWaitMs = 60000;

std::string TlvnPath;
std::string WorkFolder; // ends with a backslash
std::vector<std::string> Failures;

void Check(bool condition, const std::string& what) {
    if (!condition)
        Failures.push_back(what);
}

std::string ReadWholeFile(const std::string& path) {
    std::string content;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    char buffer[4096];
    DWORD done = 0;
    while (ReadFile(file, buffer, sizeof buffer, &done, nullptr) && done > 0)
        content.append(buffer, done);
    CloseHandle(file);
    return content;
}

void WriteWholeFile(const std::string& path, const std::string& content) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &done, nullptr);
    CloseHandle(file);
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> Lines(const std::string& content) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(content.substr(start, end - start));
    return lines;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(folder + name + "\\");
            else
                DeleteFileA((folder + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

// A fresh tree for one scenario: a.txt and sub\b.txt, both "abc".
std::string MakeTree(const std::string& name) {
    const std::string tree = WorkFolder + name + "\\";
    CreateDirectoryA(tree.c_str(), nullptr);
    CreateDirectoryA((tree + "sub").c_str(), nullptr);
    WriteWholeFile(tree + "a.txt", "abc");
    WriteWholeFile(tree + "sub\\b.txt", "abc");
    return tree;
}

struct TDialogSearch {
    DWORD Pid;
    const std::string* Caption; // empty: any caption
    const std::function<bool(HWND)>* Accept;
    HWND Found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TDialogSearch*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[32] = {};
    char title[256] = {};
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, title, sizeof title);
    if (pid == search->Pid && IsWindowVisible(window) && std::string(name) == "#32770" &&
        (search->Caption->empty() || *search->Caption == title) &&
        (!*search->Accept || (*search->Accept)(window))) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

class TProgram {
public:
    explicit TProgram(const std::string& arguments) {
        std::string command = "\"" + TlvnPath + "\" " + arguments;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        Started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &Info) != FALSE;
        if (Started)
            WaitForInputIdle(Info.hProcess, 10000);
    }
    // A program already started, as Explorer starts a verb's command.
    explicit TProgram(const PROCESS_INFORMATION& started) : Started(true), Info(started) {
        WaitForInputIdle(Info.hProcess, 10000);
    }
    ~TProgram() {
        if (!Started)
            return;
        if (WaitForSingleObject(Info.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(Info.hProcess, 99);
        CloseHandle(Info.hThread);
        CloseHandle(Info.hProcess);
    }
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    // The exit code, or -1 when the program is still running after the wait.
    long Exit(DWORD ms = kWaitMs) const {
        if (!Started || WaitForSingleObject(Info.hProcess, ms) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(Info.hProcess, &code);
        return static_cast<long>(code);
    }

    // A visible top-level dialog of the program with this caption (any caption when it is
    // empty) that passes the test; waits for it.
    HWND WaitDialog(const std::string& caption,
                    const std::function<bool(HWND)>& accept = nullptr) const {
        for (DWORD waited = 0; waited < kWaitMs; waited += 50) {
            TDialogSearch search{Info.dwProcessId, &caption, &accept, nullptr};
            EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
            if (search.Found)
                return search.Found;
            Sleep(50);
        }
        return nullptr;
    }

    bool Started = false;
    PROCESS_INFORMATION Info{};
};

std::string BoxText(HWND box) {
    char text[1024] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

bool HasButtons(HWND box, bool yes, bool no, bool cancel) {
    return (GetDlgItem(box, IDYES) != nullptr) == yes && (GetDlgItem(box, IDNO) != nullptr) == no &&
           (GetDlgItem(box, IDCANCEL) != nullptr) == cancel;
}

void Answer(HWND box, int id) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

// A "Confirmation" box of the program with exactly this text.
HWND WaitQuestion(const TProgram& program, const std::string& text) {
    return program.WaitDialog("Confirmation", [&text](HWND box) { return BoxText(box) == text; });
}

void ScenarioUpdateThenVerify() {
    const std::string tree = MakeTree("run");
    const std::string options = " /s /f0 /p2 /n md5sum.lst /m *.* /h0 /i0 /a ";
    {
        TProgram update("/u /o+" + options + "\"" + WorkFolder + "u.log\" \"" + tree + "\"");
        Check(update.Exit() == 0, "update: ends by itself with exit code 0");
    }
    const std::vector<std::string> u = Lines(ReadWholeFile(WorkFolder + "u.log"));
    Check(u.size() == 6, "update: six log lines, got " + std::to_string(u.size()));
    if (u.size() == 6) {
        Check(u[0] == "Calculating summary data size...", "update: counting line");
        Check(u[1] == "6 bytes in 2 files to processing....", "update: counted: " + u[1]);
        Check(Contains(u[2], " Updating folder \"" + tree +
                                 "*.*\", with checksum files name "
                                 "\"md5sum.lst\""),
              "update: start line: " + u[2]);
        Check(Contains(u[3], " Updating is completed."), "update: stop line: " + u[3]);
        Check(u[4].rfind("Processed 6  bytes in 2 files for ", 0) == 0,
              "update: statistics: " + u[4]);
        Check(u[5] == "Total hints: 0, warnings: 0, failures: 0, errors: 0",
              "update: totals: " + u[5]);
    }
    Check(ReadWholeFile(tree + "md5sum.lst") == std::string(kAbcMD5) + " *a.txt\r\n",
          "update: root list");
    Check(ReadWholeFile(tree + "sub\\md5sum.lst") == std::string(kAbcMD5) + " *b.txt\r\n",
          "update: sub-folder list");

    {
        TProgram verify("/v" + options + "\"" + WorkFolder + "v.log\" \"" + tree + "\"");
        Check(verify.Exit() == 0, "verify: ends by itself with exit code 0");
    }
    const std::vector<std::string> v = Lines(ReadWholeFile(WorkFolder + "v.log"));
    Check(v.size() == 6 && Contains(v[3], " Verifying is completed.") &&
              v[5] == "Total hints: 0, warnings: 0, failures: 0, errors: 0",
          "verify: clean tree verifies without findings");

    // A later change of b.txt: the list is older than the file.
    Sleep(2100);
    WriteWholeFile(tree + "sub\\b.txt", "abd");
    {
        TProgram verify("/v" + options + "\"" + WorkFolder + "v2.log\" \"" + tree + "\"");
        Check(verify.Exit() == 1, "verify after change: ends by itself with exit code 1");
    }
    const std::string v2 = ReadWholeFile(WorkFolder + "v2.log");
    Check(Contains(v2, "The file \"" + tree + "sub\\b.txt\" has been updated\r\n"),
          "verify after change: the updated file is named");
    Check(Contains(v2, "Total hints: 0, warnings: 1, failures: 0, errors: 0\r\n"),
          "verify after change: one warning counted");
}

void ScenarioOverwriteQuestion() {
    const std::string stale = "00000000000000000000000000000000 *a.txt\r\n";
    struct TCase {
        const char* name;
        int answer;
        std::string after;
    };
    const TCase cases[] = {
        {"no keeps the list", IDNO, stale},
        {"yes replaces it", IDYES, std::string(kAbcMD5) + " *a.txt\r\n"},
    };
    for (const TCase& c : cases) {
        const std::string tree = MakeTree(std::string("ask-") + (c.answer == IDYES ? "y" : "n"));
        WriteWholeFile(tree + "md5sum.lst", stale);
        TProgram update("/u /o? /s- /f0 /p2 /n md5sum.lst /m *.* /h0 /i0 /a \"" + WorkFolder +
                        "ask.log\" \"" + tree + "\"");
        const std::string text =
            "The checksum file \"" + tree + "md5sum.lst\" already exists.Overwrite?";
        HWND box = WaitQuestion(update, text);
        Check(box != nullptr, std::string("overwrite, ") + c.name + ": question shown");
        if (!box)
            continue;
        Check(HasButtons(box, true, true, true), "overwrite: Yes, No and Cancel");
        char owner[32] = {};
        GetClassNameA(GetWindow(box, GW_OWNER), owner, sizeof owner);
        Check(std::string(owner) == "#32770", "overwrite: the box is owned by the window");
        Answer(box, c.answer);
        Check(update.Exit() == 0, std::string("overwrite, ") + c.name + ": ends by itself");
        Check(ReadWholeFile(tree + "md5sum.lst") == c.after,
              std::string("overwrite, ") + c.name + ": list on disk");
    }
}

void ScenarioForeignFileAndAbortQuestion() {
    const std::string tree = MakeTree("foreign");
    const std::string notes = "my notes, not a list\r\n";
    WriteWholeFile(tree + "md5sum.lst", notes);
    TProgram update("/u /o+ /s- /f0 /p2 /n md5sum.lst /m *.* /h0 /i0 /a \"" + WorkFolder +
                    "foreign.log\" \"" + tree + "\"");
    HWND box = WaitQuestion(update, "The file \"" + tree +
                                        "md5sum.lst\", probably, is not a checksum file. "
                                        "Overwrite?");
    Check(box != nullptr, "foreign: question shown even with overwriting on");
    if (!box)
        return;
    Answer(box, IDCANCEL);
    HWND abort = WaitQuestion(update, "You are really want abort?");
    Check(abort != nullptr, "foreign: cancel asks to abort");
    if (abort) {
        Check(HasButtons(abort, true, true, false), "abort question: Yes and No only");
        Answer(abort, IDYES);
    }
    Check(update.Exit() == 3, "foreign: ends by itself with the exit code of an abort");
    Check(ReadWholeFile(tree + "md5sum.lst") == notes, "foreign: the file is kept");
    Check(Contains(ReadWholeFile(WorkFolder + "foreign.log"), "Updating has been aborted by user!"),
          "foreign: the log says the run was aborted");
}

// The running button pressed while the run waits in a question: the window asks to abort.
void ScenarioAbortThroughTheWindow() {
    const std::string tree = MakeTree("abort");
    const std::string stale = "00000000000000000000000000000000 *a.txt\r\n";
    WriteWholeFile(tree + "md5sum.lst", stale);
    TProgram update("/u /o? /s- /f0 /p2 /n md5sum.lst /m *.* /h0 /i0 /a \"" + WorkFolder +
                    "abort.log\" \"" + tree + "\"");
    HWND box = WaitQuestion(update, "The checksum file \"" + tree +
                                        "md5sum.lst\" already exists.Overwrite?");
    Check(box != nullptr, "abort: overwrite question shown");
    if (!box)
        return;
    HWND main = GetWindow(box, GW_OWNER);
    char button[64] = {};
    GetDlgItemTextA(main, 1019, button, sizeof button);
    Check(std::string(button) == "Abort!", std::string("abort: the button reads ") + button);
    Check(IsWindowEnabled(GetDlgItem(main, 1019)) && !IsWindowEnabled(GetDlgItem(main, 1020)),
          "abort: only the running button is enabled");
    // Closing is refused while the run is active.
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(1019, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(main, 1019)));
    HWND abort = WaitQuestion(update, "You are really want abort?");
    Check(abort != nullptr, "abort: the second press asks to abort");
    if (abort)
        Answer(abort, IDYES);
    Answer(box, IDNO);
    Check(update.Exit() == 3, "abort: ends by itself after the run, exit code 3");
    const std::string log = ReadWholeFile(WorkFolder + "abort.log");
    Check(Contains(log, "Updating has been aborted by user!\r\n"), "abort: stop line in the log");
    Check(ReadWholeFile(tree + "md5sum.lst") == stale, "abort: the list is kept");
}

void ScenarioBadCommandLine() {
    const std::string tree = MakeTree("bad");
    TProgram program("/u /x /a \"" + WorkFolder + "bad.log\" \"" + tree + "\"");
    HWND usage = program.WaitDialog("Command line parameters");
    Check(usage != nullptr, "bad command line: the usage dialog is shown");
    if (usage) {
        char text[2048] = {};
        GetDlgItemTextA(usage, 1001, text, sizeof text);
        Check(std::string(text).rfind("Bad command-line argument: /x\r\n\r\nUSAGE:\r\n tlvn "
                                      "[<command>] [<options>]\r\n",
                                      0) == 0,
              "bad command line: the bad argument above the usage text");
        HWND main = GetWindow(usage, GW_OWNER);
        PostMessageA(usage, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(usage, 1002)));
        Sleep(300);
        Check(program.Exit(500) == -1, "bad command line: the window stays open");
        PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    Check(program.Exit() == 0, "bad command line: closes with exit code 0");
    Check(!Exists(WorkFolder + "bad.log"), "bad command line: no log written");
    Check(!Exists(tree + "md5sum.lst"), "bad command line: no run");
}

// The program's main window: its dialog that holds the log list (1024).
HWND WaitMainWindow(const TProgram& program) {
    return program.WaitDialog("", [](HWND window) { return GetDlgItem(window, 1024) != nullptr; });
}

// Waits until the button reads its idle text again after a run has added lines.
bool WaitRunEnd(HWND main, int button, const std::string& idleText) {
    for (DWORD waited = 0; waited < kWaitMs; waited += 100) {
        char text[64] = {};
        GetDlgItemTextA(main, button, text, sizeof text);
        if (SendDlgItemMessageA(main, 1024, LB_GETCOUNT, 0, 0) > 0 && idleText == text)
            return true;
        Sleep(100);
    }
    return false;
}

void SetOldTime(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    SYSTEMTIME old{};
    old.wYear = 2020;
    old.wMonth = 1;
    old.wDay = 1;
    FILETIME time;
    SystemTimeToFileTime(&old, &time);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

// The lines of the window's log, read from outside the program.
std::vector<std::string> WindowLog(HWND main) {
    std::vector<std::string> lines;
    HWND list = GetDlgItem(main, 1024);
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        // The wide form: between processes Wine answers the ANSI one with wide text.
        std::wstring wide(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&wide[0]));
        char text[4096] = "";
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text, sizeof text, nullptr, nullptr);
        lines.push_back(text);
    }
    return lines;
}

// A tlvn.exe started while another one waits in a question hands its run over and ends at
// once with 5; the first one runs it after its own, in its window. A script's run (/a) and an
// unattended one (/q) started meanwhile run on their own, with their own log and exit code.
void ScenarioHandedOverRuns() {
    const std::string first = MakeTree("first");
    const std::string second = MakeTree("second");
    WriteWholeFile(first + "md5sum.lst", "00000000000000000000000000000000 *a.txt\r\n");
    WriteWholeFile(second + "md5sum.lst", std::string(kAbcMD5) + " *a.txt\r\n");
    const std::string options = " /s- /f0 /p2 /n md5sum.lst /m *.* /h0 /i0 ";
    TProgram running("/u /o?" + options + "\"" + first + "\"");
    HWND box = WaitQuestion(running, "The checksum file \"" + first +
                                         "md5sum.lst\" already exists.Overwrite?");
    HWND main = WaitMainWindow(running);
    Check(box != nullptr && main != nullptr, "the first one waits in its question");
    if (!box || !main)
        return;
    {
        TProgram later("/v" + options + "\"" + second + "\"");
        Check(later.Exit(30000) == 5, "the later one hands its run over and ends with 5");
    }
    for (const char* alone : {"/a", "/q /a"}) {
        const std::string log = WorkFolder + "alone.log";
        TProgram script(std::string("/v") + options + alone + " \"" + log + "\" \"" + second +
                        "\"");
        Check(script.Exit(30000) == 0 &&
                  Contains(ReadWholeFile(log), " Verifying folder \"" + second),
              std::string(alone) + ": runs on its own, with its own log and exit code");
    }
    Answer(box, IDYES);
    const std::string verifying = " Verifying folder \"" + second + "*.*\", with checksum files";
    std::vector<std::string> lines;
    for (DWORD waited = 0; waited < kWaitMs; waited += 100) {
        lines = WindowLog(main);
        if (std::count(lines.begin(), lines.end(),
                       "Total hints: 0, warnings: 0, failures: 0, errors: 0") == 2)
            break;
        Sleep(100);
    }
    const auto at = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return Contains(line, verifying);
    });
    Check(at != lines.end() && std::count_if(lines.begin(), at,
                                             [](const std::string& line) {
                                                 return Contains(line, " Updating is completed.");
                                             }) == 1,
          "the handed-over run follows the first one's, in its window");
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    Check(running.Exit() == 0, "the first one closes by hand with 0");
}

// A value of a key below the user's classes, "<none>" when the key or value is missing.
std::string ClassesValue(const std::string& key, const char* name = nullptr) {
    char value[2048] = "";
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, ("Software\\Classes\\" + key).c_str(), name, RRF_RT_REG_SZ,
                     nullptr, value, &size) != ERROR_SUCCESS)
        return "<none>";
    return value;
}

// Switches "Explorer menu" in the Options dialog of a tlvn.exe started for it, as a user does.
bool SwitchExplorerMenu(bool on) {
    TProgram program("");
    HWND main = WaitMainWindow(program);
    if (!main)
        return false;
    PostMessageA(main, WM_SYSCOMMAND, 2001, 0);
    HWND options = program.WaitDialog("Options");
    if (!options)
        return false;
    if ((IsDlgButtonChecked(options, 1010) == BST_CHECKED) != on)
        SendMessageA(GetDlgItem(options, 1010), BM_CLICK, 0, 0);
    PostMessageA(options, WM_COMMAND, MAKEWPARAM(1098, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(options, 1098)));
    for (DWORD waited = 0; waited < kWaitMs && IsWindow(options); waited += 50)
        Sleep(50);
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    return program.Exit() == 0;
}

// Explorer's verbs as the registry holds them, each started as Explorer starts it (the
// command with the item chosen for %1 or %V), alone, with the options stored at the last
// close: a folder's Verify, a folder's background, a list's "Verify with Tolvane" (that
// list only, in its own folder), and a folder that no longer exists. Switched off, the
// verbs are gone.
void ScenarioExplorerVerbs() {
    const std::string tree = MakeTree("verbs");
    {
        // The stored options every verb then runs with: per-folder lists, subfolders.
        TProgram update("/u /o+ /s /f0 /p2 /n md5sum.lst /m *.* /h0 /i0 /a \"" + WorkFolder +
                        "verbs.log\" \"" + tree + "\"");
        Check(update.Exit() == 0, "verbs: the lists are made");
    }
    Check(SwitchExplorerMenu(true), "verbs: switched on in the Options dialog");
    const std::string directory = "Directory\\shell\\Tolvane.";
    const std::string list = "SystemFileAssociations\\.lst\\shell\\Tolvane.VerifyList";
    const std::string clean = "Total hints: 0, warnings: 0, failures: 0, errors: 0";
    const struct {
        std::string Verb; // below the user's classes
        std::string Item;
        std::string Start; // the end of the START line
        std::string Line;  // a line the log holds
    } runs[] = {
        {directory + "Verify\\command", tree,
         " Verifying folder \"" + tree + "*.*\", with checksum files name \"md5sum.lst\"", clean},
        {"Directory\\Background\\shell\\Tolvane.Verify\\command", tree + "sub",
         " Verifying folder \"" + tree + "sub\\*.*\", with checksum files name \"md5sum.lst\"",
         clean},
        {list + "\\command", tree + "sub\\md5sum.lst",
         " Verifying folder \"" + tree + "sub\\*.*\", with checksum files name \"" + tree +
             "sub\\md5sum.lst\"",
         clean},
        {directory + "Verify\\command", tree + "gone",
         " Verifying folder \"" + tree + "gone\\*.*\", with checksum files name \"md5sum.lst\"",
         "Cannot read content of folder \"" + tree + "gone\\\", Error 3: \"Path not found\""},
    };
    for (const auto& run : runs) {
        std::string command = ClassesValue(run.Verb);
        for (const char* placeholder : {"%1", "%V"})
            for (size_t at; (at = command.find(placeholder)) != std::string::npos;)
                command.replace(at, 2, run.Item);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &info)) {
            Check(false, "verbs: cannot start " + command);
            continue;
        }
        TProgram shown(info);
        HWND main = WaitMainWindow(shown);
        if (!main || !WaitRunEnd(main, 1020, "&Verify")) {
            Check(false, "verbs: no run for " + command);
            continue;
        }
        const std::vector<std::string> lines = WindowLog(main);
        const bool started = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return Contains(line, run.Start);
        });
        Check(started && std::find(lines.begin(), lines.end(), run.Line) != lines.end(),
              "verbs: " + command);
        PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        Check(shown.Exit() == 0, "verbs: closed with 0: " + command);
    }
    Check(SwitchExplorerMenu(false), "verbs: switched off in the Options dialog");
    Check(ClassesValue(directory + "Verify") == "<none>" &&
              ClassesValue("Drive\\shell\\Tolvane.Update") == "<none>" &&
              ClassesValue(list) == "<none>",
          "verbs: switched off, every verb is gone");
}

// The window after an Update and a Verify with findings of every kind, on names in several
// scripts, left open until the file "<marker>.done" appears (the screenshot is taken
// meanwhile) after "<marker>" is made.
int TakeShotScene(const std::string& marker) {
    const std::string tree = WorkFolder + "photos-and-letters\\";
    CreateDirectoryA(tree.c_str(), nullptr);
    for (const char* folder : {"letters", "photos", "photos\\2026 京都", "заметки"})
        CreateDirectoryA((tree + folder).c_str(), nullptr);
    WriteWholeFile(tree + "readme.txt", "Tolvane demo tree\r\n");
    WriteWholeFile(tree + "letters\\Zoë.txt", "Dear Zoë,\r\nthe tree is planted.\r\n");
    WriteWholeFile(tree + "letters\\Фёдор.txt", "Dear Фёдор,\r\nsee you on Monday.\r\n");
    WriteWholeFile(tree + "photos\\2026 京都\\湖.jpg", std::string(300000, 'L'));
    WriteWholeFile(tree + "photos\\2026 京都\\山.jpg", std::string(120000, 'H'));
    TProgram program("/u /o+ /s /f0 /p2 /n md5sum.lst /m *.* /h0 /i1 \"" + tree + "\"");
    HWND main = WaitMainWindow(program);
    if (!main)
        return 1;
    SetWindowPos(main, nullptr, 8, 8, 784, 520, SWP_NOZORDER);
    if (!WaitRunEnd(main, 1019, "&Update"))
        return 1;

    Sleep(2100); // changes must come after the lists, to two seconds
    WriteWholeFile(tree + "letters\\Zoë.txt", "Dear Zoë,\r\nthe tree is planted twice.\r\n");
    WriteWholeFile(tree + "letters\\Фёдор.txt", "Dear Фёдор,\r\nsee you on Tuesday.\r\n");
    SetOldTime(tree + "letters\\Фёдор.txt");
    DeleteFileA((tree + "photos\\2026 京都\\山.jpg").c_str());
    WriteWholeFile(tree + "photos\\2026 京都\\川 🌊.jpg", std::string(50000, 'R'));
    WriteWholeFile(tree + "заметки\\todo.txt", "plant a tree\r\n");
    WriteWholeFile(tree + "заметки\\md5sum.lst", "my own notes\r\n");
    HANDLE locked = CreateFileA((tree + "photos\\2026 京都\\湖.jpg").c_str(), GENERIC_READ, 0,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(1020, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(main, 1020)));
    if (HWND box = program.WaitDialog("Confirmation"))
        Answer(box, IDNO);
    const bool ended = WaitRunEnd(main, 1020, "&Verify");
    CloseHandle(locked);
    if (!ended)
        return 1;
    WriteWholeFile(marker, "ready");
    for (DWORD waited = 0; waited < kWaitMs && !Exists(marker + ".done"); waited += 100)
        Sleep(100);
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    return program.Exit() == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: tlvn_e2e_driver <tlvn.exe>\n");
        return 2;
    }
    TlvnPath = argv[1];
    if (!TlvnPath.empty() && TlvnPath[0] == '/') // a Unix path handed over by ctest
        TlvnPath = "Z:" + TlvnPath;
    for (char& c : TlvnPath)
        if (c == '/')
            c = '\\';
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    WorkFolder = std::string(temp) + "tlvn-e2e-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(WorkFolder.c_str(), nullptr);
    if (argc > 3 && std::string(argv[2]) == "--shot") {
        const int result = TakeShotScene(argv[3]);
        RemoveTree(WorkFolder);
        return result;
    }

    const struct {
        const char* name;
        void (*run)();
    } scenarios[] = {
        {"update then verify with /a", ScenarioUpdateThenVerify},
        {"overwrite question", ScenarioOverwriteQuestion},
        {"foreign file and abort question", ScenarioForeignFileAndAbortQuestion},
        {"abort through the window", ScenarioAbortThroughTheWindow},
        {"bad command line", ScenarioBadCommandLine},
        {"runs handed over to the running window", ScenarioHandedOverRuns},
        {"Explorer's verbs", ScenarioExplorerVerbs},
    };
    int failed = 0;
    for (const auto& scenario : scenarios) {
        Failures.clear();
        scenario.run();
        std::printf("%s: %s\n", Failures.empty() ? "PASS" : "FAIL", scenario.name);
        for (const std::string& failure : Failures)
            std::printf("    %s\n", failure.c_str());
        failed += Failures.empty() ? 0 : 1;
    }
    RemoveTree(WorkFolder);
    std::printf("%d of %d scenarios passed\n", static_cast<int>(std::size(scenarios)) - failed,
                static_cast<int>(std::size(scenarios)));
    return failed == 0 ? 0 : 1;
}
