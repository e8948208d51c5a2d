#include "app/run.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

#include "engine/mask.h"
#include "engine/names.h"
#include "platform/blanks.h"
#include "platform/files.h"
#include "app/texts.h"

namespace {

// The lines of a message box's text ("\r" between them) as one log line.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r')
            c = ' ';
    return text;
}

// A finding about a list (then list is its path) or a folder.
TReportFinding Fact(const char* kind, const std::string& path, const std::string& list = "") {
    TReportFinding finding;
    finding.Kind = kind;
    finding.Path = path;
    finding.List = list;
    return finding;
}

TReportFinding WithError(TReportFinding finding, uint32_t error, const std::string& errorText) {
    finding.HasError = true;
    finding.Error = error;
    finding.ErrorText = errorText;
    return finding;
}

const char* OutcomeName(TRunOutcome outcome) {
    switch (outcome) {
    case TRunOutcome::Completed:
        return "completed";
    case TRunOutcome::Aborted:
        return "aborted";
    case TRunOutcome::Refused:
        return "refused";
    case TRunOutcome::Failed:
        break;
    }
    return "failed";
}

// Clears every event slot of the engine.
void UnbindEvents(TCheckSumEngine& engine) {
#define TLVN_UNBIND_EVENT(name, signature) engine.name = nullptr;
    TLVN_ENGINE_EVENTS(TLVN_UNBIND_EVENT)
#undef TLVN_UNBIND_EVENT
}

// Ends the run on every way out of Run: the engine keeps no handler of the controller,
// which may be gone before the engine is used again.
class TRunScope {
public:
    TRunScope(TCheckSumEngine& engine, bool& running) : Engine(engine), Running(running) {
        Running = true;
    }
    ~TRunScope() {
        Running = false;
        UnbindEvents(Engine);
    }
    TRunScope(const TRunScope&) = delete;
    TRunScope& operator=(const TRunScope&) = delete;

private:
    TCheckSumEngine& Engine;
    bool& Running;
};

} // namespace

int DefaultWorkers() {
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxWorkers);
}

const char* DefaultChecksumName(int format, int placement) {
    const bool perFile = placement == plFolderNamedAfterFolder || placement == plPerFile;
    if (format == 1)
        return perFile ? "*.sfv" : "checksum.lst";
    if (format == 2)
        return perFile ? "*.sha256" : "sha256sum.lst";
    if (format == 3)
        return perFile ? "*.b3" : "b3sums.lst";
    if (format == 4)
        return perFile ? "*.xxh128" : "xxh128sums.lst";
    return perFile ? "*.md5" : "md5sum.lst";
}

TChecksumKind FormatChecksumKind(int format) {
    static const TChecksumKind kKinds[kFormatCount] = {ckMD5, ckCRC32, ckSHA256, ckBLAKE3,
                                                       ckXXH128};
    return format > 0 && format < kFormatCount ? kKinds[format] : ckMD5;
}

namespace {

bool PerFileOrFolderName(TPlacementMode placement) {
    return placement == plFolderNamedAfterFolder || placement == plPerFile;
}

} // namespace

std::string ChecksumNameForPlacement(const std::string& name, TPlacementMode placement) {
    if (!PerFileOrFolderName(placement) || IsBlankText(name) || name[0] == '*' ||
        !IsPlainFileName(name))
        return name;
    return "*." + name.substr(name[0] == '.' ? 1 : 0);
}

bool IsValidUpdateName(const std::string& name, TPlacementMode placement) {
    // "sub/.." or "." names a folder, not a file.
    const std::string fileName = name.substr(name.find_last_of(kComponentEnds) + 1);
    if (IsBlankText(fileName) || IsDotName(fileName))
        return false;
    // Only mode 0 has a place for a list in another folder.
    const bool plain = IsPlainFileName(name);
    if (!plain && placement != plTreeAnyPlace)
        return false;
    if (!PerFileOrFolderName(placement)) {
        // One name, which is also the mask that keeps the lists out of the listings.
        return name.find_first_of("*?") == std::string::npos && (!plain || MatchesMask(name, name));
    }
    // "*.md5" and "*md5" give ".md5", "*." gives ".".
    const std::string extension = ChecksumFileExtension(name);
    return !IsBlankText(extension.substr(1)) && !IsDotName(extension) &&
           extension.find_first_of("*?") == std::string::npos && MatchesMask("x" + extension, name);
}

