#include "app/log.h"

#include <iterator>

#include "engine/names.h"
#include "platform/files.h"
#include "app/format.h"
#include "app/texts.h"

const char* LogKindPrefix(int kind) {
    static const char* const prefixes[] = {"",
                                           texts::kPrefixInfo,
                                           texts::kPrefixHint,
                                           texts::kPrefixWarn,
                                           texts::kPrefixFail,
                                           texts::kPrefixError,
                                           texts::kPrefixStart,
                                           texts::kPrefixStop,
                                           texts::kPrefixStat};
    if (kind < lkPlain || kind > lkStat)
        return "";
    return prefixes[kind];
}

std::string PrefixedText(const TLogLine& line) {
    return LogKindPrefix(line.Kind) + line.Text;
}

void TLogTotals::Count(int kind) {
    switch (kind) {
    case lkHint:
        ++Hints;
        break;
    case lkWarn:
        ++Warnings;
        break;
    case lkFail:
        ++Failures;
        break;
    case lkError:
        ++Errors;
        break;
    default:
        break;
    }
}

TLogLine FileOpenErrorLine(const std::string& path, uint32_t error, const std::string& errorText) {
    return {FormatText(texts::kLogFileOpenError, {path, error, errorText}), lkError};
}

TLogLine ChecksumFileSkippedLine(const std::string& path) {
    return {FormatText(texts::kLogChecksumFileSkipped, {path}), lkHint};
}

TLogLine InvalidLineLine(const std::string& path, int32_t line) {
    return {FormatText(texts::kLogInvalidLine, {path, line}), lkWarn};
}

TLogLine FileMissingLine(const std::string& path) {
    return {FormatText(texts::kLogFileMissing, {path}), lkFail};
}

TLogLine FileUpdatedLine(const std::string& path) {
    return {FormatText(texts::kLogFileUpdated, {path}), lkWarn};
}

TLogLine ChecksumMismatchLine(const std::string& path) {
    return {FormatText(texts::kLogChecksumMismatch, {path}), lkFail};
}

TLogLine FileNotListedLine(const std::string& path) {
    return {FormatText(texts::kLogFileNotListed, {path}), lkWarn};
}

TLogLine FileMovedLine(const std::string& from, const std::string& to) {
    return {FormatText(texts::kLogFileMoved, {from, to}), lkWarn};
}

TLogLine MovesNotPairedLine(const std::string& scope) {
    return {FormatText(texts::kLogMovesNotPaired, {scope}), lkHint};
}

TLogLine OldChecksumFileDeletedLine(const std::string& folder) {
    return {FormatText(texts::kLogOldChecksumFileDeleted, {folder}), lkHint};
}

TLogLine EmptyFolderSkippedLine(const std::string& folder) {
    return {FormatText(texts::kLogEmptyFolderSkipped, {folder}), lkHint};
}

TLogLine NoChecksumFileLine(const std::string& folder) {
    return {FormatText(texts::kLogNoChecksumFile, {folder}), lkWarn};
}

TLogLine FileReadErrorLine(const std::string& path, uint32_t error, uint64_t bytesRead,
                           const std::string& errorText) {
    return {FormatText(texts::kLogFileReadError, {path, bytesRead, error, errorText}), lkError};
}

TLogLine FolderListErrorLine(const std::string& folder, uint32_t error,
                             const std::string& errorText) {
    return {FormatText(texts::kLogFolderListError, {folder, error, errorText}), lkError};
}

TLogLine LoadErrorLine(const std::string& path, const std::string& message) {
    return {FormatText(texts::kLogLoadError, {path, message}), lkError};
}

TLogLine SaveErrorLine(const std::string& path, const std::string& message) {
    return {FormatText(texts::kLogSaveError, {path, message}), lkError};
}

TLogLine ChecksumOkLine(const std::string& path, const std::string& kindName,
                        const std::string& checksum) {
    return {FormatText(texts::kLogChecksumOk, {path, kindName, checksum}), lkInfo};
}

TLogLine OldChecksumFileKeptLine(const std::string& path) {
    return {FormatText(texts::kLogOldChecksumFileKept, {path}), lkHint};
}

TLogLine EntryOutsideTreeLine(const std::string& path) {
    return {FormatText(texts::kLogEntryOutsideTree, {path}), lkWarn};
}

TLogLine OldLinesCarriedLine(const std::string& path, int32_t lines) {
    return {FormatText(texts::kLogOldLinesCarried, {path, lines}), lkHint};
}

TLogLine OldListNotTrustedLine(const std::string& path, int32_t reason) {
    const int32_t count = static_cast<int32_t>(std::size(texts::kLogOldListNotTrusted));
    return {FormatText(texts::kLogOldListNotTrusted[reason >= 0 && reason < count ? reason : 0],
                       {path}),
            lkHint};
}

TLogLine EntriesDroppedLine(const std::string& path, int32_t count) {
    return {FormatText(texts::kLogEntriesDropped, {path, count}), lkHint};
}

TLogLine EntryDroppedLine(const std::string& path) {
    return {FormatText(texts::kLogEntryDropped, {path}), lkInfo};
}

TLogLine LinkOutsideTreeLine(const std::string& path) {
    return {FormatText(texts::kLogLinkOutsideTree, {path}), lkWarn};
}

TLogLine FileChangedLine(const std::string& path) {
    return {FormatText(texts::kLogFileChanged, {path}), lkError};
}

TLogLine OtherNamesKeptLine(const std::string& path) {
    return {FormatText(texts::kLogOtherNamesKept, {path}), lkHint};
}

std::string SavedLogContent(const std::vector<std::string>& texts) {
    std::string content;
    for (const std::string& text : texts)
        content += text + "\r\n";
    return content;
}

namespace {

// Removes the file at path; whatever else is there (a device, a FIFO, a folder) stays. Only
// files are listed by a search, and only under their exact name is one taken for path.
void RemoveEarlierLog(files::TFileSystem& fs, const std::string& path) {
    const std::string name = path.substr(path.find_last_of(kComponentEnds) + 1);
    if (name.empty() || name.find_first_of("*?") != std::string::npos)
        return;
    bool isFile = false;
    fs.FindFiles(path, [&](const files::TFoundFile& entry) {
        isFile = !entry.IsDirectory() && SameFileName(fs, entry.Name, name);
        return !isFile;
    });
    files::TErrorCode error = 0;
    if (isFile)
        fs.RemoveFile(path, error);
}

} // namespace

bool SaveLogFile(files::TFileSystem& fs, const std::string& path, files::TSaveContent& content,
                 std::string& message) {
    files::TSaveReport report;
    if (fs.SaveFileFrom(path, content, files::TSaveTarget::Named, report) == files::TSaveStatus::Ok)
        return true;
    const files::TErrorCode error = report.Error;
    RemoveEarlierLog(fs, path);
    message = FormatText(texts::kCannotCreateFile, {path});
    const std::string reason = error != 0 ? fs.ErrorText(error) : std::string();
    if (!reason.empty())
        message += ": " + reason;
    return false;
}

bool SaveLogFile(files::TFileSystem& fs, const std::string& path,
                 const std::vector<std::string>& texts, std::string& message) {
    const std::string content = SavedLogContent(texts);
    files::TSaveText text(content);
    return SaveLogFile(fs, path, text, message);
}
