// The main window's command line: the process's own command line, split and parsed by the
// shared parser, written straight into the controls and the global settings. Nothing is
// started here; the start-up requests wait for the window to show.
#include "app/cmdline.h"
#include "shell/main_window.h"
#include "shell/settings.h"

void TMainWindow::ParseCommandLine() {
    ApplyCommandLine(GetCommandLineA());
}

void TMainWindow::ApplyCommandLine(const std::string& commandLine) {
    const TCommandLine line = ::ParseCommandLine(SplitCommandLine(commandLine), true);
    if (line.Folder)
        SetFolder(*line.Folder);
    if (line.FileMask)
        SetFilter(*line.FileMask);
    if (line.IncludeSubfolders)
        SetSubfolders(*line.IncludeSubfolders);
    if (line.OverwriteMode)
        SetOverwriteMode(*line.OverwriteMode);
    if (line.Format)
        SetFormat(*line.Format);
    if (line.Placement)
        SetPlacement(*line.Placement);
    if (line.HeaderMode)
        HeaderMode = *line.HeaderMode;
    if (line.DetailedLog)
        DetailedLog = *line.DetailedLog;
    if (line.Workers)
        WorkerCount = *line.Workers;
    // The name belongs to the format and placement in effect after every option.
    if (line.ChecksumFileName) {
        SetChecksumName(*line.ChecksumFileName);
        StoreNameForMode();
    }
    Requests.ShowUsage = line.ShowUsage;
    Requests.StartUpdate = line.StartUpdate;
    Requests.StartVerify = line.StartVerify;
    Requests.AutoExit = line.AutoExit;
    Requests.LogFileName = line.LogFileName;
}
