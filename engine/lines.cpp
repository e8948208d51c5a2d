#include "engine/lines.h"

#include <cstdio>
#include <cstring>

#include "engine/assertion.h"
#include "engine/names.h"
#include "platform/blanks.h"
#include "platform/files.h"
#include "version.h"

const char* const kHomePageAddress = TLVN_HOME_PAGE;

namespace {

constexpr bool kWindowsPaths = files::kPathDelimiter == '\\';

// A table, not comparisons: the digits of a digest are random, and branches on their
// ranges would be mispredicted every third digit.
struct THexDigits {
    bool Is[256] = {};
    constexpr THexDigits() {
        for (int c = 0; c < 256; ++c)
            Is[c] = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    }
};
constexpr THexDigits kHexDigits;

bool IsHexDigit(char c) {
    return kHexDigits.Is[static_cast<unsigned char>(c)];
}

// Length of the line without its trailing blanks.
size_t TrimmedLength(const std::string& line) {
    size_t m = line.size();
    while (m > 0 && IsBlank(line[m - 1]))
        --m;
    return m;
}

// The digests that entry lines carry: the tag of BSD-style lines ("MD5 (name) = digest"),
// the class of its lines, and whether md5sum-style lines ("digest *name": md5sum, sha1sum,
// sha256sum, sha512sum, b3sum) carry it too. Of two kinds of one length the first is the
// reading of a line without a tag.
struct TAlgorithm {
    const char* Tag;
    TLineClass Class;
    bool DigestFirst;
};

const TAlgorithm kAlgorithms[] = {
    {"MD5", lcMD5, true},       {"CRC32", lcSFV, false},    {"SHA1", lcSHA1, true},
    {"SHA256", lcSHA256, true}, {"SHA512", lcSHA512, true}, {"BLAKE3", lcBLAKE3, true},
    {"XXH128", lcXXH128, true},
};

size_t DigitsOf(const TAlgorithm& algorithm) {
    return ChecksumTextLength(static_cast<TChecksumKind>(algorithm.Class));
}

// Where the parts of an entry line lie.
struct TEntrySpan {
    TLineClass Class = lcInvalid;
    size_t DigestStart = 0, DigestLength = 0;
    size_t NameStart = 0, NameLength = 0;
    bool Escaped = false; // the name is written with GNU md5sum's escapes
    bool Tagged = false;  // BSD style
};

// Decodes the escapes of a name; false when it holds another one.
bool Unescape(const std::string& text, std::string* name) {
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\') {
            c = ++i < text.size() ? text[i] : '\0';
            if (c == 'n')
                c = '\n';
            else if (c == 'r')
                c = '\r';
            else if (c != '\\')
                return false;
        }
        if (name)
            *name += c;
    }
    return true;
}

// A leading "\" marks a line whose name is escaped; then the rest must decode.
size_t SkipEscapeMark(const std::string& line, size_t first, TEntrySpan& span) {
    span.Escaped = line[first] == '\\';
    return span.Escaped ? first + 1 : first;
}

bool EscapesDecode(const std::string& line, const TEntrySpan& span) {
    return !span.Escaped || Unescape(line.substr(span.NameStart, span.NameLength), nullptr);
}

// md5sum: [\]digest, one space, at most one mode character (" " text, "*" binary), the name.
bool ReadDigestFirst(const std::string& line, size_t first, TEntrySpan& span) {
    const size_t start = SkipEscapeMark(line, first, span);
    size_t j = start;
    while (j < line.size() && IsHexDigit(line[j]))
        ++j;
    if (j + 1 >= line.size() || line[j] != ' ')
        return false;
    for (const TAlgorithm& algorithm : kAlgorithms) {
        if (!algorithm.DigestFirst || j - start != DigitsOf(algorithm))
            continue;
        size_t name = j + 1;
        if (line[name] == ' ' || line[name] == '*')
            ++name;
        span.Class = algorithm.Class;
        span.DigestStart = start;
        span.DigestLength = j - start;
        span.NameStart = name;
        span.NameLength = line.size() - name;
        return EscapesDecode(line, span);
    }
    return false;
}

// BSD style: [\]TAG (name) = digest (rhash pads the tag with spaces); the name ends at the
// last ")" before the digest.
bool ReadTagged(const std::string& line, size_t first, TEntrySpan& span) {
    const size_t start = SkipEscapeMark(line, first, span);
    for (const TAlgorithm& algorithm : kAlgorithms) {
        size_t name = start + std::strlen(algorithm.Tag);
        if (line.compare(start, name - start, algorithm.Tag) != 0 || name == line.size() ||
            line[name] != ' ')
            continue;
        while (name < line.size() && line[name] == ' ')
            ++name;
        if (name == line.size() || line[name++] != '(')
            return false;
        const size_t end = TrimmedLength(line);
        size_t k = end;
        while (k > name && IsHexDigit(line[k - 1]))
            --k;
        size_t p = k;
        while (p > name && IsBlank(line[p - 1]))
            --p;
        if (end - k != DigitsOf(algorithm) || p == name || line[--p] != '=')
            return false;
        while (p > name && IsBlank(line[p - 1]))
            --p;
        if (p == name || line[--p] != ')')
            return false;
        span.Class = algorithm.Class;
        span.Tagged = true;
        span.DigestStart = k;
        span.DigestLength = end - k;
        span.NameStart = name;
        span.NameLength = p - name;
        return EscapesDecode(line, span);
    }
    return false;
}

