// The Win32 helpers: registry values and the folder history, control texts, the
// clipboard, the program's path and version, day counts and the save dialog's inputs.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/tools.h"
#include "shell/save_dialog.h"
#include "version.h"

namespace {

constexpr char kToolsKey[] = "Software\\Quorvale\\tlvn-tools-test";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kToolsKey) + "\\History").c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, kToolsKey);
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kToolsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &Key, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(Key);
        RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kToolsKey) + "\\History").c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, kToolsKey);
    }
    void Raw(const char* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExA(Key, name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    HKEY Key = nullptr;
};

TEST_F(RegistryTest, ValuesOfTheRightTypeAreRead) {
    const DWORD two = 2, zero = 0;
    Raw("Two", REG_DWORD, &two, 4);
    Raw("Zero", REG_DWORD, &zero, 4);
    Raw("Empty", REG_SZ, "", 1);
    Raw("Text", REG_SZ, "C:\\a b.md5", 11);
    Raw("NoNul", REG_SZ, "abc", 3);
    int32_t number = -1;
    EXPECT_TRUE(RegReadInteger(Key, "Two", number));
    EXPECT_EQ(number, 2);
    bool flag = false;
    EXPECT_TRUE(RegReadBoolean(Key, "Two", flag));
    EXPECT_TRUE(flag) << "any value but 0 is true";
    EXPECT_TRUE(RegReadBoolean(Key, "Zero", flag));
    EXPECT_FALSE(flag);
    std::string text = "before";
    EXPECT_TRUE(RegReadString(Key, "Empty", text));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(RegReadString(Key, "Text", text));
    EXPECT_EQ(text, "C:\\a b.md5");
    EXPECT_TRUE(RegReadString(Key, "NoNul", text));
    EXPECT_EQ(text, "abc") << "data stored without its NUL loses no character";
}

TEST_F(RegistryTest, MissingValuesAndWrongTypesLeaveTheVariableAlone) {
    const uint64_t wide = 7;
    const BYTE four[4] = {1, 0, 0, 0};
    const BYTE two[2] = {1, 0};
    const DWORD number = 9;
    Raw("Wide", REG_QWORD, &wide, 8);
    Raw("Binary", REG_BINARY, four, 4);
    Raw("Short", REG_DWORD, two, 2);
    Raw("String", REG_SZ, "1", 2);
    Raw("Number", REG_DWORD, &number, 4);
    for (const char* name : {"Missing", "Wide", "Binary", "Short", "String"}) {
        int32_t value = 42;
        EXPECT_FALSE(RegReadInteger(Key, name, value)) << name;
        EXPECT_EQ(value, 42) << name;
        bool flag = false;
        EXPECT_FALSE(RegReadBoolean(Key, name, flag)) << name;
        EXPECT_FALSE(flag) << name;
    }
    for (const char* name : {"Missing", "Number", "Binary"}) {
        std::string text = "kept";
        EXPECT_FALSE(RegReadString(Key, name, text)) << name;
        EXPECT_EQ(text, "kept") << name;
    }
}

TEST_F(RegistryTest, WrittenValuesHaveTheirTypesAndSizes) {
    ASSERT_TRUE(RegWriteInteger(Key, "Int", -3));
    ASSERT_TRUE(RegWriteBoolean(Key, "True", true));
    ASSERT_TRUE(RegWriteString(Key, "Str", "md5sum.lst"));
    struct {
        const char* Name;
        DWORD Type, Size;
    } cases[] = {{"Int", REG_DWORD, 4}, {"True", REG_DWORD, 4}, {"Str", REG_SZ, 11}};
    for (const auto& c : cases) {
        DWORD type = 0, size = 0;
        ASSERT_EQ(RegQueryValueExA(Key, c.Name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, c.Type) << c.Name;
        EXPECT_EQ(size, c.Size) << c.Name;
    }
    int32_t number = 0;
    EXPECT_TRUE(RegReadInteger(Key, "Int", number));
    EXPECT_EQ(number, -3);
    EXPECT_TRUE(RegReadInteger(Key, "True", number));
    EXPECT_EQ(number, 1);
}

// A hidden dialog-like window holding one combo box, id 100.
class TComboHost {
public:
    TComboHost() {
        Host = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr,
                               nullptr);
        CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWN | CBS_SORT, 0, 0, 200, 100, Host,
                        reinterpret_cast<HMENU>(100), nullptr, nullptr);
    }
    ~TComboHost() { DestroyWindow(Host); }
    void Add(const char* text) const {
        SendDlgItemMessageA(Host, 100, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> entries;
        LRESULT count = SendDlgItemMessageA(Host, 100, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            char text[MAX_PATH] = "";
            SendDlgItemMessageA(Host, 100, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            entries.push_back(text);
        }
        return entries;
    }
    HWND Host;
};

TEST_F(RegistryTest, ComboListRoundTripKeepsOneSpellingAndNoEmptyEntry) {
    TComboHost source;
    for (const char* entry : {"C:\\Data", "c:\\data", "", "D:\\Other folder"})
        source.Add(entry);
    RegWriteComboList(Key, "History", source.Host, 100);

    TComboHost target;
    target.Add("stale entry");
    RegReadComboList(Key, "History", target.Host, 100);
    auto entries = target.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0] == "C:\\Data" || entries[0] == "c:\\data") << entries[0];
    EXPECT_EQ(entries[1], "D:\\Other folder");

    // An empty list deletes every value and keeps the sub-key.
    TComboHost empty;
    RegWriteComboList(Key, "History", empty.Host, 100);
    HKEY history = nullptr;
    ASSERT_EQ(RegOpenKeyExA(Key, "History", 0, KEY_READ, &history), ERROR_SUCCESS);
    DWORD values = 99;
    RegQueryInfoKeyA(history, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                     nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(history);
    EXPECT_EQ(values, 0u);
    RegReadComboList(Key, "History", target.Host, 100);
    EXPECT_TRUE(target.Entries().empty());

    // A missing sub-key empties the combo box.
    target.Add("stale entry");
    RegReadComboList(Key, "NoSuchKey", target.Host, 100);
    EXPECT_TRUE(target.Entries().empty());
}

TEST(DayCount, CountsDaysFromTheThirtiethOfDecember1899) {
    struct {
        int Year, Month, Day;
        int32_t Count;
    } cases[] = {
        {1899, 12, 30, 0}, {1900, 1, 1, 2},      {2000, 1, 1, 36526},  {2000, 2, 29, 36585},
        {1900, 2, 29, -1}, {0, 6, 1, -1},        {1, 1, 1, -693593},   {9999, 12, 31, 2958465},
        {10000, 1, 1, -1}, {2026, 12, 6, 46362}, {2024, 2, 29, 45351}, {2023, 2, 29, -1},
        {2026, 13, 1, -1}, {2026, 0, 1, -1},     {2026, 4, 31, -1},    {2026, 4, 0, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateToDayCount(c.Year, c.Month, c.Day), c.Count)
            << c.Year << "-" << c.Month << "-" << c.Day;
}

TEST(ControlTexts, DialogTextIsCutAt2046Characters) {
    HWND host = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr,
                                nullptr, nullptr);
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 200, 20, host,
                                reinterpret_cast<HMENU>(7), nullptr, nullptr);
    SendMessageA(edit, EM_LIMITTEXT, 0, 0);
    struct {
        size_t Length, Read;
    } cases[] = {{0, 0}, {10, 10}, {2046, 2046}, {2047, 2046}, {3000, 2046}};
    for (const auto& c : cases) {
        std::string text;
        for (size_t i = 0; i < c.Length; ++i)
            text.push_back(static_cast<char>('a' + i % 26));
        SetWindowTextA(edit, text.c_str());
        EXPECT_EQ(GetDlgItemString(host, 7), text.substr(0, c.Read)) << c.Length;
        EXPECT_EQ(GetWindowString(edit), text) << "the whole text, " << c.Length;
    }
    DestroyWindow(host);
}

