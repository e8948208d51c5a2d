// Whole-name masks of the checksum-file exclusion: "*" any run of characters, "?" one
// character, "[...]" one character of a set (ranges "a-z", "!" first negates), letter
// case ignored. A mask that cannot be read (a set never closed, an empty or reversed
// range, more than kMaxMaskStars runs of "*") matches only the name equal to it.
#pragma once

#include <string>

constexpr int kMaxMaskStars = 30;

// True when mask can be used as a mask. Otherwise message says where it breaks:
// "'<mask>' is an invalid mask at (<1-based position>)".
bool IsValidMask(const std::string& mask, std::string& message);

// True when the whole name matches the whole mask; an invalid mask is taken literally.
bool MatchesMask(const std::string& name, const std::string& mask);
