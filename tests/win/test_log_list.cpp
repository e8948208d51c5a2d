// The processing log of the main window: appending, drawing with prefixes and colours, the
// popup menu's enabled items and where it opens, and cut, copy, delete and select all
// with the clipboard.
#include "platform/wide.h"
#include "shell/save_dialog.h"
#include "test_run_fixture.h"
#include "tests/engine/temp_tree.h"

namespace {

std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr))
        return "<clipboard not open>";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* chars = static_cast<const char*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboard(const std::string& text) {
    CopyTextToClipboard(nullptr, text);
}

using TLogListTest = TMainWindowTest;

TEST_F(TLogListTest, AddedLinesKeepTextKindAndOrderAndTheExtentOnlyGrows) {
    const std::string wide(120, 'W');
    Window().AddLogLine(wide, lkWarn);
    const LRESULT wideExtent = SendMessageA(Item(IDC_LOG), LB_GETHORIZONTALEXTENT, 0, 0);
    EXPECT_GT(wideExtent, 0);
    SendMessageA(Item(IDC_LOG), LB_SETSEL, TRUE, 0);
    Window().AddLogLine("short", lkFail);
    Window().AddLogLine("plain", 42);

    const std::vector<TLogLine> lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Text, wide); // no prefix in the item's text
    EXPECT_EQ(lines[0].Kind, lkWarn);
    EXPECT_EQ(lines[1].Text, "short");
    EXPECT_EQ(lines[1].Kind, lkFail);
    EXPECT_EQ(lines[2].Kind, 42);
    EXPECT_EQ(SendMessageA(Item(IDC_LOG), LB_GETHORIZONTALEXTENT, 0, 0), wideExtent);
    EXPECT_EQ(SendMessageA(Item(IDC_LOG), LB_GETCARETINDEX, 0, 0), 2);
    // Appending leaves the selection alone.
    EXPECT_EQ(SendMessageA(Item(IDC_LOG), LB_GETSELCOUNT, 0, 0), 1);
    EXPECT_GT(SendMessageA(Item(IDC_LOG), LB_GETSEL, 0, 0), 0);
}

// Draws item 0 into a bitmap and reports the colours found and the rightmost inked column.
struct TDrawn {
    bool handled = false;
    COLORREF corner = 0;
    bool inkOfColor = false;
    int rightmostInk = -1;
};

TDrawn DrawItem(HWND list, UINT action, UINT state, UINT ctlType, UINT ctlId, UINT itemId,
                COLORREF ink) {
    const int width = 600;
    const int height = 20;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

    DRAWITEMSTRUCT item{};
    item.CtlType = ctlType;
    item.CtlID = ctlId;
    item.itemID = itemId;
    item.itemAction = action;
    item.itemState = state;
    item.hwndItem = list;
    item.hDC = dc;
    item.rcItem = RECT{0, 0, width, height};
    item.itemData = static_cast<ULONG_PTR>(SendMessageA(list, LB_GETITEMDATA, 0, 0));
    TDrawn drawn;
    drawn.handled = MainWindowOf(GetParent(list))->DrawLogItem(item);
    drawn.corner = GetPixel(dc, 0, 0);
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            if (GetPixel(dc, x, y) == ink) {
                drawn.inkOfColor = true;
                drawn.rightmostInk = x;
            }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return drawn;
}

