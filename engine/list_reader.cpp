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
    line.Class =
        overlong ? lcInvalid : lines::ReadChecksumLine(line.Text, line.Checksum, line.Name);
    return true;
}
