// The program's entry: the main window is one modal dialog. A run asked for while another
// program of the user is running is handed to that one's window instead (shell/instance.h).
#include <windows.h>
#include <commctrl.h>

#include <optional>

#include "resources/resource.h"
#include "shell/instance.h"
#include "shell/links.h"
#include "shell/main_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* commandLine = GetCommandLineA();
    // A script's run (/a) and a scheduled task's (/q) keep out of the queue: each ends with its
    // own run's exit code, never 5, and its window waits for no other program's run.
    std::optional<TInstance> instance;
    if (!RunsAlone(commandLine))
        instance.emplace();
    if (instance && !instance->Owned() && IsHandOverCommand(commandLine)) {
        char folder[MAX_PATH * 4] = "";
        GetCurrentDirectoryA(sizeof folder, folder);
        if (instance->HandOver({folder, commandLine}))
            return kExitHandedOver;
    }
    InitCommonControls();
    BuildWebLinks();
    TMainWindowPlaces places;
    if (instance && instance->Owned())
        places.InstanceProperty = instance->PropertyName();
    // A script that started a run with /a learns how it went from the exit code.
    TMainWindowHost window(places);
    const INT_PTR exitCode = RunModalDialog(nullptr, IDD_MAIN, window);
    return exitCode < 0 ? 2 : static_cast<int>(exitCode);
}
