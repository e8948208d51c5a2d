// The program's entry: the main window is one modal dialog.
#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"
#include "shell/links.h"
#include "shell/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    InitCommonControls();
    BuildWebLinks();
    DialogBoxParamA(instance, IDD_MAIN, nullptr, MainDialogProc, 0);
    return 0;
}