TEST(ControlTexts, ListBoxItemTextAndMissingItems) {
    HWND list = CreateWindowExA(0, "LISTBOX", "", WS_POPUP | LBS_HASSTRINGS, 0, 0, 100, 100,
                                nullptr, nullptr, nullptr, nullptr);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("first line"));
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(""));
    EXPECT_EQ(GetListBoxItemText(list, 0), "first line");
    EXPECT_EQ(GetListBoxItemText(list, 1), "");
    EXPECT_EQ(GetListBoxItemText(list, 5), "");
    DestroyWindow(list);
}

TEST(ControlTexts, SignedHalvesOfAMessageParameter) {
    struct {
        LPARAM Value;
        int Low, High;
    } cases[] = {{MAKELPARAM(10, 20), 10, 20},
                 {static_cast<LPARAM>(0xFFFFFFFFu), -1, -1},
                 {MAKELPARAM(0x8000, 0x7FFF), -32768, 32767},
                 {MAKELPARAM(-5, -300), -5, -300}};
    for (const auto& c : cases) {
        EXPECT_EQ(LoWordSigned(c.Value), c.Low);
        EXPECT_EQ(HiWordSigned(c.Value), c.High);
    }
}

TEST(Geometry, CenterOnOwnerMovesOverTheOwnersClientArea) {
    HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 100, 100, 400, 300, nullptr, nullptr,
                                 nullptr, nullptr);
    // An owned popup that starts at the owner's client origin, as a dialog from a template.
    struct {
        int Width, Height, Left, Top;
    } cases[] = {{100, 50, 250, 225}, {400, 300, 100, 100}, {101, 51, 249, 224}, {600, 400, 0, 50}};
    for (const auto& c : cases) {
        HWND popup = CreateWindowExA(0, "STATIC", "", WS_POPUP, 100, 100, c.Width, c.Height, owner,
                                     nullptr, nullptr, nullptr);
        CenterOnOwner(popup);
        RECT rect;
        GetWindowRect(popup, &rect);
        EXPECT_EQ(rect.left, c.Left) << c.Width;
        EXPECT_EQ(rect.top, c.Top) << c.Height;
        EXPECT_EQ(rect.right - rect.left, c.Width);
        DestroyWindow(popup);
    }
    DestroyWindow(owner);
}

