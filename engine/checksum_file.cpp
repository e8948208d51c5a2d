// Checksum files: loading, the overwrite decision and storing.
#include "engine/engine.h"

#include "engine/assertion.h"
#include "engine/lines.h"
#include "engine/list_reader.h"
#include "platform/files.h"

namespace {

constexpr char kCannotCreateFile[] = "Cannot create file ";
constexpr char kCannotOpenFile[] = "Cannot open file ";
constexpr char kStreamWriteError[] = "Stream write error";
constexpr uint32_t kAttrProtected = files::kAttrReadOnly | files::kAttrHidden | files::kAttrSystem;

// The header line, when there is one, and the lines of a list, with their line ends, handed to
// the save in pieces of some lines each, so that a long list is never held a second time as
// one text.
class TListContent : public files::TSaveContent {
public:
    TListContent(std::string header, const TListLines& lines, std::string lineEnd)
        : Lines(lines), LineEnd(std::move(lineEnd)), Piece(std::move(header)) {
        if (!Piece.empty())
            Piece += LineEnd;
    }
    bool Next(const char*& data, size_t& size, files::TErrorCode&) override {
        constexpr size_t kPiece = 1 << 16;
        if (Sent)
            Piece.clear();
        Sent = true;
        for (; Line < Lines.size() && Piece.size() < kPiece; ++Line) {
            Lines.AppendTo(Line, Piece);
            Piece += LineEnd;
        }
        data = Piece.data();
        size = Piece.size();
        return size != 0;
    }

private:
    const TListLines& Lines;
    const std::string LineEnd;
    size_t Line = 0;
    bool Sent = false; // the first piece, which starts with the header
    std::string Piece;
};

} // namespace

void TCheckSumEngine::ReportLoadError(const std::string& path) {
    Required(OnLoadError, "OnLoadError")(path, kCannotOpenFile + path);
}

bool TCheckSumEngine::IsChecksumFileOfKind(TListReader& list, TChecksumKind kind) const {
    TListLine line;
    while (list.Next(line))
        if (!lines::BelongsToKind(line.Class, kind))
            return false;
    return true;
}

bool TCheckSumEngine::MayWriteChecksumFile(const std::string& path) {
    files::TFoundFile existing;
    if (!Fs->GetFileInfo(path, existing))
        return true;

    // Only an explicit overwrite setting or a yes replaces the file; anything else keeps it.
    bool keep = OverwriteMode != omOverwrite;
    if (OverwriteMode == omAsk) {
        TConfirmAnswer answer = Required(OnConfirmOverwrite, "OnConfirmOverwrite")(path);
        keep = answer != caYes;
        if (answer != caYes && answer != caNo)
            SetAborted(true);
    }
    if (keep)
        return false;
    // A link to outside the tree is replaced by the list, never read through.
    if (existing.LeadsOutside)
        return true;

    // A list that cannot be read is replaced, once the load error is told.
    TListReader list(*Fs);
    const bool ofKind = list.Open(path) && IsChecksumFileOfKind(list, ChecksumKind);
    if (list.Failed()) {
        ReportLoadError(path);
        return true;
    }
    if (ofKind)
        return true;
    TConfirmAnswer answer = Required(OnConfirmOverwriteForeign, "OnConfirmOverwriteForeign")(path);
    if (answer == caYes)
        return true;
    if (answer != caNo)
        SetAborted(true);
    return false;
}

void TCheckSumEngine::SaveChecksumFile(const TListLines& listLines, const std::string& path,
                                       const std::string& folderText) {
    files::TErrorCode error = 0;
    if (listLines.empty()) {
        if (Fs->RemoveFile(path, error))
            Required(OnOldChecksumFileDeleted, "OnOldChecksumFileDeleted")(folderText);
        else
            Required(OnEmptyFolderSkipped, "OnEmptyFolderSkipped")(folderText);
        return;
    }
    // One reading of the clock, so date and time cannot straddle midnight.
    std::string header = lines::HeaderLine(HeaderMode, Fs->LocalNow(), Fs->TimeSeparator());

    // A read-only, hidden or system file cannot be replaced; the new file gets the
    // old attributes back, and so does the old file when the write fails.
    uint32_t attributes = 0;
    bool cleared = Fs->GetAttributes(path, attributes) && (attributes & kAttrProtected) != 0;
    if (cleared)
        Fs->SetAttributes(path, attributes & ~kAttrProtected);

    TListContent content(std::move(header), listLines, lines::ListLineEnd(ChecksumKind));
    files::TSaveReport report;
    files::TSaveStatus status = Fs->SaveFileFrom(path, content, files::TSaveTarget::List, report);
    error = report.Error;
    if (cleared)
        Fs->SetAttributes(path, attributes);

    if (status == files::TSaveStatus::Ok) {
        if (report.OtherNamesKept)
            Required(OnOtherNamesKept, "OnOtherNamesKept")(path);
        return;
    }
    std::string message =
        status == files::TSaveStatus::WriteFailed ? kStreamWriteError : kCannotCreateFile + path;
    if (error != 0)
        message += ": " + Fs->ErrorText(error);
    Required(OnSaveError, "OnSaveError")(path, message);
}
