#include "cli/log_spool.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace {

// A file in folder that has no name: created under the temporary name pattern and removed
// at once, so not even a killed run leaves it behind.
std::FILE* UnnamedFileIn(const std::string& folder) {
    std::string name = folder + files::kTemporaryPrefix + "XXXXXX" + files::kTemporarySuffix;
    const int fd = ::mkstemps(&name[0], 4);
    if (fd < 0)
        return nullptr;
    ::unlink(name.c_str());
    std::FILE* file = ::fdopen(fd, "w+b");
    if (!file)
        ::close(fd);
    return file;
}

files::TErrorCode LastError() {
    return errno != 0 ? static_cast<files::TErrorCode>(errno) : EIO;
}

} // namespace

TLogSpool::TLogSpool(const std::string& logPath) {
    const size_t slash = logPath.find_last_of('/');
    File = UnnamedFileIn(slash == std::string::npos ? "" : logPath.substr(0, slash + 1));
    if (!File)
        File = std::tmpfile();
    if (!File)
        Error = LastError();
}

TLogSpool::~TLogSpool() {
    if (File)
        std::fclose(File);
}

void TLogSpool::Add(const std::string& text) {
    if (Error != 0)
        return;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), File) != text.size() ||
        std::fwrite("\r\n", 1, 2, File) != 2)
        Error = LastError();
}

bool TLogSpool::Next(const char*& data, size_t& size, files::TErrorCode& error) {
    if (!Reading && Error == 0) {
        Reading = true;
        errno = 0;
        if (std::fflush(File) != 0 || std::fseek(File, 0, SEEK_SET) != 0)
            Error = LastError();
        Piece.resize(1 << 16);
    }
    if (Error != 0) {
        error = Error;
        return false;
    }
    errno = 0;
    size = std::fread(Piece.data(), 1, Piece.size(), File);
    if (size == 0 && std::ferror(File))
        error = Error = LastError();
    data = Piece.data();
    return size != 0;
}
