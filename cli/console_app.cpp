#include "cli/console_app.h"

#include "app/format.h"
#include "app/texts.h"
#include "version.h"

TRunSettings SettingsFromCommandLine(const TCommandLine& commandLine,
                                     const std::string& currentFolder) {
    TRunSettings settings;
    settings.Folder = commandLine.Folder.value_or(currentFolder);
    settings.FileMask = commandLine.FileMask.value_or(settings.FileMask);
    settings.IncludeSubfolders = commandLine.IncludeSubfolders.value_or(settings.IncludeSubfolders);
    settings.OverwriteMode = commandLine.OverwriteMode.value_or(settings.OverwriteMode);
    settings.Format = commandLine.Format.value_or(settings.Format);
    settings.Placement = commandLine.Placement.value_or(settings.Placement);
    settings.HeaderMode = commandLine.HeaderMode.value_or(settings.HeaderMode);
    settings.DetailedLog = commandLine.DetailedLog.value_or(settings.DetailedLog);
    settings.Workers = commandLine.Workers.value_or(settings.Workers);
    settings.QuickUpdate = commandLine.QuickUpdate.value_or(settings.QuickUpdate);
    settings.MovedFiles = commandLine.MovedFiles.value_or(settings.MovedFiles);
    settings.KeepFindings = commandLine.ReportFileName.has_value();
    settings.Slice = commandLine.Slice.value_or(settings.Slice);
    settings.Unattended = commandLine.Unattended;
    settings.ChecksumFileName = commandLine.ChecksumFileName.value_or(
        DefaultChecksumName(settings.Format, settings.Placement));
    return settings;
}

std::string ConsoleHelpText() {
    std::string text;
    for (char c : UsageText('-'))
        if (c != '\r')
            text += c;
    for (const char* line : texts::kConsoleHelpLines)
        text += std::string(line) + "\n";
    text += "\n" + FormatText(texts::kConsoleVersion, {TLVN_VERSION_TEXT}) + "\n";
    return text;
}
