// Online help: the help file's name, the lookup of the HTML Help component through its
// registry entry, and the two messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/tools.h"
#include "app/texts.h"
#include "shell/help.h"
#include "shell/msgbox.h"

namespace {

TEST(HelpFile, IsTheProgramFileWithTheChmExtension) {
    struct TCase {
        const char* Program;
        const char* Help;
    };
    const TCase cases[] = {
        {"C:\\Tools\\tlvn.exe", "C:\\Tools\\tlvn.chm"},
        {"C:\\Tools\\TLVN.EXE", "C:\\Tools\\TLVN.chm"},
        {"C:\\My.Tools\\tlvn", "C:\\My.Tools\\tlvn.chm"},
        {"C:\\Tools\\tlvn.old.exe", "C:\\Tools\\tlvn.old.chm"},
        {"\\\\server\\share\\tlvn.exe", "\\\\server\\share\\tlvn.chm"},
        {"tlvn", "tlvn.chm"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(HelpFileFor(c.Program), c.Help) << c.Program;
}

// A component entry of the test's own under HKEY_CLASSES_ROOT, removed afterwards.
constexpr char kTestClass[] = "CLSID\\{5d3c1f8e-7a41-4c7e-9b1e-0c51a7e2d9f4}";
constexpr char kTestKey[] = "CLSID\\{5d3c1f8e-7a41-4c7e-9b1e-0c51a7e2d9f4}\\InprocServer32";

void SetTestEntry(const std::string& library) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, kTestKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(library.c_str()),
                   static_cast<DWORD>(library.size() + 1));
    RegCloseKey(key);
}

void RemoveTestEntry() {
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kTestKey);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kTestClass);
}

// The library the system's own entry names (hhctrl.ocx under Wine).
std::string SystemHelpLibrary() {
    std::string library;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, THtmlHelp::kComponentKey, 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        RegReadString(key, "", library);
        RegCloseKey(key);
    }
    return library;
}

std::string SystemFolder() {
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    return folder;
}

BOOL CALLBACK CollectHelpWindow(HWND window, LPARAM list) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof(name));
    if (std::string(name) == "HH Parent")
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// The windows that HtmlHelpA opened for this thread.
std::vector<HWND> HelpWindows() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), CollectHelpWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

class HelpTest : public testing::Test {
protected:
    void SetUp() override {
        Owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
        SetMessageBoxHook([this](const TMessageBoxCall& call) {
            Boxes.push_back(call);
            return IDOK;
        });
    }
    void TearDown() override {
        SetMessageBoxHook(nullptr);
        // The program's own help keeps the component loaded until the program ends: end
        // it here, as the window does, so a later test sees only its own instance.
        CloseHelp();
        RemoveTestEntry();
        for (HWND window : HelpWindows())
            DestroyWindow(window);
        DestroyWindow(Owner);
    }

    // The one message box shown, checked for the error form without a caption of its own.
    std::string OnlyMessage() {
        EXPECT_EQ(Boxes.size(), 1u);
        if (Boxes.size() != 1)
            return std::string();
        EXPECT_EQ(Boxes[0].Owner, Owner);
        EXPECT_EQ(Boxes[0].Caption, "");
        EXPECT_EQ(Boxes[0].Type, static_cast<UINT>(MB_ICONERROR));
        return Boxes[0].Text;
    }

    HWND Owner = nullptr;
    std::vector<TMessageBoxCall> Boxes;
};

TEST_F(HelpTest, MissingComponentIsReported) {
    struct TCase {
        const char* Name;
        std::string Library; // empty: no entry at all
    };
    const TCase cases[] = {
        {"no registry entry", ""},
        {"library file missing", SystemFolder() + "\\tlvn-no-such-help.ocx"},
        {"library without HtmlHelpA", SystemFolder() + "\\version.dll"},
        {"entry is a folder", SystemFolder()},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Boxes.clear();
        RemoveTestEntry();
        if (!c.Library.empty())
            SetTestEntry(c.Library);
        THtmlHelp help(kTestKey);
        help.Show(Owner, "C:\\anything.chm");
        EXPECT_EQ(OnlyMessage(), texts::kHelpNotSupported);
        EXPECT_TRUE(HelpWindows().empty());
    }
}

TEST_F(HelpTest, ComponentIsLookedUpAgainUntilFound) {
    const std::string library = SystemHelpLibrary();
    ASSERT_FALSE(library.empty()) << "this system has no HTML Help component";
    THtmlHelp help(kTestKey);
    help.Show(Owner, "C:\\tlvn-missing.chm");
    EXPECT_EQ(OnlyMessage(), texts::kHelpNotSupported);

    Boxes.clear();
    SetTestEntry(library);
    help.Show(Owner, "C:\\tlvn-missing.chm");
    EXPECT_EQ(OnlyMessage(), "Help file (C:\\tlvn-missing.chm) not found.");

    // Once found, the entry point stays even when the registry entry goes.
    Boxes.clear();
    RemoveTestEntry();
    help.Show(Owner, "C:\\tlvn-missing.chm");
    EXPECT_EQ(OnlyMessage(), "Help file (C:\\tlvn-missing.chm) not found.");
}

TEST_F(HelpTest, ProgramHelpNamesTheFullPathOfTheMissingFile) {
    ASSERT_FALSE(SystemHelpLibrary().empty()) << "this system has no HTML Help component";
    const std::string expected = HelpFileFor(GetModulePath(nullptr));
    ASSERT_EQ(GetFileAttributesA(expected.c_str()), INVALID_FILE_ATTRIBUTES);
    ShowHelp(Owner);
    EXPECT_EQ(OnlyMessage(), "Help file (" + expected + ") not found.");
    EXPECT_NE(expected.find(":\\"), std::string::npos) << "not a full path: " << expected;
}

// The program's help file next to tlvn.exe, as the build leaves it.
std::string BuiltHelpFile() {
    std::string path = "Z:" + std::string(TLVN_EXE_PATH);
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return HelpFileFor(path);
}

TEST_F(HelpTest, PresentFileOpensInTheHelpViewer) {
    ASSERT_FALSE(SystemHelpLibrary().empty()) << "this system has no HTML Help component";
    const std::string file = BuiltHelpFile();
    ASSERT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES) << file;
    THtmlHelp help;
    help.Show(Owner, file);
    EXPECT_TRUE(Boxes.empty());
    const std::vector<HWND> windows = HelpWindows();
    ASSERT_EQ(windows.size(), 1u);
    char title[256] = {};
    GetWindowTextA(windows[0], title, sizeof(title));
    EXPECT_STREQ(title, "Tolvane Help");

    // At the program's end the viewer closes and the component is released.
    help.Close();
    EXPECT_TRUE(HelpWindows().empty());
    EXPECT_EQ(GetModuleHandleA(SystemHelpLibrary().c_str()), nullptr);
}

} // namespace
