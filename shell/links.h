// The program's three web links (update check, home page, mail), the update token, and the
// one way a link is opened, which tests can replace.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Built by BuildWebLinks at program start; empty before.
extern std::string UpdateUrl;
extern std::string HomeUrl;
extern std::string MailUrl;

struct TWebLinks {
    std::string UpdateUrl;
    std::string HomeUrl;
    std::string MailUrl;
};

// The three links for a program version text such as 1.5.0.
TWebLinks MakeWebLinks(const std::string& version);

// Fills UpdateUrl, HomeUrl and MailUrl from the program file's own version.
void BuildWebLinks();

// The eight-digit token of an update check: digits 1 and 2 become the random byte, and
// digits 3 to 8 are XORed with digit 1 (odd places) or digit 2 (even places). The code
// must be eight hexadecimal digits; an invalid code gives the empty text.
std::string MakeUpdateToken(const std::string& code, unsigned char random);

// The address of one update check: UpdateUrl, "&rand=" and a token drawn now from the
// program's own code and a random byte seeded from the clock.
std::string MakeUpdateAddress();

// Opens an address with the system's default handler (ShellExecuteA, default verb,
// SW_SHOWDEFAULT), or hands it to the installed hook. The result is not examined.
void OpenLink(HWND parent, const std::string& address);

using TOpenLinkHook = std::function<void(HWND parent, const std::string& address)>;

// Installs the hook (an empty one restores ShellExecuteA); returns the previous hook.
TOpenLinkHook SetOpenLinkHook(TOpenLinkHook hook);
