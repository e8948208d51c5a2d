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

// The digest as a full update writes it: CRC-32 in upper case, the others in lower case.
std::string WrittenCase(std::string checksum, TChecksumKind kind) {
    for (char& c : checksum)
        if (kind == ckCRC32 && c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
        else if (kind != ckCRC32 && c >= 'A' && c <= 'F')
            c = static_cast<char>(c - 'A' + 'a');
    return checksum;
}

} // namespace

void TCheckSumEngine::LoadOldDigests(const std::string& path) {
    OldDigests.clear();
    if (!QuickUpdate)
        return;
    if (RunStartAge == 0)
        RunStartAge = AgeOf(Fs->LocalNow());
    files::TFoundFile info;
    if (!Fs->GetFileInfo(path, info) || info.IsDirectory())
        return; // no old list: every file is new
    auto doubt = [this, &path](TOldListDoubt reason) {
        OldDigests.clear();
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
        auto [entry, added] = OldDigests.try_emplace(line.Name);
        if (added)
            entry->second.Checksum = WrittenCase(std::move(line.Checksum), ChecksumKind);
        else
            entry->second.Trusted = false; // which of the two lines is right is unknown
    }
    if (list.Failed())
        doubt(odUnreadable);
}

const std::string* TCheckSumEngine::KeptDigest(const std::string& entryName,
                                               const TFileListItem& item) {
    if (OldDigests.empty())
        return nullptr;
    auto entry = OldDigests.find(entryName);
    if (entry == OldDigests.end())
        return nullptr;
    entry->second.Met = true;
    if (!entry->second.Trusted || item.Age == 0 || item.Age > OldListAge)
        return nullptr;
    ++FilesKept;
    return &entry->second.Checksum;
}

void TCheckSumEngine::ReportDroppedEntries(const std::string& path, const std::string& folder) {
    std::vector<std::string> dropped;
    for (const auto& [name, entry] : OldDigests)
        if (!entry.Met && !IsUnreached(name))
            dropped.push_back(name);
    OldDigests.clear();
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
