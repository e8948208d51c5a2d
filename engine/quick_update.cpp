// Quick update: the digests that an Update keeps from the old lists instead of reading the
// files again. A file keeps its digest only when the old list is of the kind written, reads
// without error, is not newer than the run, names the file exactly once, and the file was
// not written after the list (the date rule of Verify's "has been updated").
#include "engine/engine.h"

#include <algorithm>

#include "engine/assertion.h"
#include "engine/lines.h"
#include "engine/list_reader.h"
#include "platform/files.h"

namespace {

// A local time packed as a file age (files::TFoundFile::Age); 0 outside the years it holds.
uint32_t AgeOf(const files::TLocalTime& time) {
    if (time.Year < 1980 || time.Year > 2107)
        return 0;
    const uint32_t date = (static_cast<uint32_t>(time.Year - 1980) << 9) |
                          (static_cast<uint32_t>(time.Month) << 5) |
                          static_cast<uint32_t>(time.Day);
    const uint32_t clock = (static_cast<uint32_t>(time.Hour) << 11) |
                           (static_cast<uint32_t>(time.Minute) << 5) |
                           static_cast<uint32_t>(time.Second / 2);
    return (date << 16) | clock;
}

// Puts the digest in the case a full update writes: CRC-32 in upper case, the others in
// lower case.
void WriteCase(std::string& checksum, TChecksumKind kind) {
    for (char& c : checksum)
        if (kind == ckCRC32 && c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
        else if (kind != ckCRC32 && c >= 'A' && c <= 'F')
            c = static_cast<char>(c - 'A' + 'a');
}

} // namespace

void TCheckSumEngine::LoadOldDigests(const std::string& path) {
    OldDigests.Clear();
    if (!QuickUpdate)
        return;
    if (RunStartAge == 0)
        RunStartAge = AgeOf(Fs->LocalNow());
    files::TFoundFile info;
    if (!Fs->GetFileInfo(path, info) || info.IsDirectory())
        return; // no old list: every file is new
    auto doubt = [this, &path](TOldListDoubt reason) {
        OldDigests.Clear();
        Required(OnOldListNotTrusted, "OnOldListNotTrusted")(path, reason);
    };
    // A list from the future says nothing about the files' dates.
    if (info.Age == 0 || info.Age > RunStartAge)
        return doubt(odNewerThanRun);
    OldListAge = info.Age;
    TListReader list(*Fs);
    if (!list.Open(path))
        return doubt(odUnreadable);
    TListLine line;
    while (list.Next(line)) {
        if (!lines::BelongsToKind(line.Class, ChecksumKind))
            return doubt(odOtherKind);
        if (!IsEntryClass(line.Class))
            continue;
        WriteCase(line.Checksum, ChecksumKind);
        OldDigests.Add(line.Name, line.Checksum);
    }
    if (list.Failed())
        doubt(odUnreadable);
}

std::optional<std::string_view> TCheckSumEngine::KeptDigest(std::string_view entryName,
                                                            const TFileListItem& item) {
    TOldDigests::TEntry* entry = OldDigests.Find(entryName);
    if (!entry)
        return std::nullopt;
    entry->Met = true;
    if (!entry->Trusted || item.Age == 0 || item.Age > OldListAge)
        return std::nullopt;
    ++FilesKept;
    return OldDigests.Checksum(*entry);
}

void TCheckSumEngine::ReportDroppedEntries(const std::string& path, const std::string& folder) {
    std::vector<std::string> dropped = OldDigests.Unmet();
    OldDigests.Clear();
    dropped.erase(std::remove_if(dropped.begin(), dropped.end(),
                                 [this](const std::string& name) { return IsUnreached(name); }),
                  dropped.end());
    if (dropped.empty())
        return;
    Required(OnEntriesDropped, "OnEntriesDropped")(path, static_cast<int32_t>(dropped.size()));
    if (!OnEntryDropped)
        return;
    std::sort(dropped.begin(), dropped.end(), [this](const std::string& a, const std::string& b) {
        return Fs->CompareText(a, b) < 0;
    });
    for (const std::string& name : dropped)
        OnEntryDropped(folder + name);
}
