// Text of the program's ANSI code page as UTF-16 and back (Windows only), for the few
// places where the ANSI calls fall short under the UTF-8 code page: the file services,
// which reach long paths only through the wide calls, and text drawn with GDI, whose ANSI
// calls read the system's code page rather than the program's.
#pragma once

#include <string>

#include <windows.h>

// Characters the code page lacks become "?" on the way back, as the ANSI calls give them.
inline std::wstring ToWide(const std::string& text, UINT codePage = CP_ACP) {
    const int length = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    if (wideLength > 0)
        MultiByteToWideChar(codePage, 0, text.data(), length, &wide[0], wideLength);
    return wide;
}

inline std::string FromWide(const std::wstring& wide, UINT codePage = CP_ACP) {
    const int length = static_cast<int>(wide.size());
    const int narrowLength =
        WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(narrowLength), '\0');
    if (narrowLength > 0)
        WideCharToMultiByte(codePage, 0, wide.data(), length, &text[0], narrowLength, nullptr,
                            nullptr);
    return text;
}
