#include "engine/mask.h"

namespace {

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// 0 when the mask is valid, else the 1-based position where it breaks.
size_t InvalidAt(const std::string& mask) {
    int stars = 0;
    for (size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] == '*') {
            if (i == 0 || mask[i - 1] != '*') {
                if (++stars > kMaxMaskStars)
                    return i + 1;
            }
            continue;
        }
        if (mask[i] != '[')
            continue;
        size_t open = i++;
        if (i < mask.size() && mask[i] == '!')
            ++i;
        size_t first = i;
        for (; i < mask.size() && mask[i] != ']'; ++i) {
            if (mask[i] != '-')
                continue;
            // A range needs a character on each side, the lower one first.
            if (i == first || i + 1 >= mask.size() || mask[i + 1] == ']' ||
                Upper(mask[i - 1]) > Upper(mask[i + 1]))
                return i + 1;
            ++i;
        }
        if (i >= mask.size())
            return open + 1;
        if (i == first) // "[]" or "[!]" holds no character at all
            return i + 1;
    }
    return 0;
}

// Matches one character against the set that starts after "[" at mask[i]; i ends
// after the closing "]". The mask is known to be valid.
bool InSet(char c, const std::string& mask, size_t& i) {
    bool negate = mask[i] == '!';
    if (negate)
        ++i;
    bool found = false;
    char u = Upper(c);
    for (; mask[i] != ']'; ++i) {
        char low = Upper(mask[i]);
        char high = low;
        if (i + 2 < mask.size() && mask[i + 1] == '-' && mask[i + 2] != ']') {
            high = Upper(mask[i + 2]);
            i += 2;
        }
        if (u >= low && u <= high)
            found = true;
    }
    ++i;
    return found != negate;
}

bool MatchFrom(const std::string& name, size_t n, const std::string& mask, size_t m) {
    // Backtracking over the last "*" only: a later star supersedes every earlier one.
    size_t starMask = std::string::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            while (m < mask.size() && mask[m] == '*')
                ++m;
            starMask = m;
            starName = n;
            continue;
        }
        if (m < mask.size()) {
            size_t next = m + 1;
            bool ok;
            if (mask[m] == '?')
                ok = true;
            else if (mask[m] == '[')
                ok = InSet(name[n], mask, next);
            else
                ok = Upper(mask[m]) == Upper(name[n]);
            if (ok) {
                m = next;
                ++n;
                continue;
            }
        }
        if (starMask == std::string::npos)
            return false;
        m = starMask;
        n = ++starName;
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    return true;
}

} // namespace

bool IsValidMask(const std::string& mask, std::string& message) {
    size_t at = InvalidAt(mask);
    if (at == 0)
        return true;
    message = "'" + mask + "' is an invalid mask at (" + std::to_string(at) + ")";
    return false;
}

bool MatchesMask(const std::string& name, const std::string& mask) {
    if (InvalidAt(mask) != 0)
        return SameIgnoringCase(name, mask);
    return MatchFrom(name, 0, mask, 0);
}