int RunExitCode(TRunOutcome outcome, const TLogTotals& totals) {
    switch (outcome) {
    case TRunOutcome::Aborted:
        return kExitAborted;
    case TRunOutcome::Refused:
    case TRunOutcome::Failed:
        return kExitErrors;
    case TRunOutcome::Completed:
        break;
    }
    if (totals.Errors > 0)
        return kExitErrors;
    if (totals.Failures > 0)
        return kExitDamage;
    if (totals.Warnings > 0)
        return kExitEdits;
    return kExitClean;
}

TRunController::TRunController(TCheckSumEngine& engine, TRunFrontEnd& frontEnd,
                               TNumberFormat format)
    : Engine(engine), FrontEnd(frontEnd), Format(std::move(format)) {}

TRunOutcome TRunController::Run(TRunCommand command, const TRunSettings& settings) {
    if (IsRunning) {
        RequestAbort();
        return TRunOutcome::Refused;
    }
    TRunScope scope(Engine, IsRunning);
    Unattended = settings.Unattended;
    AbortConfirmed = false;
    CountingTotals = false;
    RunTotals = TLogTotals();
    UnlistedFolders.clear();
    RunReport = TRunReport();
    RunReport.Start = UtcTimeText();
    KeepFindings = settings.KeepFindings;
    TRunOutcome outcome = TRunOutcome::Failed;
    try {
        outcome = Perform(command, settings);
    } catch (...) {
        try {
            FrontEnd.EndProgress();
            Log({FormatText(texts::kLogRunFailed, {DescribeFailure(std::current_exception())}),
                 lkError},
                Fact("runFailed", ""));
        } catch (...) {
        }
    }
    RunReport.Command = command == TRunCommand::Update ? "update" : "verify";
    RunReport.Folder = Engine.FolderPath;
    RunReport.FileMask = Engine.FileMask;
    RunReport.ChecksumFileName = Engine.ChecksumFileName;
    RunReport.Placement = Engine.Placement;
    RunReport.Format = settings.Format;
    RunReport.Slice = Engine.Slice;
    RunReport.End = UtcTimeText();
    RunReport.Outcome = OutcomeName(outcome);
    RunReport.Totals = RunTotals;
    return outcome;
}

void TRunController::RequestAbort(bool confirmed) {
    if (!IsRunning)
        return;
    AbortConfirmed = confirmed;
    Engine.SetAborted(true);
    AbortConfirmed = false;
}

void TRunController::Log(const TLogLine& line) {
    if (CountingTotals)
        RunTotals.Count(line.Kind);
    FrontEnd.AddLogLine(line);
}

void TRunController::Log(const TLogLine& line, TReportFinding finding) {
    if (KeepFindings && CountingTotals) {
        finding.Level = line.Kind;
        finding.Message = line.Text;
        RunReport.Findings.push_back(std::move(finding));
    }
    Log(line);
}

TReportFinding TRunController::EntryFact(const char* kind, const std::string& path) const {
    TReportFinding finding = Fact(kind, path, Engine.Finding.List);
    finding.Expected = Engine.Finding.Expected;
    finding.Found = Engine.Finding.Computed;
    return finding;
}

TConfirmAnswer TRunController::Ask(const std::string& text, TQuestionButtons buttons,
                                   bool defaultNo, TLogKind unattendedKind) {
    if (!Unattended)
        return FrontEnd.Ask(text, buttons, defaultNo);
    Log({FormatText(texts::kLogUnattendedNo, {OneLine(text)}), unattendedKind});
    return caNo;
}

void TRunController::Refuse(const std::string& text) {
    if (Unattended)
        Log({OneLine(text), lkError});
    else
        FrontEnd.ShowRefusal(text);
}

