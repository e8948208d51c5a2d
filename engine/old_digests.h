// The entries of an old list by name, as a quick update asks for them: the names and digests
// of all entries in two blocks of text and a table of their places, so that a list of
// 100,000 entries costs no memory allocation per entry and a look-up touches little memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TOldDigests {
public:
    struct TEntry {
        bool Trusted = true; // false for a name listed more than once
        bool Met = false;    // a file of the run asked for it
        // Where the table keeps its name and checksum.
        size_t NameAt = 0, NameLength = 0, ChecksumAt = 0, ChecksumLength = 0;
        size_t Hash = 0;
    };

    void Clear();
    bool Empty() const { return Entries.empty(); }
    // Adds the entry of a line; a name added before makes that entry untrusted instead, as
    // which of the two lines is right is unknown.
    void Add(std::string_view name, std::string_view checksum);
    // The entry of name, nullptr when there is none.
    TEntry* Find(std::string_view name);
    // The checksum of an entry that Find gave.
    std::string_view Checksum(const TEntry& entry) const;
    // The names of the entries never met, in the list's order.
    std::vector<std::string> Unmet() const;

private:
    std::string_view NameOf(const TEntry& entry) const;
    // The slot of name: its entry's, or the empty one where it would go.
    uint32_t& SlotOf(std::string_view name, size_t hash);
    void Grow();

    std::string Names, Checksums;
    std::vector<TEntry> Entries; // in the list's order
    // Open addressing: entry index + 1, 0 for a free slot; a power of two, at most half full.
    std::vector<uint32_t> Slots;
    size_t Next = 0; // the entry after the one found last
};
