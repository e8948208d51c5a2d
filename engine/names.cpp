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

bool SameFileName(files::TFileSystem& fs, const std::string& a, const std::string& b) {
    return kWindowsPaths ? fs.CompareText(a, b) == 0 : a == b;
}