TEST(Geometry, ControlRectIsInTheDialogsClientCoordinates) {
    HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 100, 100, 400, 300, nullptr, nullptr,
                                 nullptr, nullptr);
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 30, 20, 100, 50, owner,
                                 reinterpret_cast<HMENU>(5), nullptr, nullptr);
    TControlRect control = GetControlRect(owner, 5);
    EXPECT_EQ(control.Window, child);
    EXPECT_EQ(control.Rect.left, 30);
    EXPECT_EQ(control.Rect.top, 20);
    EXPECT_EQ(control.Rect.right, 130);
    EXPECT_EQ(control.Rect.bottom, 70);
    DestroyWindow(owner);
}

TEST(Clipboard, TextArrivesAsItWasGiven) {
    const std::string texts[] = {"one line", "line 1\r\nline 2", ""};
    for (const std::string& text : texts) {
        ASSERT_EQ(CopyTextToClipboard(nullptr, text), 0u);
        ASSERT_TRUE(OpenClipboard(nullptr));
        HANDLE data = GetClipboardData(CF_TEXT);
        ASSERT_TRUE(data);
        const char* got = static_cast<const char*>(GlobalLock(data));
        EXPECT_EQ(std::string(got ? got : "<none>"), text);
        GlobalUnlock(data);
        CloseClipboard();
    }
}

std::string ProgramPath() {
    std::vector<char> buffer(32768);
    DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    return std::string(buffer.data(), length);
}

TEST(ProgramFile, ModulePathIsTheWholePath) {
    EXPECT_EQ(GetModulePath(nullptr), ProgramPath());
    EXPECT_EQ(GetModulePath(GetModuleHandleA(nullptr)), ProgramPath());
}

