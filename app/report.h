// The report for machines: one run as a JSON document (the run's settings and times, one
// object per finding, the statistics, the totals and the exit code), written after the
// run by the same save rules as a list. help/report.htm describes every field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/log.h"
#include "engine/engine.h"

namespace files {
class TFileSystem;
}

// One finding: a HINT, WARN, FAIL or ERROR line of the run, with what it is about.
struct TReportFinding {
    std::string Kind;            // the event's name: "fileMissing", "checksumMismatch", ...
    int Level = lkPlain;         // the log kind of its line
    std::string Path;            // the file, folder or list the line names
    std::string List;            // the list it came from; "" for none
    std::string Expected, Found; // the stored and the computed digest; "" for none
    bool HasError = false;       // a system error code goes with it
    uint32_t Error = 0;
    std::string ErrorText; // the system's text, or the reason a list could not be read
    std::string Message;   // the log line's text
    std::string From, To;  // a moved file's entry and the file it is now; "" for the others
};

struct TRunReport {
    std::string Command; // "update" or "verify"
    std::string Folder, FileMask, ChecksumFileName;
    int Placement = 0;
    int Format = 0;
    std::string Start, End; // UTC, ISO 8601
    TSlice Slice;           // of a Verify; Count 0 for the whole tree
    std::string Outcome;    // "completed", "aborted", "refused", "failed"
    std::vector<TReportFinding> Findings;
    uint64_t Bytes = 0;
    int32_t Files = 0;
    uint32_t ElapsedMs = 0;
    TLogTotals Totals;
    int ExitCode = 0;
};

// The current time in UTC as "2026-12-08T09:31:01Z".
std::string UtcTimeText();

// text as a JSON string, quotes included. A byte that is no part of a valid UTF-8 sequence
// (a POSIX name is bytes) becomes \udcXX, XX the byte: Python's rule for such names, so
// os.fsencode gives the bytes back.
std::string JsonString(const std::string& text);

// The whole document, ending with a line feed.
std::string ReportJson(const TRunReport& report);