// SFV: the name from the line's first character, one space, 8 digits, trailing blanks.
bool ReadSfv(const std::string& line, size_t, TEntrySpan& span) {
    const size_t m = TrimmedLength(line);
    size_t k = m;
    while (k > 0 && IsHexDigit(line[k - 1]))
        --k;
    if (k == 0 || m != k + 8 || line[k - 1] != ' ')
        return false;
    span.Class = lcSFV;
    span.DigestStart = k;
    span.DigestLength = 8;
    span.NameStart = 0;
    span.NameLength = k - 1;
    return true;
}

// The entry forms in the order they are tried: a line of two forms is read as the first.
using TLineForm = bool (*)(const std::string& line, size_t first, TEntrySpan& span);
const TLineForm kEntryForms[] = {ReadDigestFirst, ReadTagged, ReadSfv};

TLineClass ReadLine(const std::string& line, TEntrySpan& span) {
    size_t first = 0;
    while (first < line.size() && IsBlank(line[first]))
        ++first;
    if (first == line.size())
        return lcBlank;
    if (line[first] == ';' || line[first] == '#')
        return lcComment;
    for (TLineForm form : kEntryForms) {
        span = TEntrySpan();
        if (form(line, first, span))
            return span.Class;
    }
    return lcInvalid;
}

// Every delimiter becomes the platform's; then every "." segment is dropped, scanning
// from the end, so .\a\.\b reads as a\b while ".." stays.
std::string NormaliseName(std::string name, bool backslashDelimits) {
    for (char& c : name)
        if (c == '/' || (c == '\\' && backslashDelimits))
            c = files::kPathDelimiter;
    for (size_t pos = name.size(); pos-- > 0;) {
        if (name[pos] == '.' && pos + 1 < name.size() && name[pos + 1] == files::kPathDelimiter &&
            (pos == 0 || name[pos - 1] == files::kPathDelimiter))
            name.erase(pos, 2);
    }
    return name;
}

// The name of an entry line as written, escapes decoded.
std::string WrittenName(const std::string& line, const TEntrySpan& span) {
    std::string written = line.substr(span.NameStart, span.NameLength);
    if (!span.Escaped)
        return written;
    std::string name;
    Unescape(written, &name);
    return name;
}

const TAlgorithm* AlgorithmOf(TLineClass lineClass) {
    for (const TAlgorithm& algorithm : kAlgorithms)
        if (algorithm.Class == lineClass)
            return &algorithm;
    return nullptr;
}

// Kinds whose peers (b3sum, xxhsum) read only their own lines: two spaces before the name,
// LF line ends.
bool WrittenAsPeersWrite(TChecksumKind kind) {
    return kind == ckBLAKE3 || kind == ckXXH128;
}

// md5sum-style lists of this program mark every name binary (" *").
const char* NameSeparator(TChecksumKind kind) {
    return WrittenAsPeersWrite(kind) ? "  " : " *";
}

bool HoldsLineBreak(const std::string& name) {
    return name.find_first_of("\r\n") != std::string::npos;
}

constexpr char kStandardHeader[] = "; Generated by Tolvane (";
constexpr char kWinSfvHeader[] = "; Generated by WIN-SFV v1 (compat; TLVN from ";

std::string TwoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

} // namespace