TEST_F(TLogListTest, LinesAreDrawnWithTheirKindsPrefixAndColour) {
    struct TCase {
        int kind;
        const char* prefix;
        COLORREF color;
        const char* text = "some text";
    };
    const TCase cases[] = {
        {lkPlain, "", RGB(0, 0, 0)},
        {lkInfo, "INFO: ", RGB(128, 128, 128)},
        {lkHint, "HINT: ", RGB(0, 128, 0)},
        {lkWarn, "WARN: ", RGB(0, 0, 128)},
        {lkFail, "FAIL: ", RGB(128, 0, 0)},
        {lkError, "ERROR: ", RGB(128, 0, 0)},
        {lkStart, "START: ", RGB(128, 128, 128)},
        {lkStop, "STOP: ", RGB(128, 128, 128)},
        {lkStat, "STAT: ", RGB(0, 0, 0)},
        {9, "", RGB(0, 0, 0)},
        // Drawn in the program's code page: read as the system's, it would be twice as wide.
        {lkWarn, "WARN: ", RGB(0, 0, 128), "Фёдор Достоевский"},
    };
    HWND list = Item(IDC_LOG);
    HDC listDC = GetDC(list);
    HGDIOBJ oldFont =
        SelectObject(listDC, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    for (const TCase& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind));
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        Window().AddLogLine(c.text, c.kind);
        const std::wstring shown = ToWide(std::string(c.prefix) + c.text);
        SIZE size{};
        GetTextExtentPoint32W(listDC, shown.c_str(), static_cast<int>(shown.size()), &size);

        const TDrawn plain = DrawItem(list, ODA_DRAWENTIRE, 0, ODT_LISTBOX, IDC_LOG, 0, c.color);
        EXPECT_TRUE(plain.handled);
        EXPECT_EQ(plain.corner, GetSysColor(COLOR_WINDOW));
        EXPECT_TRUE(plain.inkOfColor);
        // The text with its prefix ends a few pixels (the last glyph's bearing) before
        // 2 + its measured width; a missing prefix would end 25 pixels or more earlier.
        EXPECT_LE(plain.rightmostInk, 2 + size.cx);
        EXPECT_GE(plain.rightmostInk, 2 + size.cx - 8);

        const TDrawn selected = DrawItem(list, ODA_SELECT, ODS_SELECTED, ODT_LISTBOX, IDC_LOG, 0,
                                         GetSysColor(COLOR_HIGHLIGHTTEXT));
        EXPECT_TRUE(selected.handled);
        EXPECT_EQ(selected.corner, GetSysColor(COLOR_HIGHLIGHT));
        EXPECT_TRUE(selected.inkOfColor);
    }
    SelectObject(listDC, oldFont);
    ReleaseDC(list, listDC);
}

TEST_F(TLogListTest, OnlyWholeItemAndSelectionDrawingsOfTheLogAreHandled) {
    Window().AddLogLine("line", lkWarn);
    HWND list = Item(IDC_LOG);
    const COLORREF black = RGB(0, 0, 0);
    struct TCase {
        const char* name;
        UINT action, ctlType, ctlId, itemId;
        bool handled;
    };
    const TCase cases[] = {
        {"entire", ODA_DRAWENTIRE, ODT_LISTBOX, IDC_LOG, 0, true},
        {"select", ODA_SELECT, ODT_LISTBOX, IDC_LOG, 0, true},
        {"focus", ODA_FOCUS, ODT_LISTBOX, IDC_LOG, 0, false},
        {"no item", ODA_DRAWENTIRE, ODT_LISTBOX, IDC_LOG, static_cast<UINT>(-1), false},
        {"other control", ODA_DRAWENTIRE, ODT_LISTBOX, IDC_FOLDER, 0, false},
        {"not a list box", ODA_DRAWENTIRE, ODT_BUTTON, IDC_LOG, 0, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TDrawn drawn = DrawItem(list, c.action, 0, c.ctlType, c.ctlId, c.itemId, black);
        EXPECT_EQ(drawn.handled, c.handled);
        // Nothing handled, nothing drawn: the bitmap stays black.
        if (!c.handled) {
            EXPECT_EQ(drawn.corner, black);
        }
    }
}

void SelectOnly(HWND list, const std::vector<int>& selected) {
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    for (int index : selected)
        SendMessageA(list, LB_SETSEL, TRUE, index);
}

TEST_F(TLogListTest, PopupMenuEnablesItemsForTheSelection) {
    struct TCase {
        int lines;
        std::vector<int> selected;
        bool edit;      // cut, copy, delete
        bool selectAll; // select all
        bool saveAs;
    };
    const TCase cases[] = {
        {0, {}, false, false, false},      {3, {}, false, true, true},  {3, {1}, true, true, true},
        {3, {0, 1, 2}, true, false, true}, {1, {0}, true, false, true},
    };
    HWND list = Item(IDC_LOG);
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.lines) + " lines, " + std::to_string(c.selected.size()) +
                     " selected");
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        for (int i = 0; i < c.lines; ++i)
            Window().AddLogLine("line " + std::to_string(i), lkInfo);
        SelectOnly(list, c.selected);
        Log().EnableMenuItems(Window().LogMenu());
        auto enabled = [this](int id) {
            return (GetMenuState(Window().LogMenu(), id, MF_BYCOMMAND) & MF_GRAYED) == 0;
        };
        EXPECT_EQ(enabled(IDM_LOG_CUT), c.edit);
        EXPECT_EQ(enabled(IDM_LOG_COPY), c.edit);
        EXPECT_EQ(enabled(IDM_LOG_DELETE), c.edit);
        EXPECT_EQ(enabled(IDM_LOG_SELECT_ALL), c.selectAll);
        EXPECT_EQ(enabled(IDM_LOG_SAVE_AS), c.saveAs);
    }
}

