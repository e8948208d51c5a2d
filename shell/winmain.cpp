// The program's entry: the main window is one modal dialog.
#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"
#include "shell/links.h"
#include "shell/main_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    InitCommonControls();
    BuildWebLinks();
    // A script that started a run with /a learns how it went from the exit code.
    TMainWindowHost window;
    const INT_PTR exitCode = RunModalDialog(nullptr, IDD_MAIN, window);
    return exitCode < 0 ? 2 : static_cast<int>(exitCode);
}
