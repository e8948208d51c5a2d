// TLogSpool: the lines of the log that -a saves, kept on disk while the run goes, so that
// a run of millions of lines costs no memory for them. They wait in an unnamed temporary
// file in the log's folder (else in the system's temporary folder) and are read back in
// pieces when the log is saved.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/files.h"

class TLogSpool : public files::TSaveContent {
public:
    explicit TLogSpool(const std::string& logPath);
    ~TLogSpool() override;
    TLogSpool(const TLogSpool&) = delete;
    TLogSpool& operator=(const TLogSpool&) = delete;

    // Keeps the text, followed by CR LF.
    void Add(const std::string& text);
    // The kept lines from the first; a line that could not be kept fails the content.
    bool Next(const char*& data, size_t& size, files::TErrorCode& error) override;

private:
    std::FILE* File = nullptr;
    files::TErrorCode Error = 0; // why a line could not be kept
    bool Reading = false;
    std::vector<char> Piece;
};
