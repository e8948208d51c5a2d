// One Update or Verify run, from the settings to the totals line, without a window: the
// name checks, the counting lines, the recursion question, START, the engine entry, STOP,
// the statistics and the totals, and the binding of every engine event to its log line or
// question. The console and the window each implement TRunFrontEnd; the window keeps its
// own locking of controls, caption and button around Run.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "engine/engine.h"
#include "app/format.h"
#include "app/log.h"
#include "app/progress.h"
#include "app/report.h"

enum class TQuestionButtons { YesNo, YesNoCancel };

// What a run shows and asks. Every call comes on the thread that called Run.
class TRunFrontEnd {
public:
    virtual ~TRunFrontEnd() = default;
    // Appends a line to the log (the window also drains its message queue here).
    virtual void AddLogLine(const TLogLine& line) = 0;
    // A question with caption "Confirmation" and a question icon; lines of the text are
    // separated by "\r". Returns caYes, caNo or caCancel (YesNo questions never cancel).
    // defaultNo makes No the default button, else Yes is.
    virtual TConfirmAnswer Ask(const std::string& text, TQuestionButtons buttons,
                               bool defaultNo) = 0;
    // A refusal with caption "Error", an error icon and an OK button.
    virtual void ShowRefusal(const std::string& text) = 0;
    // The progress range 0..maximum, set before the engine is started.
    virtual void ShowProgressRange(int64_t maximum) = 0;
    // The position changed: the new position and the caption text (ProgressCaption).
    virtual void ShowProgress(int32_t position, const std::string& caption) = 0;
    // The engine entry returned: position back to 0.
    virtual void EndProgress() = 0;
    // The engine started on a file or entered a folder.
    virtual void ShowStatus(const std::string& path) = 0;
    // A millisecond counter that may wrap around at 2^32 (GetTickCount).
    virtual uint32_t TickCount() = 0;
    // The local date and time as the START and STOP lines show it: "Sun, 6 Dec 2026 5:33.35".
    virtual std::string DateTimeText() = 0;
};

enum class TRunCommand { Update, Verify };

// The number of workers that read and hash files: the number of processors, at most
// kMaxWorkers.
constexpr int kMaxWorkers = 64;
int DefaultWorkers();
// A worker count that leaves the choice to the disk of the run's folder (as stored too): one
// reader on a disk that seeks, DefaultWorkers() otherwise.
constexpr int kWorkersByDisk = 0;

// The values of a run, as the window's controls or the console's options hold them.
struct TRunSettings {
    std::string Folder;
    std::string FileMask = "*.*";
    std::string ChecksumFileName = "md5sum.lst";
    bool IncludeSubfolders = true;
    TOverwriteMode OverwriteMode = omAsk;
    int Format = 0; // 0 md5sum lists, 1 SFV lists, 2 sha256sum lists, 3 b3sum lists,
                    // 4 xxhsum -H2 lists
    TPlacementMode Placement = plTreeAnyPlace;
    int HeaderMode = 0; // 0 none, 1 standard, 2 WIN-SFV compatible, 3 none
    bool DetailedLog = false;
    // A script's run (the window's /a): the recursion question of a Verify is not asked,
    // the options stand as given.
    bool Scripted = false;
    // Nobody at the screen (/q): nothing is asked or shown. Every question is answered
    // "no" and logged with its answer (an ERROR line where the "no" refuses the run, else a
    // WARN line); a refusal is an ERROR line; the recursion question is not asked.
    bool Unattended = false;
    int Workers = kWorkersByDisk;   // threads that read and hash files, 1..kMaxWorkers, or 0
    // Update: files not written after their old list keep its digest and are not read.
    bool QuickUpdate = false;
    // Verify: a missing file found again under another name is one WARN line, "moved".
    bool MovedFiles = false;
    bool KeepFindings = false; // a report follows the run: Report() holds the findings
    TSlice Slice;              // Verify only this slice; an Update with one is refused
};

// The formats of written lists, in the order of the window's choice and of /f.
constexpr int kFormatCount = 5;

// The built-in checksum-file name of a format (0 md5sum, 1 SFV, 2 sha256sum, 3 b3sum,
// 4 xxhsum -H2) and placement: "md5sum.lst", "*.md5", "checksum.lst", "*.sfv",
// "sha256sum.lst", "*.sha256", "b3sums.lst", "*.b3", "xxh128sums.lst", "*.xxh128".
const char* DefaultChecksumName(int format, int placement);

// The digest a format writes; any other value writes md5sum lists.
TChecksumKind FormatChecksumKind(int format);

