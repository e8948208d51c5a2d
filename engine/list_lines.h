// TListLines: the lines of a list being built, until it is saved. A tree's list names every
// file with its folder's path; each line's copy of that path is held once for the lines of
// the folder, so the memory per line stays flat in the depth of the tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TListLines {
public:
    // Appends line; where it holds folder (the path of the folder of the file it names), that
    // part is held with the folder, shared by the lines of that folder added one after
    // another.
    void Add(std::string line, const std::string& folder = std::string());
    // Appends line index, whole, to text.
    void AppendTo(size_t index, std::string& text) const;

    size_t size() const { return Lines.size(); }
    bool empty() const { return Lines.empty(); }
    void clear();

private:
    static constexpr uint32_t kNoFolder = UINT32_MAX;
    struct TLine {
        std::string Rest;            // the line without its folder's part
        uint32_t Folder = kNoFolder; // index in Folders
        uint32_t FolderAt = 0;       // where the folder's part stood in the line
    };
    std::vector<TLine> Lines;
    std::vector<std::string> Folders;
};
