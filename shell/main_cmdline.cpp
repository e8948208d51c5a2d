// The main window's command line: the process's own command line, split and parsed by the
// shared parser, written straight into the controls and the global settings. Nothing is
// started here; the start-up requests wait for the window to show.
#include "shell/main_cmdline.h"

#include "app/cmdline.h"
#include "shell/main_window.h"
#include "shell/settings.h"

void ApplyCommandLine(TMainWindow& window, const std::string& commandLine) {
    const TCommandLine line = ParseCommandLine(SplitCommandLine(commandLine), true);
    if (line.Folder)
        window.SetFolder(*line.Folder);
    if (line.FileMask)
        window.SetFilter(*line.FileMask);
    if (line.IncludeSubfolders)
        window.SetSubfolders(*line.IncludeSubfolders);
    if (line.OverwriteMode)
        window.SetOverwriteMode(*line.OverwriteMode);
    if (line.Format)
        window.SetFormat(*line.Format);
    if (line.Placement)
        window.SetPlacement(*line.Placement);
    if (line.HeaderMode)
        HeaderMode = *line.HeaderMode;
    if (line.DetailedLog)
        DetailedLog = *line.DetailedLog;
    if (line.Workers)
        window.Workers = *line.Workers;
    // The name belongs to the format and placement in effect after every option.
    if (line.ChecksumFileName) {
        window.SetChecksumName(*line.ChecksumFileName);
        window.StoreNameForMode();
    }
    window.ShowUsage = line.ShowUsage;
    window.StartUpdate = line.StartUpdate;
    window.StartVerify = line.StartVerify;
    window.AutoExit = line.AutoExit;
    window.LogFileName = line.LogFileName;
}

void TMainWindow::ParseCommandLine() {
    ApplyCommandLine(*this, GetCommandLineA());
}
