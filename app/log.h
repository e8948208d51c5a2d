// The processing log: a line is a text and a kind. The kind decides the prefix shown in
// front of the text and whether the run's totals count the line; the text itself never
// carries the prefix (copies and the saved log hold the bare text). One function per
// engine event builds its line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace files {
class TFileSystem;
class TSaveContent;
} // namespace files

enum TLogKind : int {
    lkPlain = 0,
    lkInfo = 1,
    lkHint = 2,
    lkWarn = 3,
    lkFail = 4,
    lkError = 5,
    lkStart = 6,
    lkStop = 7,
    lkStat = 8
};

struct TLogLine {
    std::string Text;
    int Kind = lkPlain; // any value may arrive from a list item's data
};

// "INFO: " .. "STAT: "; "" for plain lines and for values outside 1..8.
const char* LogKindPrefix(int kind);
// The prefix followed by the text, as the log shows it.
std::string PrefixedText(const TLogLine& line);

// The counts of the totals line: hints, warnings, failures and errors.
struct TLogTotals {
    int Hints = 0;
    int Warnings = 0;
    int Failures = 0;
    int Errors = 0;
    void Count(int kind);
};

// Lines of the engine's events. The error texts are the file services' ErrorText of the
// code (trailing blanks, control characters and "." already removed).
TLogLine FileOpenErrorLine(const std::string& path, uint32_t error, const std::string& errorText);
TLogLine ChecksumFileSkippedLine(const std::string& path);
TLogLine InvalidLineLine(const std::string& path, int32_t line);
TLogLine FileMissingLine(const std::string& path);
TLogLine FileUpdatedLine(const std::string& path);
TLogLine ChecksumMismatchLine(const std::string& path);
TLogLine FileNotListedLine(const std::string& path);
TLogLine FileMovedLine(const std::string& from, const std::string& to);
TLogLine MovesNotPairedLine(const std::string& scope);
TLogLine OldChecksumFileDeletedLine(const std::string& folder);
TLogLine EmptyFolderSkippedLine(const std::string& folder);
TLogLine NoChecksumFileLine(const std::string& folder);
TLogLine FileReadErrorLine(const std::string& path, uint32_t error, uint64_t bytesRead,
                           const std::string& errorText);
// OnFileListError and OnFolderListError share it.
TLogLine FolderListErrorLine(const std::string& folder, uint32_t error,
                             const std::string& errorText);
TLogLine LoadErrorLine(const std::string& path, const std::string& message);
TLogLine SaveErrorLine(const std::string& path, const std::string& message);
TLogLine ChecksumOkLine(const std::string& path, const std::string& kindName,
                        const std::string& checksum);
TLogLine OldChecksumFileKeptLine(const std::string& path);
TLogLine EntryOutsideTreeLine(const std::string& path);
TLogLine OldLinesCarriedLine(const std::string& path, int32_t lines);
// Quick update: reason is a TOldListDoubt; a value outside it reads as unreadable.
TLogLine OldListNotTrustedLine(const std::string& path, int32_t reason);
TLogLine EntriesDroppedLine(const std::string& path, int32_t count);
TLogLine EntryDroppedLine(const std::string& path);
TLogLine LinkOutsideTreeLine(const std::string& path);
TLogLine FileChangedLine(const std::string& path);
TLogLine OtherNamesKeptLine(const std::string& path);

// The saved log: every text, without prefix, each followed by CR LF.
std::string SavedLogContent(const std::vector<std::string>& texts);
// Writes the saved log to path, replacing the file: content in the form of SavedLogContent,
// handed over in pieces. On failure returns false, sets message to the reason ("Cannot
// create file <path>" and the system's text) and leaves no earlier log behind for a script
// to take for this run's: a file at path is removed (a device, FIFO or folder stays).
bool SaveLogFile(files::TFileSystem& fs, const std::string& path, files::TSaveContent& content,
                 std::string& message);
bool SaveLogFile(files::TFileSystem& fs, const std::string& path,
                 const std::vector<std::string>& texts, std::string& message);
