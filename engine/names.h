// The rules of file names that the engine and the front ends share: whether a checksum-file
// name holds a folder part, whether the system takes a name as one file of a folder, the
// extension of the per-file modes, the name under which a file is stored, and when two
// names name the same file.
#pragma once

#include <cstdint>
#include <string>

#include "platform/files.h"

// The characters that end a path component: the delimiter and, on Windows, also "/" (the
// system takes it for "\") and the drive colon.
constexpr const char* kComponentEnds = files::kPathDelimiter == '\\' ? "\\/:" : "/";

// True when a checksum-file name names a file of its own, wherever it lies, rather than a
// name or pattern in the tree's folders: it holds the delimiter, or on Windows a drive
// colon. A "/" on Windows does not count.
bool HasFolderPart(const std::string& name);

// True when the system takes name as one file in a folder: it holds none of
// kComponentEnds. On Windows "sub/list.md5" is no plain file name, though it holds no
// folder part.
bool IsPlainFileName(const std::string& name);

// True for "." and "..", which name a folder itself and its parent, never a file.
bool IsDotName(const std::string& name);

// The extension of the per-folder and per-file modes: "*.md5", ".md5" and "md5" all give
// ".md5"; an empty name gives ".".
std::string ChecksumFileExtension(const std::string& checksumFileName);

// The name under which the file system stores a file created as name (Windows drops
// trailing dots and blanks).
std::string StoredFileName(const std::string& name);

// The slice, 1 to count, that a list entry falls into: a hash (32-bit FNV-1a) of its name as
// listed, with "\\" read as "/", so a list gives the same slices on every system and day.
int32_t SliceOfName(const std::string& name, int32_t count);

// True when a and b name the same file of one folder: equal names, or on Windows names that
// differ only in letter case (the file services' comparison).
bool SameFileName(files::TFileSystem& fs, const std::string& a, const std::string& b);
