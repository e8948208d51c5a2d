// libFuzzer target: any bytes as a checksum file. The file is loaded, every line is
// classified and every entry split; the results must keep the forms the rest of the
// engine relies on, and nothing may crash or trip a sanitizer.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "tests/engine/fake_files.h"

namespace {

// Serves the fuzz input as the content of every file read whole.
class TInputFileSystem : public TFakeFileSystem {
public:
    std::string Input;
    bool ReadWholeFile(const std::string&, std::string& content, files::TErrorCode&) override {
        content = Input;
        return true;
    }
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

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// No foreign separator and no "." segment left in a name read from a list.
bool IsNormalName(const std::string& name) {
    const char foreign = files::kPathDelimiter == '/' ? '\\' : '/';
    const std::string dotSegment =
        std::string(1, files::kPathDelimiter) + "." + std::string(1, files::kPathDelimiter);
    if (name.find(foreign) != std::string::npos)
        return false;
    if (name.compare(0, 2, std::string(".") + files::kPathDelimiter) == 0)
        return false;
    return name.find(dotSegment) == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TInputFileSystem fs;
    static TCheckSumEngine engine;
    engine.SetFileSystem(&fs);
    engine.OnLoadError = [](const std::string&, const std::string&) { std::abort(); };
    fs.Input.assign(reinterpret_cast<const char*>(data), size);

    std::vector<std::string> lines;
    Check(engine.LoadChecksumFile(lines, "list"));
    for (const std::string& line : lines) {
        Check(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
        TLineClass lineClass = engine.ClassifyLine(line);
        if (lineClass != lcMD5 && lineClass != lcSFV)
            continue;
        std::string checksum, name;
        engine.ParseChecksumLine(lineClass, line, checksum, name);
        Check(checksum.size() == (lineClass == lcMD5 ? 32u : 8u) && AllHex(checksum));
        Check(IsNormalName(name));

        // An entry written again from what was read reads back the same.
        if (name.empty() || name[0] == '*' || IsBlank(name[0]))
            continue;
        engine.SetChecksumKind(static_cast<TChecksumKind>(lineClass));
        std::string again = engine.FormatChecksumLine(name, checksum);
        TLineClass againClass = engine.ClassifyLine(again);
        // SFV cannot carry a name that itself looks like an md5sum entry or that begins
        // like a comment: such lines read back as what they look like.
        if (lineClass == lcSFV && (againClass == lcMD5 || againClass == lcComment))
            continue;
        Check(againClass == lineClass);
        std::string checksum2, name2;
        engine.ParseChecksumLine(againClass, again, checksum2, name2);
        Check(checksum2 == checksum && name2 == name);
    }
    engine.IsChecksumFileOfKind(lines, ckMD5);
    engine.IsChecksumFileOfKind(lines, ckCRC32);
    return 0;
}
