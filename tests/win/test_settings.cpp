// Settings in the registry: defaults, machine-wide values, the user's values winning, the
// folder history, and a second start restoring what the first exit wrote, a folder name
// beyond any ANSI code page included.
#include "main_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "platform/tools.h"
#include "app/run.h"
#include "resources/resource.h"

namespace {

// An open settings key of the tests, created when missing.
class TKey {
public:
    explicit TKey(HKEY root, const std::string& sub = "") {
        std::string path = std::string(kTestSettingsKey) + sub;
        RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr);
    }
    ~TKey() {
        if (Key)
            RegCloseKey(Key);
    }
    HKEY Get() const { return Key; }
    int32_t Integer(const char* name) const {
        int32_t value = -12345;
        EXPECT_TRUE(RegReadInteger(Key, name, value)) << name;
        return value;
    }
    std::string String(const char* name) const {
        std::string value = "<missing>";
        EXPECT_TRUE(RegReadString(Key, name, value)) << name;
        return value;
    }
    std::set<std::string> ValueNames() const {
        std::set<std::string> names;
        char name[1024];
        for (DWORD i = 0;; ++i) {
            DWORD length = sizeof(name);
            if (RegEnumValueA(Key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            names.insert(name);
        }
        return names;
    }

private:
    HKEY Key = nullptr;
};

bool UserKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kTestSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::vector<std::string> ComboEntries(HWND dialog) {
    std::vector<std::string> entries;
    LRESULT count = SendDlgItemMessageA(dialog, IDC_FOLDER, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[MAX_PATH] = "";
        SendDlgItemMessageA(dialog, IDC_FOLDER, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

RECT WindowRect(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

class SettingsTest : public ::testing::Test {
protected:
    TTestSettingsKey Key;
};

TEST_F(SettingsTest, FirstStartTakesTheDefaultsAndTheFirstExitWritesThemAll) {
    auto dialog = std::make_unique<TMainDialog>();
    TMainWindow& window = dialog->Window();
    EXPECT_EQ(window.GetFolder(), "");
    EXPECT_EQ(window.GetFilter(), "*.*");
    const std::array<std::string, 25> names = {
        "md5sum.lst",     "md5sum.lst",     "md5sum.lst",     "*.md5",    "*.md5",
        "checksum.lst",   "checksum.lst",   "checksum.lst",   "*.sfv",    "*.sfv",
        "sha256sum.lst",  "sha256sum.lst",  "sha256sum.lst",  "*.sha256", "*.sha256",
        "b3sums.lst",     "b3sums.lst",     "b3sums.lst",     "*.b3",     "*.b3",
        "xxh128sums.lst", "xxh128sums.lst", "xxh128sums.lst", "*.xxh128", "*.xxh128"};
    EXPECT_EQ(window.ChecksumNames(), names);
    EXPECT_TRUE(window.GetSubfolders());
    EXPECT_EQ(window.GetOverwriteMode(), 0);
    EXPECT_EQ(window.GetFormat(), 0);
    EXPECT_EQ(window.GetPlacement(), 0);
    EXPECT_TRUE(ShowToolTips);
    EXPECT_EQ(HeaderMode, 0);
    EXPECT_FALSE(DetailedLog);
    EXPECT_TRUE(RemindToCheck);
    EXPECT_EQ(window.UpdateDays().LastUpdateCheck, 0);
    EXPECT_FALSE(window.StartupRequests().RemindUpdates);
    EXPECT_GE(window.Sizes().PanelWidth, window.Sizes().MinPanelWidth);
    EXPECT_LE(window.Sizes().PanelWidth,
              window.Sizes().MinPanelWidth + LOWORD(GetDialogBaseUnits()) / 4);
    const LONG base = GetDialogBaseUnits();
    const RECT rect = WindowRect(dialog->Handle);
    // Wide enough for a whole finding line in the log, within the screen and centred on it.
    HWND log = GetDlgItem(dialog->Handle, IDC_LOG);
    const std::string finding = "FAIL: The file \"D:\\Photos\\2026\\Holiday in "
                                "Kyoto\\IMG_20260512_101530.jpg\" has different checksum value";
    HDC dc = GetDC(log);
    const HGDIOBJ font =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(log, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32A(dc, finding.c_str(), static_cast<int>(finding.size()), &extent);
    SelectObject(dc, font);
    ReleaseDC(log, dc);
    RECT logClient, area;
    GetClientRect(log, &logClient);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_GE(logClient.right, extent.cx + 2);
    EXPECT_GE(rect.left, area.left);
    EXPECT_LE(rect.right, area.right);
    EXPECT_NEAR(rect.left - area.left, area.right - rect.right, 1);
    EXPECT_GE(rect.right - rect.left,
              std::max(MulDiv(470, LOWORD(base), 8), window.Sizes().MinWidth));
    EXPECT_EQ(rect.bottom - rect.top,
              std::max(MulDiv(290, HIWORD(base), 16), window.Sizes().MinHeight));
    const int32_t today = window.UpdateDays().Today;
    EXPECT_FALSE(UserKeyExists()) << "nothing is written before the exit";

    dialog.reset();
    TKey user(HKEY_CURRENT_USER);
    EXPECT_EQ(user.String("FilePath"), "");
    EXPECT_EQ(user.String("FileMask"), "*.*");
    EXPECT_EQ(user.String("MD5ListExt"), "*.md5");
    EXPECT_EQ(user.String("SFVListAny"), "checksum.lst");
    EXPECT_EQ(user.String("SHA256ListFix"), "sha256sum.lst");
    EXPECT_EQ(user.String("SHA256ListPer"), "*.sha256");
    EXPECT_EQ(user.String("BLAKE3ListAll"), "b3sums.lst");
    EXPECT_EQ(user.String("BLAKE3ListExt"), "*.b3");
    EXPECT_EQ(user.String("XXH128ListPer"), "*.xxh128");
    EXPECT_EQ(user.Integer("Subdirs"), 1);
    EXPECT_EQ(user.Integer("Overwrite"), 0);
    EXPECT_EQ(user.Integer("Format"), 0);
    EXPECT_EQ(user.Integer("Locate"), 0);
    EXPECT_EQ(user.Integer("Left"), rect.left);
    EXPECT_EQ(user.Integer("Top"), rect.top);
    EXPECT_EQ(user.Integer("Width"), rect.right - rect.left);
    EXPECT_EQ(user.Integer("Height"), rect.bottom - rect.top);
    EXPECT_EQ(user.Integer("Tooltips"), 1);
    EXPECT_EQ(user.Integer("Headers"), 0);
    EXPECT_EQ(user.Integer("Detailed"), 0);
    EXPECT_EQ(user.Integer("Reminder"), 1);
    EXPECT_EQ(user.Integer("Workers"), kWorkersByDisk);
    EXPECT_EQ(user.Integer("Checked"), today) << "the first exit records today";
    EXPECT_EQ(user.String("ExplorerMenu"), "") << "no Explorer menu";
    EXPECT_EQ(user.Integer("Quick"), 0);
    EXPECT_EQ(user.Integer("Moved"), 0);
    EXPECT_EQ(user.ValueNames().size(), 45u);
    TKey history(HKEY_CURRENT_USER, kHistorySubKey);
    EXPECT_TRUE(history.ValueNames().empty()) << "an empty folder is no history entry";
}

TEST_F(SettingsTest, MachineKeyAloneProvidesEveryValueAndTheExitCopiesThemToTheUser) {
    {
        TKey machine(HKEY_LOCAL_MACHINE);
        RegWriteString(machine.Get(), "FilePath", "C:\\Shared");
        RegWriteString(machine.Get(), "FileMask", "*.iso");
        RegWriteString(machine.Get(), "SFVListFix", "disc.sfv");
        RegWriteBoolean(machine.Get(), "Subdirs", false);
        RegWriteInteger(machine.Get(), "Overwrite", 1);
        RegWriteInteger(machine.Get(), "Format", 1);
        RegWriteInteger(machine.Get(), "Locate", 2);
        RegWriteInteger(machine.Get(), "Headers", 2);
        RegWriteBoolean(machine.Get(), "Detailed", true);
        RegWriteBoolean(machine.Get(), "Tooltips", false);
        RegWriteInteger(machine.Get(), "Workers", 99); // above the highest count
        RegWriteBoolean(machine.Get(), "Quick", true);
        RegWriteBoolean(machine.Get(), "Moved", true);
        TKey history(HKEY_LOCAL_MACHINE, kHistorySubKey);
        RegWriteInteger(history.Get(), "C:\\Shared", 0);
        RegWriteInteger(history.Get(), "D:\\Images", 0);
    }
    auto dialog = std::make_unique<TMainDialog>();
    TMainWindow& window = dialog->Window();
    EXPECT_EQ(dialog->Text(IDC_FOLDER), "C:\\Shared");
    EXPECT_EQ(window.GetFilter(), "*.iso");
    EXPECT_FALSE(window.GetSubfolders());
    EXPECT_EQ(window.GetOverwriteMode(), 1);
    EXPECT_EQ(window.GetFormat(), 1);
    EXPECT_EQ(window.GetPlacement(), 2);
    EXPECT_EQ(dialog->Text(IDC_NAME), "disc.sfv") << "the name of SFV lists, placement 2";
    EXPECT_EQ(window.ChecksumNames()[12], "sha256sum.lst") << "a key of two formats only";
    EXPECT_EQ(window.ChecksumNames()[18], "*.b3") << "a key of two formats only";
    EXPECT_EQ(HeaderMode, 2);
    EXPECT_TRUE(DetailedLog);
    EXPECT_FALSE(ShowToolTips);
    EXPECT_EQ(window.Workers(), kMaxWorkers);
    EXPECT_TRUE(QuickUpdate);
    EXPECT_TRUE(MovedFiles);
    auto entries = ComboEntries(dialog->Handle);
    EXPECT_EQ(std::set<std::string>(entries.begin(), entries.end()),
              (std::set<std::string>{"C:\\Shared", "D:\\Images"}));

    dialog.reset();
    TKey user(HKEY_CURRENT_USER);
    EXPECT_EQ(user.String("FileMask"), "*.iso");
    EXPECT_EQ(user.String("SFVListFix"), "disc.sfv");
    EXPECT_EQ(user.Integer("Subdirs"), 0);
    EXPECT_EQ(user.Integer("Locate"), 2);
    EXPECT_EQ(user.Integer("Headers"), 2);
    EXPECT_EQ(user.Integer("Workers"), kMaxWorkers);
    EXPECT_EQ(user.Integer("Quick"), 1);
    EXPECT_EQ(user.Integer("Moved"), 1);
    EXPECT_EQ(TKey(HKEY_CURRENT_USER, kHistorySubKey).ValueNames(),
              (std::set<std::string>{"C:\\Shared", "D:\\Images"}));
}

TEST_F(SettingsTest, UserValuesWinAndTheUserKeyOwnsTheHistory) {
    {
        TKey machine(HKEY_LOCAL_MACHINE);
        RegWriteString(machine.Get(), "FilePath", "C:\\Shared");
        RegWriteString(machine.Get(), "FileMask", "*.iso");
        RegWriteInteger(machine.Get(), "Locate", 3);
        RegWriteInteger(machine.Get(), "Headers", 1);
        TKey history(HKEY_LOCAL_MACHINE, kHistorySubKey);
        RegWriteInteger(history.Get(), "C:\\Shared", 0);
        TKey user(HKEY_CURRENT_USER);
        RegWriteString(user.Get(), "FileMask", "*.txt");
        RegWriteInteger(user.Get(), "Headers", 0);
    }
    auto dialog = std::make_unique<TMainDialog>();
    EXPECT_EQ(dialog->Window().GetFilter(), "*.txt");
    EXPECT_EQ(HeaderMode, 0);
    EXPECT_EQ(dialog->Window().GetPlacement(), 3) << "present only on the machine";
    EXPECT_EQ(dialog->Text(IDC_FOLDER), "C:\\Shared") << "present only on the machine";
    EXPECT_TRUE(ComboEntries(dialog->Handle).empty()) << "the user's key has no history";
    dialog.reset();
    EXPECT_EQ(TKey(HKEY_CURRENT_USER).String("FilePath"), "C:\\Shared");
}

TEST_F(SettingsTest, HistoryIsStoredOncePerSpellingAndNeverEmpty) {
    auto dialog = std::make_unique<TMainDialog>();
    TMainWindow& window = dialog->Window();
    const char* typed[] = {"C:\\Data", "c:\\data", "E:\\Music", "C:\\DATA"};
    for (const char* folder : typed) {
        window.SetFolder(folder);
        window.GetFolder();
    }
    // An empty entry put into the list by other means is never written.
    SendDlgItemMessageA(dialog->Handle, IDC_FOLDER, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(""));
    window.SetFolder("c:\\data");
    dialog.reset();

    EXPECT_EQ(TKey(HKEY_CURRENT_USER, kHistorySubKey).ValueNames(),
              (std::set<std::string>{"C:\\Data", "E:\\Music"}));
    EXPECT_EQ(TKey(HKEY_CURRENT_USER).String("FilePath"), "c:\\data");
}

TEST_F(SettingsTest, SecondStartRestoresEverythingTheFirstExitWrote) {
    RECT placed{};
    int32_t panel = 0;
    {
        TMainDialog first;
        TMainWindow& window = first.Window();
        window.SetFolder("D:\\Фото 東京 😀");
        window.SetFilter("*.jpg");
        window.SetSubfolders(false);
        window.SetOverwriteMode(2);
        RememberChecksumName(window, 14, "*.sha2");
        RememberChecksumName(window, 9, "*.crc");
        RememberChecksumName(window, 1, "tree.md5");
        window.SetFormat(2);
        window.SetPlacement(4);
        ShowToolTips = false;
        HeaderMode = 3;
        DetailedLog = true;
        RemindToCheck = false;
        SetWindowPos(first.Handle, nullptr, 37, 23, window.Sizes().MinWidth + 150,
                     window.Sizes().MinHeight + 60, SWP_NOZORDER | SWP_NOACTIVATE);
        window.Layout(window.Sizes().MinPanelWidth + 25);
        placed = WindowRect(first.Handle);
        panel = window.Sizes().PanelWidth;
    }
    ShowToolTips = true;
    HeaderMode = 0;
    DetailedLog = false;
    RemindToCheck = true;

    TMainDialog second;
    TMainWindow& window = second.Window();
    EXPECT_EQ(second.Text(IDC_FOLDER), "D:\\Фото 東京 😀");
    EXPECT_EQ(ComboEntries(second.Handle), std::vector<std::string>{"D:\\Фото 東京 😀"});
    EXPECT_EQ(window.GetFilter(), "*.jpg");
    EXPECT_FALSE(window.GetSubfolders());
    EXPECT_EQ(window.GetOverwriteMode(), 2);
    EXPECT_EQ(window.GetFormat(), 2);
    EXPECT_EQ(window.GetPlacement(), 4);
    EXPECT_EQ(second.Text(IDC_NAME), "*.sha2");
    EXPECT_EQ(window.ChecksumNames()[9], "*.crc");
    EXPECT_EQ(window.ChecksumNames()[1], "tree.md5");
    EXPECT_FALSE(ShowToolTips);
    EXPECT_EQ(HeaderMode, 3);
    EXPECT_TRUE(DetailedLog);
    EXPECT_FALSE(RemindToCheck);
    EXPECT_EQ(window.UpdateDays().LastUpdateCheck, window.UpdateDays().Today);
    const RECT restored = WindowRect(second.Handle);
    EXPECT_EQ(restored.left, placed.left);
    EXPECT_EQ(restored.top, placed.top);
    EXPECT_EQ(restored.right, placed.right);
    EXPECT_EQ(restored.bottom, placed.bottom);
    EXPECT_EQ(window.Sizes().PanelWidth, panel);
}

// The Explorer menu's commands name the program where it is now: written again at start when
// it has moved, and at exit when the checksum-file names give other list verbs.
TEST_F(SettingsTest, ExplorerMenuFollowsTheProgramAndTheNames) {
    const std::string program = GetModulePath(nullptr);
    const std::string command = "\"" + program + "\" /v \"%1\"";
    const std::string crcVerb = "SystemFileAssociations\\.crc\\shell\\Tolvane.VerifyList";
    const struct {
        const char* Name;
        std::string Stored; // "ExplorerMenu" before the start
        std::string CommandAtStart;
        std::string CrcAfterExit; // the list verb of the name typed meanwhile
    } cases[] = {
        {"off", "", "<none>", "<none>"},
        {"moved", "C:\\Old\\tlvn.exe", command, "System.FileName:=\"tree.crc\""},
        {"in place, the names changed", program, "<none>", "System.FileName:=\"tree.crc\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        RegWriteString(TKey(HKEY_CURRENT_USER).Get(), "ExplorerMenu", c.Stored);
        auto dialog = std::make_unique<TMainDialog>();
        EXPECT_EQ(ClassValue("Directory\\shell\\Tolvane.Verify\\command"), c.CommandAtStart);
        RememberChecksumName(dialog->Window(), 2, "tree.crc");
        dialog.reset();
        EXPECT_EQ(ClassValue(crcVerb, "AppliesTo"), c.CrcAfterExit);
        EXPECT_EQ(TKey(HKEY_CURRENT_USER).String("ExplorerMenu"), c.Stored.empty() ? "" : program);
        DeleteTestSettings();
    }
}

TEST_F(SettingsTest, ReminderIsDueOnlyMoreThanSevenDaysAfterTheLastCheck) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const int32_t today = DateToDayCount(now.wYear, now.wMonth, now.wDay);
    struct {
        bool Remind;
        int32_t Checked;
        bool Due;
    } cases[] = {{true, today - 10, true},   {true, today - 8, true}, {true, today - 7, false},
                 {false, today - 10, false}, {true, 0, false},        {true, today + 30, false}};
    for (const auto& c : cases) {
        {
            TKey user(HKEY_CURRENT_USER);
            RegWriteBoolean(user.Get(), "Reminder", c.Remind);
            RegWriteInteger(user.Get(), "Checked", c.Checked);
        }
        auto dialog = std::make_unique<TMainDialog>();
        EXPECT_EQ(dialog->Window().StartupRequests().RemindUpdates, c.Due)
            << "checked " << today - c.Checked << " days ago, reminder " << c.Remind;
        dialog.reset();
        DeleteTestSettings();
    }
}

TEST_F(SettingsTest, OddStoredValuesFallBackSafely) {
    {
        TKey user(HKEY_CURRENT_USER);
        // Wrong types count as missing.
        RegSetValueExA(user.Get(), "Format", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
        const uint64_t wide = 5;
        RegSetValueExA(user.Get(), "Subdirs", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&wide),
                       sizeof(wide));
        RegWriteInteger(user.Get(), "FileMask", 7);
        // Out of range numbers are taken as the nearest sensible state.
        RegWriteInteger(user.Get(), "Locate", 9);
        RegWriteInteger(user.Get(), "Overwrite", 5);
        RegWriteInteger(user.Get(), "Width", 10);
        RegWriteInteger(user.Get(), "Height", 10);
        RegWriteInteger(user.Get(), "Panel", 100000);
        // A place on a monitor that is gone.
        RegWriteInteger(user.Get(), "Left", -30000);
        RegWriteInteger(user.Get(), "Top", 20000);
    }
    TMainDialog dialog;
    TMainWindow& window = dialog.Window();
    EXPECT_EQ(window.GetFormat(), 0);
    EXPECT_TRUE(window.GetSubfolders());
    EXPECT_EQ(window.GetFilter(), "*.*");
    EXPECT_EQ(window.GetPlacement(), 0);
    EXPECT_EQ(window.GetOverwriteMode(), 0);
    const RECT rect = WindowRect(dialog.Handle);
    EXPECT_EQ(rect.right - rect.left, window.Sizes().MinWidth);
    EXPECT_EQ(rect.bottom - rect.top, window.Sizes().MinHeight);
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_EQ(rect.left, area.left) << "brought back onto the nearest monitor";
    EXPECT_EQ(rect.bottom, area.bottom);
    RECT client;
    GetClientRect(dialog.Handle, &client);
    EXPECT_LE(window.Sizes().PanelWidth, client.right - 50) << "the log stays visible";
    EXPECT_GE(window.Sizes().PanelWidth, window.Sizes().MinPanelWidth);
}

TEST_F(SettingsTest, MinimisedWindowStoresItsNormalRectangle) {
    RECT normal{};
    {
        TMainDialog dialog;
        ShowWindow(dialog.Handle, SW_SHOWNA);
        SetWindowPos(dialog.Handle, nullptr, 60, 40, dialog.Window().Sizes().MinWidth + 100,
                     dialog.Window().Sizes().MinHeight + 50, SWP_NOZORDER | SWP_NOACTIVATE);
        normal = WindowRect(dialog.Handle);
        ShowWindow(dialog.Handle, SW_SHOWMINNOACTIVE);
        ASSERT_TRUE(IsIconic(dialog.Handle));
    }
    TKey user(HKEY_CURRENT_USER);
    EXPECT_EQ(user.Integer("Width"), normal.right - normal.left);
    EXPECT_EQ(user.Integer("Height"), normal.bottom - normal.top);
    EXPECT_EQ(user.Integer("Left"), normal.left);
    EXPECT_EQ(user.Integer("Top"), normal.top);
}

TEST_F(SettingsTest, NameBeingTypedAtCloseIsKept) {
    {
        TMainDialog dialog;
        ShowWindow(dialog.Handle, SW_SHOWNA);
        dialog.Window().SetPlacement(2);
        dialog.Click(IDC_PLACEMENT_FIRST + 2);
        dialog.Click(IDC_EDIT_NAME);
        SetDlgItemTextA(dialog.Handle, IDC_NAME, "typed.lst");
    }
    EXPECT_EQ(TKey(HKEY_CURRENT_USER).String("MD5ListFix"), "typed.lst");
}

} // namespace