TEST(ProgramFile, LateSystemEntriesAreFoundOrNull) {
    struct {
        const char* Library;
        const char* Name;
        bool Found;
    } cases[] = {{"comdlg32.dll", "GetSaveFileNameA", true},
                 {"shell32.dll", "ShellExecuteA", true},
                 {"shell32.dll", "NoSuchEntry", false},
                 {"no_such_library.dll", "ShellExecuteA", false}};
    for (const auto& c : cases)
        EXPECT_EQ(LateSystemEntry(c.Library, c.Name) != nullptr, c.Found) << c.Library << c.Name;
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// A copy of this program in a folder deep enough that its path has the given length,
// loaded as a module; no module when the system cannot hold or load such a path. Long
// paths need the wide calls.
class TDeepCopy {
public:
    explicit TDeepCopy(size_t pathLength) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        std::string folder = std::string(temp) + "tlvn-deep";
        MakeFolder(folder);
        const std::string name = "\\c.exe";
        while (folder.size() + name.size() + 120 < pathLength) {
            folder += "\\" + std::string(100, 'd');
            MakeFolder(folder);
        }
        folder += "\\" + std::string(pathLength - folder.size() - name.size() - 1, 'e');
        MakeFolder(folder);
        File = folder + name;
        if (!CopyFileW(Wide(ProgramPath()).c_str(), Long(File).c_str(), FALSE))
            return;
        Module = LoadLibraryExW(Long(File).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    }
    ~TDeepCopy() {
        if (Module)
            FreeLibrary(Module);
        DeleteFileW(Long(File).c_str());
        for (auto it = Folders.rbegin(); it != Folders.rend(); ++it)
            RemoveDirectoryW(Long(*it).c_str());
    }
    HMODULE Module = nullptr;
    std::string File;

private:
    static std::wstring Long(const std::string& path) { return L"\\\\?\\" + Wide(path); }
    void MakeFolder(const std::string& folder) {
        CreateDirectoryW(Long(folder).c_str(), nullptr);
        Folders.push_back(folder);
    }
    std::vector<std::string> Folders;
};

TEST(ProgramFile, ModulePathGrowsPast1024Characters) {
    for (size_t length : {1023u, 1024u, 1025u, 2100u}) {
        TDeepCopy copy(length);
        if (!copy.Module)
            GTEST_SKIP() << "this system cannot load a module from a path of " << length;
        const std::string expected = copy.File;
        ASSERT_EQ(expected.size(), length);
        std::string got = GetModulePath(copy.Module);
        // Some systems report long module paths with their \\?\ prefix.
        if (got.rfind("\\\\?\\", 0) == 0)
            got = got.substr(4);
        EXPECT_EQ(got, expected) << length;
    }
}

TEST(ProgramFile, VersionTextReadsTheVersionResource) {
    const std::string path = ProgramPath();
    EXPECT_EQ(GetVersionText(path, "version", "build", false), TLVN_VERSION_TEXT);
    EXPECT_EQ(GetVersionText(path, "version", "build", true),
              std::string("version ") + TLVN_VERSION_TEXT + " (build " +
                  std::to_string(TLVN_VERSION_BUILD) + ")");
    EXPECT_EQ(GetVersionText("C:\\no such file.exe", "version", "build", true), "");
}

TEST(DateText, DateAndTimeInTheUsersLocale) {
    char language[16] = "";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, language, sizeof(language));
    if (std::string(language) != "en")
        GTEST_SKIP() << "the expected words are English";
    SYSTEMTIME time{};
    time.wYear = 2026;
    time.wMonth = 12;
    time.wDayOfWeek = 0;
    time.wDay = 6;
    time.wHour = 5;
    time.wMinute = 33;
    time.wSecond = 35;
    EXPECT_EQ(FormatDateTimeText(time), "Sun, 6 Dec 2026 5:33.35");
    time.wHour = 17;
    time.wMinute = 4;
    time.wSecond = 9;
    time.wDay = 1;
    time.wDayOfWeek = 2;
    EXPECT_EQ(FormatDateTimeText(time), "Tue, 1 Dec 2026 17:04.09");
}

