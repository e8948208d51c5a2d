#include "shell/links.h"

#include <shellapi.h>

#include <chrono>
#include <random>
#include <utility>

#include "app/texts.h"
#include "engine/engine.h"
#include "platform/tools.h"

std::string UpdateUrl;
std::string HomeUrl;
std::string MailUrl;

namespace {

// The code every update token starts from; the server reads the product from it.
constexpr char kTokenCode[] = "7C3A51E9";
constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

TOpenLinkHook& Hook() {
    static TOpenLinkHook hook;
    return hook;
}

} // namespace

TWebLinks MakeWebLinks(const std::string& version) {
    // The home page, the one address the lists' header lines name too, ends in "/".
    const std::string home = kHomePageAddress;
    return TWebLinks{home + "update?prod=tlvn&ver=" + version, home + "?ref=program",
                     std::string("mailto:") + texts::kMailAddress + "?Subject=TLVN(ref=program)"};
}

void BuildWebLinks() {
    TWebLinks links = MakeWebLinks(GetVersionText(GetModulePath(nullptr), "", "", false));
    UpdateUrl = std::move(links.UpdateUrl);
    HomeUrl = std::move(links.HomeUrl);
    MailUrl = std::move(links.MailUrl);
}

std::string MakeUpdateToken(const std::string& code, unsigned char random) {
    if (code.size() != 8)
        return std::string();
    int digits[8];
    for (int i = 0; i < 8; ++i) {
        digits[i] = HexValue(code[i]);
        if (digits[i] < 0)
            return std::string();
    }
    digits[0] = random / 16;
    digits[1] = random % 16;
    for (int i = 2; i < 8; ++i)
        digits[i] ^= digits[i % 2];
    std::string token(8, '0');
    for (int i = 0; i < 8; ++i)
        token[i] = kHexDigits[digits[i]];
    return token;
}

std::string MakeUpdateAddress() {
    std::minstd_rand generator(
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<int> byte(0, 255);
    return UpdateUrl +
           "&rand=" + MakeUpdateToken(kTokenCode, static_cast<unsigned char>(byte(generator)));
}

void OpenLink(HWND parent, const std::string& address) {
    if (Hook()) {
        try {
            Hook()(parent, address);
        } catch (...) {
        }
        return;
    }
    static const auto open =
        LateSystemEntry<decltype(&ShellExecuteA)>("shell32.dll", "ShellExecuteA");
    if (open)
        open(parent, nullptr, address.c_str(), nullptr, nullptr, SW_SHOWDEFAULT);
}

TOpenLinkHook SetOpenLinkHook(TOpenLinkHook hook) {
    return std::exchange(Hook(), std::move(hook));
}
