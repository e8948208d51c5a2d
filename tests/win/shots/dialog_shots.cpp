// Screenshot driver for the small dialogs: starts tlvn.exe, opens each dialog the way a
// user does (system menu commands, the start-up reminder's command, F1, F1 without the
// help file), and for each one writes "<name>.ready" holding the window's screen rectangle
// into the marker folder, then waits for "<name>.done" before closing it. The script
// around it takes the pictures.
//
// usage: dialog_shots <path of tlvn.exe> <marker folder>
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kAbout = 2000, kOptions = 2001, kReminder = 1026;
constexpr int kOptionsCancel = 1099, kReminderNo = 1004, kAboutOk = 1000, kAboutWeb = 1006;

std::string Markers;

HWND WaitForWindow(const char* className, const char* title) {
    for (int i = 0; i < 300; ++i) {
        if (HWND window = FindWindowA(className, title))
            if (IsWindowVisible(window))
                return window;
        Sleep(50);
    }
    std::fprintf(stderr, "dialog_shots: no window \"%s\"\n", title);
    return nullptr;
}

BOOL CALLBACK FindFilledTree(HWND window, LPARAM found) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof(name));
    if (std::string(name) == WC_TREEVIEWA && SendMessageA(window, TVM_GETCOUNT, 0, 0) > 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// The viewer fills its contents tree some time after it shows, later on a busy machine.
void WaitForContents(HWND help) {
    for (int i = 0; i < 600; ++i) {
        HWND tree = nullptr;
        EnumChildWindows(help, FindFilledTree, reinterpret_cast<LPARAM>(&tree));
        if (tree)
            return;
        Sleep(50);
    }
}

// Hands the window to the script for its picture and waits until it is taken.
bool Shoot(const char* name, HWND window) {
    Sleep(700); // let it paint
    RECT r;
    GetWindowRect(window, &r);
    const std::string ready = Markers + name + ".ready";
    FILE* file = std::fopen((ready + ".tmp").c_str(), "w");
    if (!file)
        return false;
    std::fprintf(file, "%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    std::fclose(file);
    MoveFileA((ready + ".tmp").c_str(), ready.c_str());
    const std::string done = Markers + name + ".done";
    for (int i = 0; i < 600; ++i) {
        if (GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
        Sleep(50);
    }
    return false;
}

void Press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PressF1() {
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    Markers = std::string(argv[2]) + "\\";
    std::string command = std::string("\"") + argv[1] + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 3;
    WaitForInputIdle(process.hProcess, 10000);
    HWND main = WaitForWindow("#32770", "Tolvane");
    bool ok = main != nullptr;

    if (ok) {
        PostMessageA(main, WM_SYSCOMMAND, kOptions, 0);
        HWND options = WaitForWindow("#32770", "Options");
        ok = options && Shoot("options", options);
        if (options)
            Press(options, kOptionsCancel);
    }
    if (ok) {
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(kReminder, 0), 0);
        HWND reminder = WaitForWindow("#32770", "Reminder");
        ok = reminder && Shoot("reminder", reminder);
        if (reminder)
            Press(reminder, kReminderNo);
    }
    if (ok) {
        PostMessageA(main, WM_SYSCOMMAND, kAbout, 0);
        HWND about = WaitForWindow("#32770", "About");
        if (about) {
            // The mouse over the web link: it lights up.
            RECT link;
            GetWindowRect(GetDlgItem(about, kAboutWeb), &link);
            POINT at{(link.left + link.right) / 2, (link.top + link.bottom) / 2};
            SetCursorPos(at.x, at.y);
            Sleep(500); // after the panel has settled under the cursor
            ScreenToClient(about, &at);
            PostMessageA(about, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
        }
        ok = about && Shoot("about", about);
        if (about)
            Press(about, kAboutOk);
    }
    if (ok) {
        // F1 with the help file renamed (before the viewer holds it open): the message names
        // the file it looked for.
        std::string chm = argv[1];
        chm = chm.substr(0, chm.find_last_of('.')) + ".chm";
        const std::string renamed = chm + ".renamed";
        ok = MoveFileA(chm.c_str(), renamed.c_str()) != FALSE;
        Sleep(500);
        SetForegroundWindow(main);
        Sleep(300);
        PressF1();
        HWND message = ok ? WaitForWindow("#32770", "Error") : nullptr;
        ok = message && Shoot("help-missing", message);
        if (message)
            PostMessageA(message, WM_COMMAND, IDOK, 0);
        MoveFileA(renamed.c_str(), chm.c_str());
    }
    if (ok) {
        Sleep(300);
        SetForegroundWindow(main);
        Sleep(300);
        PressF1();
        HWND help = WaitForWindow("HH Parent", nullptr);
        if (help)
            WaitForContents(help);
        Sleep(1500); // and paints them
        ok = help && Shoot("help", help);
        if (help)
            PostMessageA(help, WM_CLOSE, 0, 0);
    }
    Sleep(300);
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ok ? 0 : 1;
}
