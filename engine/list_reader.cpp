#include "engine/list_reader.h"

#include "engine/lines.h"

namespace {

constexpr uint32_t kBlockSize = 64 * 1024;
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

} // namespace

TListReader::TListReader(files::TFileSystem& fs) : Fs(fs) {}

TListReader::~TListReader() {
    if (File != files::kNoFile)
        Fs.Close(File);
}

bool TListReader::Open(const std::string& path) {
    Path = path;
    NamedKind = lines::KindOfListName(path);
    files::TErrorCode error = 0;
    File = Fs.OpenRead(path, error);
    AtEnd = ReadFailed = File == files::kNoFile;
    return !AtEnd;
}

bool TListReader::Fill() {
    if (AtEnd)
        return false;
    Block.resize(kBlockSize);
    uint32_t done = 0;
    files::TErrorCode error = 0;
    if (!Fs.Read(File, Block.data(), kBlockSize, done, error)) {
        ReadFailed = true;
        done = 0;
    }
    Position = 0;
    Length = done;
    if (FirstBlock && Length >= 3 && Block[0] == kByteOrderMark[0] &&
        Block[1] == kByteOrderMark[1] && Block[2] == kByteOrderMark[2])
        Position = 3;
    FirstBlock = false;
    AtEnd = done == 0;
    return !AtEnd;
}

bool TListReader::Next(TListLine& line) {
    line.Text.clear();
    bool started = false, overlong = false, ended = false;
    while (!ended) {
        if (Position == Length && !Fill()) {
            if (ReadFailed || !started)
                return false; // a line cut by a failed read is not taken
            break;
        }
        if (SkipLineFeed) {
            SkipLineFeed = false;
            if (Block[Position] == '\n') {
                ++Position;
                continue;
            }
        }
        size_t stop = Position;
        while (stop < Length && Block[stop] != '\n' && Block[stop] != '\r' && Block[stop] != '\0')
            ++stop;
        const size_t room = kLongestLine - line.Text.size();
        overlong = overlong || stop - Position > room;
        line.Text.append(&Block[Position], std::min(stop - Position, room));
        started = started || stop > Position;
        Position = stop;
        if (stop == Length)
            continue;
        const char end = Block[Position++];
        if (end == '\0') {
            AtEnd = true;
            Position = Length = 0;
            if (!started)
                return false;
        }
        SkipLineFeed = end == '\r';
        ended = true;
    }
    line.Number = ++Number;
    Fs.DecodeListLine(line.Text);
    line.Class = overlong
                     ? lcInvalid
                     : lines::ReadChecksumLine(line.Text, line.Checksum, line.Name, &line.Tagged);
    if (Resolves && !line.Tagged && lines::SharesItsLength(line.Class))
        line.Class = MeantClass(line);
    return true;
}

TLineClass TListReader::MeantClass(const TListLine& line) {
    const size_t digits = line.Checksum.size();
    if (NamedKind != ckNone && ChecksumTextLength(NamedKind) == digits)
        return static_cast<TLineClass>(NamedKind);
    // Once per list, and only for a list whose name does not tell: a second reading.
    if (!Scanned) {
        Scanned = true;
        TListReader scan(Fs);
        scan.Resolves = false;
        TListLine other;
        if (scan.Open(Path))
            while (scan.Next(other)) {
                const TChecksumKind kind = other.Tagged ? static_cast<TChecksumKind>(other.Class)
                                           : other.Class == lcComment
                                               ? lines::KindNamedInComment(other.Text)
                                               : ckNone;
                NamedInLines |= kind != ckNone ? 1u << kind : 0;
            }
    }
    TChecksumKind meant = ckNone;
    for (int bit = 1; bit < 32; ++bit) {
        const TChecksumKind kind = static_cast<TChecksumKind>(bit);
        if ((NamedInLines & 1u << bit) == 0 || ChecksumTextLength(kind) != digits)
            continue;
        if (meant != ckNone)
            return line.Class; // the lines name two kinds of this length
        meant = kind;
    }
    return meant != ckNone ? static_cast<TLineClass>(meant) : line.Class;
}
