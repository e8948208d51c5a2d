#include "engine/names.h"

namespace {

constexpr bool kWindowsPaths = files::kPathDelimiter == '\\';

} // namespace

bool HasFolderPart(const std::string& name) {
    return name.find_first_of(kWindowsPaths ? "\\:" : "/") != std::string::npos;
}

bool IsPlainFileName(const std::string& name) {
    return name.find_first_of(kComponentEnds) == std::string::npos;
}

bool IsDotName(const std::string& name) {
    return name == "." || name == "..";
}

std::string ChecksumFileExtension(const std::string& checksumFileName) {
    std::string extension = checksumFileName;
    if (!extension.empty() && extension[0] == '*')
        extension.erase(0, 1);
    if (extension.empty() || extension[0] != '.')
        extension.insert(0, ".");
    return extension;
}

std::string StoredFileName(const std::string& name) {
    if (!kWindowsPaths)
        return name;
    size_t end = name.find_last_not_of(". ");
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

int32_t SliceOfName(const std::string& name, int32_t count) {
    uint32_t hash = 2166136261u;
    for (char c : name) {
        hash ^= static_cast<unsigned char>(c == '\\' ? '/' : c);
        hash *= 16777619u;
    }
    return static_cast<int32_t>(hash % static_cast<uint32_t>(count)) + 1;
}

bool SameFileName(files::TFileSystem& fs, const std::string& a, const std::string& b) {
    return kWindowsPaths ? fs.CompareText(a, b) == 0 : a == b;
}
