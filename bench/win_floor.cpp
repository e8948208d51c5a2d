// Wine's floor for bench/run.sh: the least a Windows program must do to update a tree's
// MD5 list, with nothing else: a recursive FindFirstFileA walk, every file opened with
// CreateFileA and read in 64 KiB blocks into an MD5, on one thread, without a window.
// Prints the number of files and the XOR of their first digest bytes (so nothing is
// optimised away).
//   win_floor FOLDER
#include <windows.h>

#include <cstdio>
#include <string>

#include "engine/md5.h"

namespace {

unsigned Files = 0;
unsigned Mix = 0;

void DigestFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    static unsigned char buffer[65536];
    TMD5Context md5;
    MD5Init(md5);
    DWORD done = 0;
    while (ReadFile(file, buffer, sizeof buffer, &done, nullptr) && done > 0)
        MD5Update(md5, buffer, done);
    CloseHandle(file);
    unsigned char digest[16];
    MD5Final(md5, digest);
    Mix ^= digest[0];
    ++Files;
}

void Walk(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            Walk(folder + name + "\\");
        else
            DigestFile(folder + name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: win_floor FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '\\')
        folder += '\\';
    Walk(folder);
    std::printf("%u files, %02x\n", Files, Mix);
    return 0;
}