// Where the popup menu opened, if it did: a thread timer finds the menu window and
// closes it.
RECT OpenedMenu;
bool MenuOpened = false;
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = FindWindowA("#32768", nullptr);
    if (menu && IsWindowVisible(menu)) {
        MenuOpened = true;
        GetWindowRect(menu, &OpenedMenu);
    }
    EndMenu();
}

TEST_F(TLogListTest, PopupMenuOpensOnTheLogOrAtTheCaretLineFromTheKeyboard) {
    SetWindowPos(Dialog, nullptr, 50, 50, 700, 500, SWP_NOZORDER);
    ShowWindow(Dialog, SW_SHOWNA);
    for (int i = 0; i < 5; ++i)
        Window().AddLogLine("line " + std::to_string(i), lkInfo);
    SendMessageA(Item(IDC_LOG), LB_SETCARETINDEX, 2, FALSE);
    RECT list;
    GetWindowRect(Item(IDC_LOG), &list);
    RECT caret;
    SendMessageA(Item(IDC_LOG), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&caret));
    POINT centre{(caret.left + caret.right) / 2, (caret.top + caret.bottom) / 2};
    ClientToScreen(Item(IDC_LOG), &centre);

    struct TCase {
        const char* name;
        int x, y;
        bool opens;
        POINT at;
    };
    const TCase cases[] = {
        {"inside", list.left + 10, list.top + 10, true, {list.left + 10, list.top + 10}},
        {"on the edge", list.left, list.top, true, {list.left, list.top}},
        {"outside", list.left - 20, list.top + 10, false, {}},
        {"keyboard", -1, -1, true, centre},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        MenuOpened = false;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseMenu);
        SendMessageA(Dialog, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Item(IDC_LOG)),
                     MAKELPARAM(c.x, c.y));
        if (!c.opens) {
            // Give the timer a chance to see a menu that should not be there.
            const DWORD until = GetTickCount() + 200;
            while (GetTickCount() < until)
                Pump();
        }
        KillTimer(nullptr, timer);
        EXPECT_EQ(MenuOpened, c.opens);
        if (c.opens && MenuOpened) {
            EXPECT_EQ(OpenedMenu.left, c.at.x);
            EXPECT_EQ(OpenedMenu.top, c.at.y);
        }
    }
}

// A key pressed in the list, with Ctrl held or not.
void PressKey(HWND list, UINT key, bool control) {
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_CONTROL] = control ? 0x80 : 0;
    SetKeyboardState(state);
    SendMessageA(list, WM_KEYDOWN, key, 0);
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
}

