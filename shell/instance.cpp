#include "shell/instance.h"

#include <sddl.h>

#include <vector>

#include "app/cmdline.h"
#include "platform/handle.h"

namespace {

// How long a program waits for the running one's window (which may still be starting) and
// for each answer: past that the running program counts as hung.
constexpr DWORD kHandOverWaitMs = 20000;
constexpr UINT kAnswerWaitMs = 10000;

// The user's security identifier as text: the name is the user's in every session.
std::string UserSid() {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened))
        return "user";
    TFileHandle token(opened);
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    char* text = nullptr;
    if (size == 0 || !GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size) ||
        !ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
        return "user";
    std::string sid = text;
    LocalFree(text);
    return sid;
}

struct TWindowSearch {
    const char* Property;
    HWND Found;
};

BOOL CALLBACK FindMarkedWindow(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<TWindowSearch*>(data);
    if (!GetPropA(window, search.Property))
        return TRUE;
    search.Found = window;
    return FALSE;
}

TCommandLine ParsedLine(const std::string& commandLine) {
    return ParseCommandLine(SplitCommandLine(commandLine), true);
}

bool Alone(const TCommandLine& line) {
    return line.AutoExit || line.Unattended;
}

} // namespace

bool RunsAlone(const std::string& commandLine) {
    return Alone(ParsedLine(commandLine));
}

bool IsHandOverCommand(const std::string& commandLine) {
    const TCommandLine line = ParsedLine(commandLine);
    return (line.StartUpdate || line.StartVerify) && !line.ShowUsage && !Alone(line);
}

std::string HandOverData(const THandedOverCommand& command) {
    return command.Folder + '\0' + command.CommandLine + '\0';
}

bool ReadHandOver(const COPYDATASTRUCT& data, THandedOverCommand& command) {
    if (data.dwData != kHandOverDataKind || !data.lpData || data.cbData < 2)
        return false;
    const std::string text(static_cast<const char*>(data.lpData), data.cbData);
    const size_t end = text.find('\0');
    if (text.back() != '\0' || end + 1 >= text.size() ||
        text.find('\0', end + 1) + 1 != text.size())
        return false;
    command.Folder = text.substr(0, end);
    command.CommandLine = text.substr(end + 1, text.size() - end - 2);
    return true;
}

TInstance::TInstance() : Property("Tolvane-" + UserSid()) {
    // Local: the session's namespace; the user's identifier makes it the user's alone.
    Mutex = CreateMutexA(nullptr, FALSE, ("Local\\" + Property).c_str());
    Owner = TakeMutex();
}

TInstance::~TInstance() {
    if (Owner)
        ReleaseMutex(Mutex);
    if (Mutex)
        CloseHandle(Mutex);
}

bool TInstance::TakeMutex() {
    if (!Mutex)
        return false;
    const DWORD taken = WaitForSingleObject(Mutex, 0);
    // Abandoned: the owner ended without letting go, so the mutex is this program's now.
    return taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED;
}

bool TInstance::HandOver(const THandedOverCommand& command) {
    const std::string data = HandOverData(command);
    COPYDATASTRUCT copy{kHandOverDataKind, static_cast<DWORD>(data.size()),
                        const_cast<char*>(data.data())};
    const DWORD start = GetTickCount();
    while (!Owner && GetTickCount() - start < kHandOverWaitMs) {
        TWindowSearch search{Property.c_str(), nullptr};
        EnumWindows(FindMarkedWindow, reinterpret_cast<LPARAM>(&search));
        DWORD_PTR answer = kHandOverRefused;
        if (search.Found &&
            SendMessageTimeoutA(search.Found, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy),
                                SMTO_ABORTIFHUNG, kAnswerWaitMs, &answer) &&
            answer == kHandOverTaken)
            return true;
        Sleep(50);
        // The window is still starting, or closing: once its program has ended, this one
        // takes the runs.
        Owner = TakeMutex();
    }
    return false;
}