TConfirmAnswer TRunController::AskDuringRun(const std::string& text, TQuestionButtons buttons) {
    const uint32_t asked = FrontEnd.TickCount();
    const TConfirmAnswer answer = Ask(text, buttons, false, lkWarn);
    // The run's clock starts later by the time the question waited for the user.
    StartTick += FrontEnd.TickCount() - asked;
    return answer;
}

TConfirmAnswer TRunController::AskEngineQuestion(const char* templ, const std::string& path) {
    const TConfirmAnswer answer =
        AskDuringRun(FormatText(templ, {path}), TQuestionButtons::YesNoCancel);
    return answer == caYes || answer == caNo ? answer : caCancel;
}

void TRunController::BindEvents(bool detailedLog) {
    // Every slot starts empty, so none keeps a handler that the controller does not set here.
    UnbindEvents(Engine);
    files::TFileSystem& fs = Engine.FileSystem();
    Engine.OnProgress = [this](uint64_t doneBytes) { OnProgress(doneBytes); };
    Engine.OnProcessing = [this](const std::string& path) { FrontEnd.ShowStatus(path); };
    // Nobody is there to confirm an abort in an unattended run: a press of the button is it.
    Engine.OnConfirmAbort = [this] {
        return AbortConfirmed || Unattended ||
               AskDuringRun(texts::kAskAbort, TQuestionButtons::YesNo) == caYes;
    };
    Engine.OnConfirmOverwrite = [this](const std::string& path) {
        return AskEngineQuestion(texts::kAskOverwrite, path);
    };
    Engine.OnConfirmOverwriteForeign = [this](const std::string& path) {
        return AskEngineQuestion(texts::kAskOverwriteForeign, path);
    };
    Engine.OnConfirmContinueForeign = [this](const std::string& path) {
        return AskEngineQuestion(texts::kAskContinueForeign, path);
    };
    Engine.OnFileOpenError = [this, &fs](const std::string& path, uint32_t error) {
        const std::string text = fs.ErrorText(error);
        Log(FileOpenErrorLine(path, error, text),
            WithError(EntryFact("fileOpenError", path), error, text));
    };
    Engine.OnChecksumFileSkipped = [this](const std::string& path) {
        Log(ChecksumFileSkippedLine(path), Fact("checksumFileSkipped", path, path));
    };
    Engine.OnInvalidLine = [this](const std::string& path, int32_t line) {
        Log(InvalidLineLine(path, line), Fact("invalidLine", path, path));
    };
    Engine.OnFileMissing = [this](const std::string& path) {
        Log(FileMissingLine(path), EntryFact("fileMissing", path));
    };
    Engine.OnFileUpdated = [this](const std::string& path) {
        Log(FileUpdatedLine(path), EntryFact("fileUpdated", path));
    };
    Engine.OnChecksumMismatch = [this](const std::string& path) {
        Log(ChecksumMismatchLine(path), EntryFact("checksumMismatch", path));
    };
    Engine.OnFileNotListed = [this](const std::string& path) {
        Log(FileNotListedLine(path), EntryFact("fileNotListed", path));
    };
    Engine.OnFileMoved = [this](const std::string& from, const std::string& to) {
        TReportFinding finding = EntryFact("moved", to);
        finding.From = from;
        finding.To = to;
        Log(FileMovedLine(from, to), finding);
    };
    Engine.OnMovesNotPaired = [this](const std::string& scope) {
        Log(MovesNotPairedLine(scope), EntryFact("movesNotPaired", scope));
    };
    Engine.OnOldChecksumFileDeleted = [this](const std::string& folder) {
        Log(OldChecksumFileDeletedLine(folder), Fact("oldChecksumFileDeleted", folder));
    };
    Engine.OnEmptyFolderSkipped = [this](const std::string& folder) {
        Log(EmptyFolderSkippedLine(folder), Fact("emptyFolderSkipped", folder));
    };
    Engine.OnNoChecksumFile = [this](const std::string& folder) {
        Log(NoChecksumFileLine(folder), Fact("noChecksumFile", folder));
    };
    Engine.OnFileReadError = [this, &fs](const std::string& path, uint32_t error,
                                         uint64_t bytesRead) {
        const std::string text = fs.ErrorText(error);
        Log(FileReadErrorLine(path, error, bytesRead, text),
            WithError(EntryFact("fileReadError", path), error, text));
    };
    // The pre-count and the run list the same folders, and a folder's files and its
    // sub-folders fail together: one line per folder and run.
    auto listError = [this, &fs](const std::string& folder, uint32_t error) {
        const std::string text = fs.ErrorText(error);
        if (UnlistedFolders.insert(folder).second)
            Log(FolderListErrorLine(folder, error, text),
                WithError(Fact("folderListError", folder), error, text));
    };
    Engine.OnFileListError = listError;
    Engine.OnFolderListError = listError;
    Engine.OnLoadError = [this](const std::string& path, const std::string& message) {
        TReportFinding finding = Fact("loadError", path, path);
        finding.ErrorText = message;
        Log(LoadErrorLine(path, message), finding);
    };
    Engine.OnSaveError = [this](const std::string& path, const std::string& message) {
        TReportFinding finding = Fact("saveError", path, path);
        finding.ErrorText = message;
        Log(SaveErrorLine(path, message), finding);
    };
    Engine.OnOldChecksumFileKept = [this](const std::string& path) {
        Log(OldChecksumFileKeptLine(path), Fact("oldChecksumFileKept", path, path));
    };
    Engine.OnOldLinesCarried = [this](const std::string& path, int32_t lines) {
        Log(OldLinesCarriedLine(path, lines), Fact("oldLinesCarried", path, path));
    };
    Engine.OnEntryOutsideTree = [this](const std::string& path) {
        Log(EntryOutsideTreeLine(path), EntryFact("entryOutsideTree", path));
    };
    Engine.OnOldListNotTrusted = [this](const std::string& path, int32_t reason) {
        Log(OldListNotTrustedLine(path, reason));
    };
    Engine.OnEntriesDropped = [this](const std::string& path, int32_t count) {
        Log(EntriesDroppedLine(path, count));
    };
    Engine.OnLinkOutsideTree = [this](const std::string& path) { Log(LinkOutsideTreeLine(path)); };
    Engine.OnFileChanged = [this](const std::string& path) { Log(FileChangedLine(path)); };
    Engine.OnOtherNamesKept = [this](const std::string& path) { Log(OtherNamesKeptLine(path)); };
    if (detailedLog) {
        Engine.OnChecksumOk = [this](const std::string& path, const std::string& kindName,
                                     const std::string& checksum) {
            Log(ChecksumOkLine(path, kindName, checksum));
        };
        Engine.OnEntryDropped = [this](const std::string& path) { Log(EntryDroppedLine(path)); };
    }
}

