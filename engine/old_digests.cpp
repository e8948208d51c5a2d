#include "engine/old_digests.h"

#include <functional>

void TOldDigests::Clear() {
    Names.clear();
    Checksums.clear();
    Entries.clear();
    Slots.clear();
    Next = 0;
}

void TOldDigests::Add(std::string_view name, std::string_view checksum) {
    if ((Entries.size() + 1) * 2 > Slots.size())
        Grow();
    const size_t hash = std::hash<std::string_view>()(name);
    uint32_t& slot = SlotOf(name, hash);
    if (slot != 0) {
        Entries[slot - 1].Trusted = false;
        return;
    }
    TEntry entry;
    entry.NameAt = Names.size();
    entry.NameLength = name.size();
    entry.ChecksumAt = Checksums.size();
    entry.ChecksumLength = checksum.size();
    entry.Hash = hash;
    Names.append(name);
    Checksums.append(checksum);
    Entries.push_back(entry);
    slot = static_cast<uint32_t>(Entries.size());
}

TOldDigests::TEntry* TOldDigests::Find(std::string_view name) {
    if (Entries.empty())
        return nullptr;
    // Files are mostly asked for in the order their list holds them.
    if (Next < Entries.size() && NameOf(Entries[Next]) == name)
        return &Entries[Next++];
    const uint32_t slot = SlotOf(name, std::hash<std::string_view>()(name));
    if (slot == 0)
        return nullptr;
    Next = slot;
    return &Entries[slot - 1];
}

std::string_view TOldDigests::Checksum(const TEntry& entry) const {
    return std::string_view(Checksums).substr(entry.ChecksumAt, entry.ChecksumLength);
}

std::vector<std::string> TOldDigests::Unmet() const {
    std::vector<std::string> unmet;
    for (const TEntry& entry : Entries)
        if (!entry.Met)
            unmet.emplace_back(NameOf(entry));
    return unmet;
}

std::string_view TOldDigests::NameOf(const TEntry& entry) const {
    return std::string_view(Names).substr(entry.NameAt, entry.NameLength);
}

uint32_t& TOldDigests::SlotOf(std::string_view name, size_t hash) {
    const size_t mask = Slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        uint32_t& slot = Slots[i];
        if (slot == 0)
            return slot;
        const TEntry& entry = Entries[slot - 1];
        if (entry.Hash == hash && NameOf(entry) == name)
            return slot;
    }
}

void TOldDigests::Grow() {
    Slots.assign(Slots.empty() ? 1024 : Slots.size() * 2, 0);
    const size_t mask = Slots.size() - 1;
    for (size_t e = 0; e < Entries.size(); ++e) {
        size_t i = Entries[e].Hash & mask;
        while (Slots[i] != 0)
            i = (i + 1) & mask;
        Slots[i] = static_cast<uint32_t>(e + 1);
    }
}