TEST(SaveDialog, FilterAndDefaultExtension) {
    EXPECT_EQ(SystemFileFilter("All files (*.*)|*.*"), std::string("All files (*.*)\0*.*\0", 20));
    EXPECT_EQ(SystemFileFilter(""), std::string("\0", 1));
    struct {
        const char* Given;
        const char* Name;
        const char* Extension;
    } cases[] = {
        {"", "md5sum.lst", "lst"},
        {"", "*.md5", "md5"},
        {"", "checksums", ""},
        {"", "C:\\dir.v2\\list", ""},
        {"", "C:\\dir\\list.sfv", "sfv"},
        {"txt", "md5sum.lst", "txt"},
        {"", "archive.tar.md5", "md5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DefaultExtensionFor(c.Given, c.Name), c.Extension) << c.Name;
}

TEST(SaveDialog, InitialNameIsCutTo259Characters) {
    std::string seen;
    TSaveFileHook previous = SetSaveFileHook([&](const TSaveFileRequest& request, std::string&) {
        seen = request.InitialName;
        return false;
    });
    std::string name(300, 'n');
    EXPECT_FALSE(AskSaveFileName(nullptr, "t", "All|*.*", "", "", name));
    EXPECT_EQ(seen.size(), 259u);
    EXPECT_EQ(name, std::string(300, 'n')) << "unchanged when cancelled";
    SetSaveFileHook(previous);
}

} // namespace

namespace {

// Answers the folder browser from inside its own modal loop: notes its caption and
// presses OK or Cancel.
struct TBrowserAnswer {
    int Button = IDCANCEL;
    std::string Caption;
    bool TitleHidden = false;
    bool Answered = false;
};
TBrowserAnswer* BrowserAnswer = nullptr;

BOOL CALLBACK FindBrowser(HWND window, LPARAM result) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof(name));
    if (std::string(name) == "#32770" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK AnswerBrowser(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND browser = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBrowser, reinterpret_cast<LPARAM>(&browser));
    if (!browser || !BrowserAnswer || BrowserAnswer->Answered)
        return;
    KillTimer(nullptr, timer);
    char caption[256] = "";
    GetWindowTextA(browser, caption, sizeof(caption));
    BrowserAnswer->Caption = caption;
    BrowserAnswer->TitleHidden = !IsWindowVisible(GetDlgItem(browser, 14146));
    BrowserAnswer->Answered = true;
    PostMessageA(browser, WM_COMMAND, MAKEWPARAM(BrowserAnswer->Button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(browser, BrowserAnswer->Button)));
}

} // namespace

TEST(FolderBrowser, StartsAtTheTrimmedFolderOrTheDocumentsAndKeepsItTrimmedWhenCancelled) {
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    char documents[MAX_PATH] = "";
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, documents, CSIDL_PERSONAL, FALSE));
    const std::string padded = std::string(" \t ") + windows + "  ";
    struct {
        std::string Folder;
        int Button;
        bool Chosen;
        const char* Expected; // OK at once returns the folder the browser started at
    } cases[] = {{padded, IDCANCEL, false, windows},
                 {padded, IDOK, true, windows},
                 {"", IDOK, true, documents},
                 {"", IDCANCEL, false, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE("\"" + c.Folder + "\" " + std::to_string(c.Button));
        TBrowserAnswer answer;
        answer.Button = c.Button;
        BrowserAnswer = &answer;
        SetTimer(nullptr, 0, 100, AnswerBrowser);
        std::string folder = c.Folder;
        bool chosen = BrowseForFolder(nullptr, "Select folder to processing", folder);
        BrowserAnswer = nullptr;
        ASSERT_TRUE(answer.Answered);
        EXPECT_EQ(chosen, c.Chosen);
        EXPECT_EQ(answer.Caption, "Select folder to processing") << "the title is the caption";
        EXPECT_TRUE(answer.TitleHidden);
        EXPECT_EQ(_stricmp(folder.c_str(), c.Expected), 0) << folder;
    }
}