TEST_F(TLogListTest, CutCopyDeleteAndSelectAllWorkOnTheSelectedLines) {
    enum TCommand { kCut = IDM_LOG_CUT, kCopy = IDM_LOG_COPY, kDelete = IDM_LOG_DELETE };
    struct TCase {
        const char* name;
        int command; // from the menu, unless a key is given
        std::vector<int> selected;
        std::vector<std::string> left;
        std::string clipboard;
        bool extentKept;
        UINT key = 0;
        bool control = false;
    };
    const std::vector<std::string> five = {"one", "two", "three", "four", "five"};
    const TCase cases[] = {
        {"cut two and four", kCut, {1, 3}, {"one", "three", "five"}, "two\r\nfour", true},
        {"cut all", kCut, {0, 1, 2, 3, 4}, {}, "one\r\ntwo\r\nthree\r\nfour\r\nfive", false},
        {"copy two and four", kCopy, {1, 3}, five, "two\r\nfour", true},
        {"copy the last", kCopy, {4}, five, "five", true},
        {"delete two and four", kDelete, {1, 3}, {"one", "three", "five"}, "untouched", true},
        {"delete all", kDelete, {0, 1, 2, 3, 4}, {}, "untouched", false},
        {"Ctrl+X", 0, {1, 3}, {"one", "three", "five"}, "two\r\nfour", true, 'X', true},
        {"Ctrl+C", 0, {1, 3}, five, "two\r\nfour", true, 'C', true},
        {"C alone", 0, {1, 3}, five, "untouched", true, 'C', false},
        {"Delete", 0, {1, 3}, {"one", "three", "five"}, "untouched", true, VK_DELETE, false},
        {"Ctrl+Delete", 0, {1, 3}, five, "untouched", true, VK_DELETE, true},
    };
    HWND list = Item(IDC_LOG);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        SendMessageA(list, LB_SETHORIZONTALEXTENT, 0, 0);
        for (const std::string& text : five)
            Window().AddLogLine(text, lkWarn);
        const LRESULT extent = SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0);
        ASSERT_GT(extent, 0);
        SelectOnly(list, c.selected);
        SetClipboard("untouched");
        if (c.key)
            PressKey(list, c.key, c.control);
        else
            SendMessageA(Dialog, WM_COMMAND, MAKEWPARAM(c.command, 0), 0);

        EXPECT_EQ(Log().Texts(), c.left);
        EXPECT_EQ(ClipboardText(), c.clipboard);
        EXPECT_EQ(SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0), c.extentKept ? extent : 0);
        for (int i = 0; i < Log().Count(); ++i)
            EXPECT_EQ(Log().Line(i).Kind, lkWarn);
    }

    SelectOnly(list, {});
    for (const std::string& text : five)
        Window().AddLogLine(text, lkInfo);
    SendMessageA(Dialog, WM_COMMAND, MAKEWPARAM(IDM_LOG_SELECT_ALL, 0), 0);
    EXPECT_EQ(SendMessageA(list, LB_GETSELCOUNT, 0, 0), Log().Count());
    SelectOnly(list, {});
    PressKey(list, 'A', true);
    EXPECT_EQ(SendMessageA(list, LB_GETSELCOUNT, 0, 0), Log().Count());
}

TEST_F(TLogListTest, SaveAsWritesEveryLineAsTheLogFileOrNamesTheReason) {
    TTempTree tree;
    struct TCase {
        const char* name;
        std::string path;
        bool saved;
    };
    const TCase cases[] = {
        {"writable", tree.Path("saved.log"), true},
        {"folder missing", tree.Path("no/such/saved.log"), false},
    };
    Window().AddLogLine("first", lkWarn);
    Window().AddLogLine("second", lkStat);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<TSaveFileRequest> requests;
        const TSaveFileHook previous =
            SetSaveFileHook([&](const TSaveFileRequest& request, std::string& path) {
                requests.push_back(request);
                path = c.path;
                return true;
            });
        Boxes.clear();
        SendMessageA(Dialog, WM_COMMAND, MAKEWPARAM(IDM_LOG_SAVE_AS, 0), 0);
        SetSaveFileHook(previous);

        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].Title, "Save log as");
        EXPECT_EQ(requests[0].DefaultExtension, "log");
        // The second save starts at the file of the first.
        EXPECT_EQ(requests[0].InitialName, c.saved ? "tlvn.log" : tree.Path("saved.log"));
        EXPECT_EQ(tree.Exists(c.saved ? "saved.log" : "no/such/saved.log"), c.saved);
        if (c.saved) {
            EXPECT_EQ(tree.Content("saved.log"), "first\r\nsecond\r\n");
            EXPECT_TRUE(Boxes.empty());
        } else {
            ASSERT_EQ(Boxes.size(), 1u);
            EXPECT_EQ(Boxes[0].Caption, "Error");
            EXPECT_EQ(Boxes[0].Text.rfind("Cannot create file " + c.path, 0), 0u) << Boxes[0].Text;
        }
    }
}

} // namespace
