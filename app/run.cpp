#include "app/run.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "engine/mask.h"
#include "engine/names.h"
#include "platform/blanks.h"
#include "platform/files.h"
#include "app/texts.h"

namespace {

std::string AsciiUpper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
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
    return perFile ? "*.md5" : "md5sum.lst";
}

TChecksumKind FormatChecksumKind(int format) {
    return format == 1 ? ckCRC32 : format == 2 ? ckSHA256 : ckMD5;
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
    if (IsBlankText(name))
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
    return !IsBlankText(extension.substr(1)) &&
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
    if (totals.Warnings > 0 || totals.Failures > 0)
        return kExitFindings;
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
    AbortConfirmed = false;
    CountingTotals = false;
    RunTotals = TLogTotals();
    UnlistedFolders.clear();
    try {
        return Perform(command, settings);
    } catch (...) {
        try {
            FrontEnd.EndProgress();
            Log({FormatText(texts::kLogRunFailed, {DescribeFailure(std::current_exception())}),
                 lkError});
        } catch (...) {
        }
    }
    return TRunOutcome::Failed;
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

TConfirmAnswer TRunController::AskEngineQuestion(const char* templ, const std::string& path) {
    const TConfirmAnswer answer =
        FrontEnd.Ask(FormatText(templ, {path}), TQuestionButtons::YesNoCancel, false);
    return answer == caYes || answer == caNo ? answer : caCancel;
}

void TRunController::BindEvents(bool detailedLog) {
    // Every slot starts empty, so none keeps a handler that the controller does not set here.
    UnbindEvents(Engine);
    files::TFileSystem& fs = Engine.FileSystem();
    Engine.OnProgress = [this](uint64_t doneBytes) { OnProgress(doneBytes); };
    Engine.OnProcessing = [this](const std::string& path) { FrontEnd.ShowStatus(path); };
    Engine.OnConfirmAbort = [this] {
        return AbortConfirmed ||
               FrontEnd.Ask(texts::kAskAbort, TQuestionButtons::YesNo, false) == caYes;
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
        Log(FileOpenErrorLine(path, error, fs.ErrorText(error)));
    };
    Engine.OnChecksumFileSkipped = [this](const std::string& path) {
        Log(ChecksumFileSkippedLine(path));
    };
    Engine.OnInvalidLine = [this](const std::string& path, int32_t line) {
        Log(InvalidLineLine(path, line));
    };
    Engine.OnFileMissing = [this](const std::string& path) { Log(FileMissingLine(path)); };
    Engine.OnFileUpdated = [this](const std::string& path) { Log(FileUpdatedLine(path)); };
    Engine.OnChecksumMismatch = [this](const std::string& path) {
        Log(ChecksumMismatchLine(path));
    };
    Engine.OnFileNotListed = [this](const std::string& path) { Log(FileNotListedLine(path)); };
    Engine.OnOldChecksumFileDeleted = [this](const std::string& folder) {
        Log(OldChecksumFileDeletedLine(folder));
    };
    Engine.OnEmptyFolderSkipped = [this](const std::string& folder) {
        Log(EmptyFolderSkippedLine(folder));
    };
    Engine.OnNoChecksumFile = [this](const std::string& folder) {
        Log(NoChecksumFileLine(folder));
    };
    Engine.OnFileReadError = [this, &fs](const std::string& path, uint32_t error,
                                         uint64_t bytesRead) {
        Log(FileReadErrorLine(path, error, bytesRead, fs.ErrorText(error)));
    };
    // The pre-count and the run list the same folders, and a folder's files and its
    // sub-folders fail together: one line per folder and run.
    auto listError = [this, &fs](const std::string& folder, uint32_t error) {
        if (UnlistedFolders.insert(folder).second)
            Log(FolderListErrorLine(folder, error, fs.ErrorText(error)));
    };
    Engine.OnFileListError = listError;
    Engine.OnFolderListError = listError;
    Engine.OnLoadError = [this](const std::string& path, const std::string& message) {
        Log(LoadErrorLine(path, message));
    };
    Engine.OnSaveError = [this](const std::string& path, const std::string& message) {
        Log(SaveErrorLine(path, message));
    };
    Engine.OnOldChecksumFileKept = [this](const std::string& path) {
        Log(OldChecksumFileKeptLine(path));
    };
    Engine.OnOldLinesCarried = [this](const std::string& path, int32_t lines) {
        Log(OldLinesCarriedLine(path, lines));
    };
    Engine.OnEntryOutsideTree = [this](const std::string& path) {
        Log(EntryOutsideTreeLine(path));
    };
    if (detailedLog)
        Engine.OnChecksumOk = [this](const std::string& path, const std::string& kindName,
                                     const std::string& checksum) {
            Log(ChecksumOkLine(path, kindName, checksum));
        };
}

bool TRunController::ChecksNamePasses(const TRunSettings& settings) {
    const std::string& name = Engine.ChecksumFileName;
    const std::string upper = AsciiUpper(name);
    std::string question;
    if (Engine.ChecksumKind == ckMD5 && upper.find("SFV") != std::string::npos)
        question = texts::kAskMD5NameHasSFV;
    else if (Engine.ChecksumKind == ckCRC32 && upper.find("MD5") != std::string::npos)
        question = texts::kAskSFVNameHasMD5;
    for (const char* other : {"MD5", "SFV"})
        if (Engine.ChecksumKind == ckSHA256 && question.empty() &&
            upper.find(other) != std::string::npos)
            question = FormatText(texts::kAskSHA256NameHasOther, {other});
    if (!question.empty() && FrontEnd.Ask(question, TQuestionButtons::YesNo, true) != caYes)
        return false;
    if (!IsValidUpdateName(name, settings.Placement)) {
        FrontEnd.ShowRefusal(texts::kRefuseInvalidName);
        return false;
    }
    // A plain name is also the mask that keeps checksum files out of the lists: one that
    // cannot be read would exclude nothing.
    std::string message;
    if (IsPlainFileName(name) && !IsValidMask(name, message)) {
        FrontEnd.ShowRefusal(message);
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

void TRunController::LogStatistics(uint32_t elapsedMs) {
    if (Engine.FilesProcessed < 1) {
        Log({texts::kLogNoFilesProcessed, lkStat});
        return;
    }
    const long double bytes = static_cast<long double>(Engine.BytesProcessed);
    const TScaledSize total = ScaleSize(bytes);
    const TScaledSize rate = ScaleSize(elapsedMs == 0 ? 0 : bytes * 1000 / elapsedMs);
    Log({FormatText(texts::kLogStatistics,
                    {total.Value, total.Unit, Engine.FilesProcessed,
                     static_cast<long double>(elapsedMs) / 1000, rate.Value, rate.Unit},
                    Format),
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
    Engine.Workers = std::clamp(settings.Workers, 1, kMaxWorkers);
    BindEvents(settings.DetailedLog);

    // An empty folder would mean the program's current folder, where nobody asked for lists.
    if (IsBlankText(settings.Folder)) {
        FrontEnd.ShowRefusal(texts::kRefuseNoFolder);
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
        Log({FormatText(texts::kLogRunFailed, {Engine.FailureText}), lkError});
        return TRunOutcome::Failed;
    }
    Log({FormatText(texts::kLogCounted, {total.Value, total.Unit, Engine.FilesProcessed}, Format),
         lkPlain});
    // A filter that matches nothing (a typing error) must not delete every list.
    if (update && Engine.FilesProcessed == 0 && !Engine.Aborted) {
        Log({FormatText(texts::kLogNothingToUpdate, {Engine.FolderPath, Engine.FileMask}), lkHint});
        return TRunOutcome::Completed;
    }

    if (!update && !settings.Unattended && !Engine.Aborted && Engine.Placement <= plTreeRoot &&
        Engine.IncludeSubfolders) {
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
        Log({FormatText(texts::kLogRunFailed, {Engine.FailureText}), lkError});
    const bool aborted = !failed && Engine.Aborted;
    Log({FormatText(failed    ? texts::kLogStopFailed
                    : aborted ? texts::kLogStopAborted
                              : texts::kLogStopCompleted,
                    {FrontEnd.DateTimeText(), operation}),
         lkStop});
    LogStatistics(elapsed);
    return failed ? TRunOutcome::Failed : aborted ? TRunOutcome::Aborted : TRunOutcome::Completed;
}
