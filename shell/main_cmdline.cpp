// The main window's command line: the process's own command line, split and parsed by the
// shared parser, written straight into the controls and the global settings. Nothing is
// started here; the start-up requests wait for the window to show.
#include "app/cmdline.h"
#include "shell/main_window.h"
#include "shell/settings.h"

std::string FolderOfFile(const std::string& file) {
    const size_t end = file.find_last_of("\\/:");
    if (end == std::string::npos)
        return ".";
    const bool root = end == 0 || file[end] == ':' || file[end - 1] == ':';
    return file.substr(0, root ? end + 1 : end);
}

void VerifyOnlyList(TRunSettings& settings, const std::string& list) {
    settings.ChecksumFileName = list; // a folder part: this one file, entries relative to Folder
    settings.Placement = plTreeAnyPlace;
    settings.IncludeSubfolders = false; // files it does not name are looked for beside it only
}

void TMainWindow::ParseCommandLine() {
    ApplyCommandLine(GetCommandLineA());
}

void TMainWindow::ApplyCommandLine(const std::string& commandLine) {
    const TCommandLine line = ::ParseCommandLine(SplitCommandLine(commandLine), true);
    Requests.VerifyList = ApplyRunOptions(line);
    Requests.ShowUsage = line.ShowUsage;
    Requests.StartUpdate = line.StartUpdate;
    Requests.StartVerify = line.StartVerify;
    Requests.AutoExit = line.AutoExit;
    Requests.Unattended = line.Unattended;
    Requests.LogFileName = line.LogFileName;
    Requests.ReportFileName = line.ReportFileName.value_or("");
    Requests.Slice = line.Slice.value_or(TSlice());
    Requests.BadArgument = line.BadArgument;
}

std::string TMainWindow::ApplyRunOptions(const TCommandLine& line) {
    std::string list;
    if (line.Folder) {
        // A Verify given a file where the folder goes verifies that list in its folder, for
        // that run only; else a list fills the fields as a drop does.
        const DWORD attributes = line.StartVerify && !line.StartUpdate
                                     ? GetFileAttributesA(line.Folder->c_str())
                                     : INVALID_FILE_ATTRIBUTES;
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            list = *line.Folder;
            SetFolder(FolderOfFile(list));
        } else {
            TakePath(*line.Folder);
        }
    }
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
    if (line.QuickUpdate)
        QuickUpdate = *line.QuickUpdate;
    if (line.MovedFiles)
        MovedFiles = *line.MovedFiles;
    // The name belongs to the format and placement in effect after every option.
    if (line.ChecksumFileName) {
        SetChecksumName(*line.ChecksumFileName);
        StoreNameForMode();
    }
    return list;
}
