// libFuzzer target: any bytes as a checksum file. The file is read, every line is
// classified and every entry split; the results must keep the forms the rest of the
// engine relies on, and nothing may crash or trip a sanitizer.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/lines.h"
#include "engine/list_reader.h"
#include "platform/blanks.h"
#include "tests/engine/fake_files.h"

namespace {

// Serves the fuzz input as the content of every file read, in short pieces so that
// lines and line ends straddle the reads.
class TInputFileSystem : public TFakeFileSystem {
public:
    std::string Input;
    size_t Position = 0;
    files::TFileId OpenRead(const std::string&, files::TErrorCode&) override {
        Position = 0;
        return 1;
    }
    bool Read(files::TFileId, void* buffer, uint32_t length, uint32_t& done,
              files::TErrorCode&) override {
        done = static_cast<uint32_t>(std::min<size_t>({length, 7, Input.size() - Position}));
        std::memcpy(buffer, Input.data() + Position, done);
        Position += done;
        return true;
    }
    void Close(files::TFileId) override {}
};

void Check(bool condition) {
    if (!condition)
        std::abort();
}

bool AllHex(const std::string& text) {
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

// True for a line in GNU md5sum's escaped form: a "\" before the entry.
bool IsEscapedForm(const std::string& text) {
    for (char c : text)
        if (!IsBlank(c))
            return c == '\\';
    return false;
}

// No foreign separator and no "." segment left in a name read from a list. On POSIX a "\"
// is a character of a name, which only the escaped form tells from a separator: there the
// name keeps it.
bool IsNormalName(const std::string& name, bool escaped) {
    const char foreign = files::kPathDelimiter == '/' ? '\\' : '/';
    const std::string dotSegment =
        std::string(1, files::kPathDelimiter) + "." + std::string(1, files::kPathDelimiter);
    if (name.find(foreign) != std::string::npos && !(escaped && foreign == '\\'))
        return false;
    if (name.compare(0, 2, std::string(".") + files::kPathDelimiter) == 0)
        return false;
    return name.find(dotSegment) == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TInputFileSystem fs;
    fs.Input.assign(reinterpret_cast<const char*>(data), size);

    TListReader list(fs);
    Check(list.Open("list"));
    TListLine line;
    while (list.Next(line)) {
        Check(line.Text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
        TLineClass lineClass = line.Class;
        // A plain line of a length two digests share may mean the other one, as the list
        // tells; it keeps its length.
        const TLineClass classified = lines::ClassifyLine(line.Text);
        Check(lineClass == classified ||
              (!line.Tagged && lines::SharesItsLength(classified) &&
               lines::SharesItsLength(lineClass) &&
               ChecksumTextLength(static_cast<TChecksumKind>(lineClass)) ==
                   ChecksumTextLength(static_cast<TChecksumKind>(classified))));
        if (lineClass != lcMD5 && lineClass != lcSFV)
            continue;
        const std::string& checksum = line.Checksum;
        const std::string& name = line.Name;
        Check(checksum.size() == (lineClass == lcMD5 ? 32u : 8u) && AllHex(checksum));
        Check(IsNormalName(name, IsEscapedForm(line.Text)));

        // An entry written again from what was read reads back the same.
        if (name.empty() || name[0] == '*' || IsBlank(name[0]))
            continue;
        std::string again =
            lines::FormatChecksumLine(static_cast<TChecksumKind>(lineClass), name, checksum);
        // SFV has no escaped form: a name with a line break (read from a tagged CRC32 line
        // in the escaped form) is not written at all.
        if (again.empty()) {
            Check(lineClass == lcSFV && name.find_first_of("\r\n") != std::string::npos);
            continue;
        }
        TLineClass againClass = lines::ClassifyLine(again);
        // SFV cannot carry a name that itself looks like an md5sum entry or that begins
        // like a comment: such lines read back as what they look like.
        if (lineClass == lcSFV && (againClass == lcMD5 || againClass == lcComment))
            continue;
        Check(againClass == lineClass);
        std::string checksum2, name2;
        lines::ParseChecksumLine(againClass, again, checksum2, name2);
        // A POSIX name with a "\" in an SFV line (which has no escaped form) reads back
        // through the name as written, as a verify looks it up when the other is not there.
        std::string asWritten;
        Check(
            checksum2 == checksum &&
            (name2 == name || (lines::EntryNameAsWritten(again, asWritten) && asWritten == name)));
    }
    Check(!list.Failed());
    return 0;
}