namespace lines {

std::string AsciiUpper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

TLineClass ClassifyLine(const std::string& line) {
    TEntrySpan span;
    return ReadLine(line, span);
}

void ParseChecksumLine(TLineClass lineClass, const std::string& line, std::string& checksum,
                       std::string& name) {
    if (lineClass != ReadChecksumLine(line, checksum, name) || !IsEntryClass(lineClass))
        EngineAssertionFailure("ParseChecksumLine needs an entry line of its class");
}

TLineClass ReadChecksumLine(const std::string& line, std::string& checksum, std::string& name,
                            bool* tagged) {
    TEntrySpan span;
    const TLineClass lineClass = ReadLine(line, span);
    if (tagged)
        *tagged = span.Tagged;
    if (!IsEntryClass(lineClass))
        return lineClass;
    checksum.assign(line, span.DigestStart, span.DigestLength);
    // An escaped name tells a "\" in a name from a delimiter; elsewhere both delimit.
    name = NormaliseName(WrittenName(line, span), kWindowsPaths || !span.Escaped);
    return lineClass;
}

bool SharesItsLength(TLineClass lineClass) {
    const size_t digits = ChecksumTextLength(static_cast<TChecksumKind>(lineClass));
    for (const TAlgorithm& algorithm : kAlgorithms)
        if (algorithm.Class != lineClass && algorithm.DigestFirst && DigitsOf(algorithm) == digits)
            return true;
    return false;
}

TChecksumKind KindOfListName(const std::string& path) {
    const size_t slash = path.find_last_of(kComponentEnds);
    const std::string name = AsciiUpper(slash == std::string::npos ? path : path.substr(slash + 1));
    // Extensions, then words anywhere in the name.
    static const struct {
        const char* Text;
        TChecksumKind Kind;
    } kNames[] = {{".B3", ckBLAKE3},   {".BLAKE3", ckBLAKE3}, {".SHA256", ckSHA256},
                  {".MD5", ckMD5},     {".XXH128", ckXXH128}, {"XXH128", ckXXH128},
                  {"B3SUM", ckBLAKE3}, {"BLAKE3", ckBLAKE3},  {"SHA256", ckSHA256},
                  {"MD5SUM", ckMD5}};
    for (const auto& entry : kNames) {
        const size_t length = std::strlen(entry.Text);
        const bool found = entry.Text[0] == '.'
                               ? name.size() >= length &&
                                     name.compare(name.size() - length, length, entry.Text) == 0
                               : name.find(entry.Text) != std::string::npos;
        if (found)
            return entry.Kind;
    }
    return ckNone;
}

TChecksumKind KindNamedInComment(const std::string& line) {
    std::string text = AsciiUpper(line);
    for (size_t pos; (pos = text.find("SHA-")) != std::string::npos;)
        text.erase(pos + 3, 1);
    for (const TAlgorithm& algorithm : kAlgorithms)
        if (text.find(algorithm.Tag) != std::string::npos)
            return static_cast<TChecksumKind>(algorithm.Class);
    return ckNone;
}

bool NeedsTag(TChecksumKind kind, const std::string& listName) {
    const TLineClass lineClass = static_cast<TLineClass>(kind);
    const TAlgorithm* algorithm = AlgorithmOf(lineClass);
    if (!algorithm || !algorithm->DigestFirst || KindOfListName(listName) == kind)
        return false;
    for (const TAlgorithm& first : kAlgorithms)
        if (first.DigestFirst && DigitsOf(first) == DigitsOf(*algorithm))
            return first.Class != lineClass;
    return false;
}

bool EntryNameAsWritten(const std::string& line, std::string& name) {
    TEntrySpan span;
    ReadLine(line, span);
    if (kWindowsPaths || span.Class == lcInvalid || span.Escaped ||
        line.find('\\', span.NameStart) >= span.NameStart + span.NameLength)
        return false;
    name = NormaliseName(WrittenName(line, span), false);
    return true;
}

std::string FormatChecksumLine(TChecksumKind kind, const std::string& name,
                               std::string_view checksum, bool tagged) {
    const TAlgorithm* algorithm = AlgorithmOf(static_cast<TLineClass>(kind));
    if (!algorithm)
        EngineAssertionFailure("FormatChecksumLine needs a checksum kind");
    std::string line;
    if (kind != ckCRC32) {
        const bool escaped =
            HoldsLineBreak(name) || (!kWindowsPaths && name.find('\\') != std::string::npos);
        const std::string escapedName = escaped ? EscapeName(name) : std::string();
        const std::string& written = escaped ? escapedName : name;
        line.reserve(checksum.size() + written.size() + 24);
        if (escaped)
            line += '\\';
        if (tagged)
            line.append(algorithm->Tag).append(" (").append(written).append(") = ").append(checksum);
        else
            line.append(checksum).append(NameSeparator(kind)).append(written);
        return line;
    }
    if (HoldsLineBreak(name))
        return "";
    // A name that would read back as a comment or as an entry of another form is written
    // after "./" (".\" on Windows), which every reader drops; so is one that begins with a
    // blank or "*", which rhash would drop.
    line.append(name).append(" ").append(checksum);
    std::string readChecksum, read, asWritten;
    if (!IsBlank(name[0]) && name[0] != '*' && ClassifyLine(line) == lcSFV) {
        ParseChecksumLine(lcSFV, line, readChecksum, read);
        if (read == name || (EntryNameAsWritten(line, asWritten) && asWritten == name))
            return line;
    }
    return std::string(".") + files::kPathDelimiter + line;
}

std::string HeaderLine(THeaderMode mode, const files::TLocalTime& now, char timeSeparator) {
    const char* start = mode == hmStandard ? kStandardHeader
                        : mode == hmWinSFV ? kWinSfvHeader
                                           : nullptr;
    if (!start)
        return "";
    std::string date =
        std::to_string(now.Year) + "-" + TwoDigits(now.Month) + "-" + TwoDigits(now.Day);
    std::string time =
        TwoDigits(now.Hour) + timeSeparator + TwoDigits(now.Minute) + "." + TwoDigits(now.Second);
    return start + std::string(kHomePageAddress) + ") on " + date + " at " + time;
}

const char* ListLineEnd(TChecksumKind kind) {
    return WrittenAsPeersWrite(kind) ? "\n" : "\r\n";
}

std::string EscapeName(const std::string& name) {
    std::string text;
    for (char c : name) {
        if (c == '\\')
            text += "\\\\";
        else if (c == '\n')
            text += "\\n";
        else if (c == '\r')
            text += "\\r";
        else
            text += c;
    }
    return text;
}

} // namespace lines