bool TRunController::ChecksNamePasses(const TRunSettings& settings) {
    const std::string& name = Engine.ChecksumFileName;
    const std::string upper = lines::AsciiUpper(name);
    std::string question;
    if (Engine.ChecksumKind == ckMD5 && upper.find("SFV") != std::string::npos)
        question = texts::kAskMD5NameHasSFV;
    else if (Engine.ChecksumKind == ckCRC32 && upper.find("MD5") != std::string::npos)
        question = texts::kAskSFVNameHasMD5;
    // The tags of the other formats that a SHA-256, BLAKE3 or XXH128 list's name should not
    // hold.
    std::vector<const char*> others;
    if (Engine.ChecksumKind == ckSHA256)
        others = {"MD5", "SFV"};
    else if (Engine.ChecksumKind == ckBLAKE3)
        others = {"MD5", "SFV", "SHA", "XXH"};
    else if (Engine.ChecksumKind == ckXXH128)
        others = {"MD5", "SFV", "SHA", "BLAKE3"};
    for (const char* other : others)
        if (question.empty() && upper.find(other) != std::string::npos)
            question = FormatText(texts::kAskFormatNameHasOther,
                                  {texts::kFormatNames[settings.Format], other});
    if (!question.empty() && Ask(question, TQuestionButtons::YesNo, true, lkError) != caYes)
        return false;
    if (!IsValidUpdateName(name, settings.Placement)) {
        Refuse(texts::kRefuseInvalidName);
        return false;
    }
    // A plain name is also the mask that keeps checksum files out of the lists: one that
    // cannot be read would exclude nothing.
    std::string message;
    if (IsPlainFileName(name) && !IsValidMask(name, message)) {
        Refuse(message);
        return false;
    }
    return true;
}

