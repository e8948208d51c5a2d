// Blanks as the program means them wherever it trims a text or reads a checksum-file line:
// every character of code 32 or below (space, tab, line ends and the other control
// characters).
#pragma once

#include <string>

inline bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// True for an empty text and for one of blanks only.
inline bool IsBlankText(const std::string& text) {
    for (char c : text)
        if (!IsBlank(c))
            return false;
    return true;
}

// The text without the blanks at either end.
inline std::string TrimBlanks(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}