// The name a run uses: in the modes 3 and 4 a bare extension ("md5", ".md5") stands for
// "*.md5", for Update and Verify alike.
std::string ChecksumNameForPlacement(const std::string& name, TPlacementMode placement);

// Update names: false when the name cannot name a checksum file for the placement: an
// empty name, or one whose file name is "." or ".."; a folder part outside mode 0; in the
// modes 0 to 2 a wildcard or a name that as a mask would not match itself ("[ab].lst"); in
// the modes 3 and 4 an extension that comes out empty ("*.", "."), is ".." or holds a
// wildcard, or whose list names the mask misses.
bool IsValidUpdateName(const std::string& name, TPlacementMode placement);

enum class TRunOutcome {
    Completed, // the engine entry ran to its end
    Aborted,   // the user aborted the run (it still wrote STOP and the statistics)
    Refused,   // a check or a question ended it before the engine entry: no auto-exit
    Failed     // an unexpected failure ended it; an ERROR line says which
};

// The exit codes of a run, the console's and those of the window under /a.
constexpr int kExitClean = 0;   // no warning, failure or error
constexpr int kExitEdits = 1;   // edits only: warnings (updated, not listed, moved files)
constexpr int kExitErrors = 2;  // errors, a refused run, or a bad command line
constexpr int kExitAborted = 3; // aborted by the user
constexpr int kExitDamage = 4;  // failures: a file changed under an unchanged date, or missing

// The exit code of a run from its outcome and every line it logged; the highest concern
// wins: aborted, then errors, then damage, then edits. Every FAIL line is damage.
int RunExitCode(TRunOutcome outcome, const TLogTotals& totals);

class TRunController {
public:
    TRunController(TCheckSumEngine& engine, TRunFrontEnd& frontEnd, TNumberFormat format);
    TRunController(const TRunController&) = delete;
    TRunController& operator=(const TRunController&) = delete;

    // Performs one run. Never throws. Called while a run is active, it only requests an
    // abort, as a second press of the running button does, and returns Refused.
    TRunOutcome Run(TRunCommand command, const TRunSettings& settings);

    // Asks the engine to stop at its next checkpoint; may be called from inside the front
    // end's calls during a run. Unless confirmed, the user is asked first
    // ("You are really want abort?").
    void RequestAbort(bool confirmed = false);

    bool Running() const { return IsRunning; }
    // Hints, warnings, failures and errors the last run logged, from its first line.
    const TLogTotals& Totals() const { return RunTotals; }
    // The last run for its report, all but the exit code; its findings only when the
    // settings asked to keep them.
    const TRunReport& Report() const { return RunReport; }

private:
    void BindEvents(bool detailedLog);
    void Log(const TLogLine& line);
    // Logs a finding's line and keeps the finding for the report.
    void Log(const TLogLine& line, TReportFinding finding);
    // A finding of kind about path, with the engine's facts of the entry in work.
    TReportFinding EntryFact(const char* kind, const std::string& path) const;
    // The questions of the engine's events. The time they wait for the user is not the
    // run's: it counts neither in the statistics nor in the time left.
    TConfirmAnswer AskDuringRun(const std::string& text, TQuestionButtons buttons);
    // The front end's question, or in an unattended run "no" and a line of the kind given.
    TConfirmAnswer Ask(const std::string& text, TQuestionButtons buttons, bool defaultNo,
                       TLogKind unattendedKind);
    // The front end's refusal, or in an unattended run an ERROR line.
    void Refuse(const std::string& text);
    TConfirmAnswer AskEngineQuestion(const char* templ, const std::string& path);
    bool ChecksNamePasses(const TRunSettings& settings);
    void OnProgress(uint64_t doneBytes);
    // quick adds the line of the files hashed and kept.
    void LogStatistics(uint32_t elapsedMs, bool quick);
    // " (slice K of N)" during a run of one slice, else "".
    std::string SliceText() const;
    TRunOutcome Perform(TRunCommand command, const TRunSettings& settings);

    TCheckSumEngine& Engine;
    TRunFrontEnd& FrontEnd;
    TNumberFormat Format;
    bool IsRunning = false;
    bool Unattended = false; // of the run in hand
    bool AbortConfirmed = false;
    bool CountingTotals = false;
    TLogTotals RunTotals;
    bool KeepFindings = false;
    TRunReport RunReport;
    std::set<std::string> UnlistedFolders; // reported in this run
    TProgressRange Range;
    int32_t LastPosition = -1;
    uint32_t StartTick = 0;
};