void TRunController::OnProgress(uint64_t doneBytes) {
    const int32_t position = ProgressPosition(Range, doneBytes);
    if (position == LastPosition)
        return;
    const uint32_t elapsed = FrontEnd.TickCount() - StartTick;
    FrontEnd.ShowProgress(position, ProgressCaption(Range, doneBytes, elapsed, Format));
    LastPosition = position;
}

std::string TRunController::SliceText() const {
    if (Engine.Slice.Count == 0)
        return "";
    return FormatText(texts::kLogSlice, {Engine.Slice.Index, Engine.Slice.Count});
}

void TRunController::LogStatistics(uint32_t elapsedMs, bool quick) {
    if (Engine.FilesProcessed < 1 && Engine.FilesKept < 1) {
        Log({texts::kLogNoFilesProcessed + SliceText(), lkStat});
        return;
    }
    const long double bytes = static_cast<long double>(Engine.BytesProcessed);
    const TScaledSize total = ScaleSize(bytes);
    const TScaledSize rate = ScaleSize(elapsedMs == 0 ? 0 : bytes * 1000 / elapsedMs);
    Log({FormatText(texts::kLogStatistics,
                    {total.Value, total.Unit, Engine.FilesProcessed,
                     static_cast<long double>(elapsedMs) / 1000, rate.Value, rate.Unit},
                    Format) +
             SliceText(),
         lkStat});
    if (quick)
        Log({FormatText(texts::kLogQuickStatistics, {Engine.FilesProcessed, Engine.FilesKept}),
             lkStat});
    Log({FormatText(texts::kLogTotals,
                    {RunTotals.Hints, RunTotals.Warnings, RunTotals.Failures, RunTotals.Errors}),
         lkStat});
}

