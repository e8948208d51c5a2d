// The lines of a list being built, with the folder paths they hold kept once per folder.
#include "engine/list_lines.h"

#include <utility>

void TListLines::Add(std::string line, const std::string& folder) {
    // The part is found in the text as written: a line that escapes its name, or any other
    // that does not hold the folder as it is, is kept whole.
    const size_t at = folder.empty() ? std::string::npos : line.find(folder);
    if (at == std::string::npos) {
        Lines.push_back({std::move(line), kNoFolder, 0});
        return;
    }
    if (Folders.empty() || Folders.back() != folder)
        Folders.push_back(folder);
    std::string rest;
    rest.reserve(line.size() - folder.size());
    rest.append(line, 0, at).append(line, at + folder.size(), std::string::npos);
    Lines.push_back(
        {std::move(rest), static_cast<uint32_t>(Folders.size() - 1), static_cast<uint32_t>(at)});
}

void TListLines::AppendTo(size_t index, std::string& text) const {
    const TLine& line = Lines[index];
    if (line.Folder == kNoFolder) {
        text += line.Rest;
        return;
    }
    text.append(line.Rest, 0, line.FolderAt);
    text += Folders[line.Folder];
    text.append(line.Rest, line.FolderAt, std::string::npos);
}

void TListLines::clear() {
    Lines.clear();
    Folders.clear();
}
