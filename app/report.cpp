#include "app/report.h"

#include <cstdio>
#include <ctime>

#include "version.h"

namespace {

// The length of the valid UTF-8 sequence at text[i], 0 when the byte there starts none
// (overlong forms, surrogates and code points above U+10FFFF are not valid).
size_t Utf8Length(const std::string& text, size_t i) {
    const auto at = [&text](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = at(i);
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // bounds of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > text.size() || at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (size_t k = 2; k < length; ++k)
        if (at(i + k) < 0x80 || at(i + k) > 0xBF)
            return 0;
    return length;
}

std::string Hex4(unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\u%04x", value);
    return buffer;
}

// A text field, or null when it is empty.
std::string JsonText(const std::string& text) {
    return text.empty() ? "null" : JsonString(text);
}

const char* FormatName(int format) {
    return format == 1 ? "sfv" : format == 2 ? "sha256sum" : "md5sum";
}

std::string LevelName(int kind) {
    std::string prefix = LogKindPrefix(kind);
    return prefix.substr(0, prefix.find(':'));
}

std::string FindingJson(const TReportFinding& f) {
    return "{\"kind\": " + JsonString(f.Kind) + ", \"level\": " + JsonString(LevelName(f.Level)) +
           ", \"path\": " + JsonText(f.Path) + ", \"list\": " + JsonText(f.List) +
           ", \"expected\": " + JsonText(f.Expected) + ", \"found\": " + JsonText(f.Found) +
           ", \"error\": " + (f.HasError ? std::to_string(f.Error) : "null") + ", \"errorText\": " +
           (f.HasError || !f.ErrorText.empty() ? JsonString(f.ErrorText) : "null") +
           ", \"message\": " + JsonString(f.Message) +
           (f.Kind == "moved"
                ? ", \"from\": " + JsonString(f.From) + ", \"to\": " + JsonString(f.To)
                : "") +
           "}";
}

} // namespace

std::string UtcTimeText() {
    const std::time_t now = std::time(nullptr);
    const std::tm* utc = std::gmtime(&now);
    char buffer[32] = "";
    if (utc)
        std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", utc);
    return buffer;
}

std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const size_t length = Utf8Length(text, i);
            if (length == 0) {
                json += Hex4(0xDC00 + c);
                ++i;
            } else {
                json.append(text, i, length);
                i += length;
            }
            continue;
        }
        ++i;
        switch (c) {
        case '"':
            json += "\\\"";
            break;
        case '\\':
            json += "\\\\";
            break;
        case '\n':
            json += "\\n";
            break;
        case '\r':
            json += "\\r";
            break;
        case '\t':
            json += "\\t";
            break;
        default:
            if (c < 0x20)
                json += Hex4(c);
            else
                json += static_cast<char>(c);
        }
    }
    return json + "\"";
}

std::string ReportJson(const TRunReport& r) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%u.%03u", r.ElapsedMs / 1000, r.ElapsedMs % 1000);
    std::string json =
        "{\n  \"run\": {\"command\": " + JsonString(r.Command) +
        ", \"folder\": " + JsonString(r.Folder) + ", \"mask\": " + JsonString(r.FileMask) +
        ", \"list\": " + JsonString(r.ChecksumFileName) +
        ", \"placement\": " + std::to_string(r.Placement) +
        ", \"format\": " + JsonString(FormatName(r.Format)) + ", \"slice\": " +
        (r.Slice.Count == 0
             ? std::string("null")
             : JsonString(std::to_string(r.Slice.Index) + "/" + std::to_string(r.Slice.Count))) +
        ", \"start\": " + JsonString(r.Start) + ", \"end\": " + JsonString(r.End) +
        ", \"version\": " + JsonString(TLVN_VERSION_TEXT) + "},\n";
    json += "  \"outcome\": " + JsonString(r.Outcome) + ",\n  \"findings\": [";
    for (size_t i = 0; i < r.Findings.size(); ++i)
        json += (i == 0 ? "\n    " : ",\n    ") + FindingJson(r.Findings[i]);
    json += r.Findings.empty() ? "],\n" : "\n  ],\n";
    json += "  \"statistics\": {\"bytes\": " + std::to_string(r.Bytes) +
            ", \"files\": " + std::to_string(r.Files) + ", \"seconds\": " + seconds + "},\n";
    json += "  \"totals\": {\"hints\": " + std::to_string(r.Totals.Hints) +
            ", \"warnings\": " + std::to_string(r.Totals.Warnings) +
            ", \"failures\": " + std::to_string(r.Totals.Failures) +
            ", \"errors\": " + std::to_string(r.Totals.Errors) + "},\n";
    json += "  \"exitCode\": " + std::to_string(r.ExitCode) + "\n}\n";
    return json;
}