TRunOutcome TRunController::Perform(TRunCommand command, const TRunSettings& settings) {
    const bool update = command == TRunCommand::Update;
    const TRunOutcome refused = TRunOutcome::Refused;
    Engine.SetAborted(false);
    Engine.SetFolderPath(settings.Folder);
    Engine.SetFileMask(settings.FileMask);
    Engine.IncludeSubfolders = settings.IncludeSubfolders;
    Engine.Placement = settings.Placement >= plTreeAnyPlace && settings.Placement <= plPerFile
                           ? settings.Placement
                           : plTreeAnyPlace;
    Engine.ChecksumFileName = ChecksumNameForPlacement(settings.ChecksumFileName, Engine.Placement);
    Engine.OverwriteMode = settings.OverwriteMode;
    Engine.SetChecksumKind(FormatChecksumKind(settings.Format));
    const bool byDisk = settings.Workers == kWorkersByDisk;
    const bool rotational = byDisk && Engine.FileSystem().OnRotationalDisk(settings.Folder);
    Engine.Workers =
        byDisk ? (rotational ? 1 : DefaultWorkers()) : std::clamp(settings.Workers, 1, kMaxWorkers);
    Engine.QuickUpdate = settings.QuickUpdate;
    Engine.MovedFiles = settings.MovedFiles;
    Engine.Slice = update ? TSlice() : settings.Slice;
    BindEvents(settings.DetailedLog);

    // An empty folder would mean the program's current folder, where nobody asked for lists.
    if (IsBlankText(settings.Folder)) {
        Refuse(texts::kRefuseNoFolder);
        return refused;
    }
    // A filter with a folder part would list another folder than the tree's own.
    if (!IsPlainFileName(Engine.FileMask)) {
        FrontEnd.ShowRefusal(FormatText(texts::kRefuseInvalidMask, {Engine.FileMask}));
        return refused;
    }
    if (update && settings.Slice.Count > 0) {
        FrontEnd.ShowRefusal(texts::kRefuseSliceUpdate);
        return refused;
    }
    if (update && !ChecksNamePasses(settings))
        return Engine.Aborted ? TRunOutcome::Aborted : refused;

    // The totals count every finding of the run, those of the counting pass too.
    CountingTotals = true;
    Log({texts::kLogCalculating, lkPlain});
    if (update)
        Engine.CountUpdateData();
    else
        Engine.CountVerifyData();
    const uint64_t totalBytes = Engine.BytesProcessed;
    const TScaledSize total = ScaleSize(static_cast<long double>(totalBytes));
    if (!Engine.FailureText.empty()) {
        Log({FormatText(texts::kLogRunFailed, {Engine.FailureText}), lkError},
            Fact("runFailed", ""));
        return TRunOutcome::Failed;
    }
    Log({FormatText(texts::kLogCounted, {total.Value, total.Unit, Engine.FilesProcessed}, Format) +
             SliceText() + (rotational ? texts::kLogRotationalDisk : ""),
         lkPlain});
    // A filter that matches nothing (a typing error) must not delete every list.
    if (update && Engine.FilesProcessed == 0 && !Engine.Aborted) {
        Log({FormatText(texts::kLogNothingToUpdate, {Engine.FolderPath, Engine.FileMask}), lkHint},
            Fact("nothingToUpdate", Engine.FolderPath));
        return TRunOutcome::Completed;
    }

    if (!update && !settings.Scripted && !settings.Unattended && !Engine.Aborted &&
        Engine.Placement <= plTreeRoot && Engine.IncludeSubfolders) {
        const TConfirmAnswer answer =
            FrontEnd.Ask(texts::kAskDisableRecursion, TQuestionButtons::YesNoCancel, false);
        if (Engine.Aborted)
            return TRunOutcome::Aborted;
        if (answer == caYes)
            Engine.IncludeSubfolders = false;
        else if (answer != caNo)
            return refused;
    }

    Range = MakeProgressRange(totalBytes);
    LastPosition = -1;
    FrontEnd.ShowProgressRange(Range.ProgressMax);
    const char* operation = update ? texts::kOperationUpdate : texts::kOperationVerify;
    Log({FormatText(texts::kLogStart, {FrontEnd.DateTimeText(), operation, Engine.FolderPath,
                                       Engine.FileMask, Engine.ChecksumFileName}),
         lkStart});

    StartTick = FrontEnd.TickCount();
    if (update)
        Engine.Update(static_cast<THeaderMode>(settings.HeaderMode));
    else
        Engine.Verify();
    // Modular: one wrap of the 32-bit counter still gives the true time.
    const uint32_t elapsed = FrontEnd.TickCount() - StartTick;
    FrontEnd.EndProgress();
    CountingTotals = false;

    // Only a confirmed abort is the user's; a failure inside the engine is an error.
    const bool failed = !Engine.FailureText.empty();
    if (failed)
        Log({FormatText(texts::kLogRunFailed, {Engine.FailureText}), lkError},
            Fact("runFailed", ""));
    RunReport.Bytes = Engine.BytesProcessed;
    RunReport.Files = Engine.FilesProcessed;
    RunReport.ElapsedMs = elapsed;
    const bool aborted = !failed && Engine.Aborted;
    Log({FormatText(failed    ? texts::kLogStopFailed
                    : aborted ? texts::kLogStopAborted
                              : texts::kLogStopCompleted,
                    {FrontEnd.DateTimeText(), operation}),
         lkStop});
    LogStatistics(elapsed, update && Engine.QuickUpdate);
    return failed ? TRunOutcome::Failed : aborted ? TRunOutcome::Aborted : TRunOutcome::Completed;
}
