#include "shell/log_list.h"

#include "platform/tools.h"
#include "platform/wide.h"
#include "resources/resource.h"

namespace {

constexpr int kTextOffset = 2; // pixels from the item's left and top edges

// The device context of a window, released on every path.
class TWindowDC {
public:
    explicit TWindowDC(HWND window) : Window(window), DC(GetDC(window)) {}
    ~TWindowDC() {
        if (DC)
            ReleaseDC(Window, DC);
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    HDC Get() const { return DC; }

private:
    HWND Window;
    HDC DC;
};

// Window drawing locked while lines are deleted, unlocked on every path.
class TLockWindowUpdate {
public:
    explicit TLockWindowUpdate(HWND window) { LockWindowUpdate(window); }
    ~TLockWindowUpdate() { LockWindowUpdate(nullptr); }
    TLockWindowUpdate(const TLockWindowUpdate&) = delete;
    TLockWindowUpdate& operator=(const TLockWindowUpdate&) = delete;
};

class TWaitCursor {
public:
    TWaitCursor() : Previous(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~TWaitCursor() { SetCursor(Previous); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
    HCURSOR Previous;
};

} // namespace

COLORREF LogKindColor(int kind) {
    switch (kind) {
    case lkInfo:
    case lkStart:
    case lkStop:
        return RGB(128, 128, 128);
    case lkHint:
        return RGB(0, 128, 0);
    case lkWarn:
        return RGB(0, 0, 128);
    case lkFail:
    case lkError:
        return RGB(128, 0, 0);
    default:
        return RGB(0, 0, 0);
    }
}

void TLogList::Add(const TLogLine& line) {
    const LRESULT index =
        SendMessageA(List, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.Text.c_str()));
    if (index < 0)
        return;
    SendMessageA(List, LB_SETITEMDATA, index, line.Kind);
    SendMessageA(List, LB_SETCARETINDEX, index, FALSE);
    TWindowDC dc(List);
    SIZE size;
    const std::wstring text = ToWide(line.Text);
    if (dc.Get() &&
        GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size) &&
        SendMessageA(List, LB_GETHORIZONTALEXTENT, 0, 0) < size.cx)
        SendMessageA(List, LB_SETHORIZONTALEXTENT, size.cx, 0);
}

int TLogList::Count() const {
    return static_cast<int>(SendMessageA(List, LB_GETCOUNT, 0, 0));
}

TLogLine TLogList::Line(int index) const {
    return {GetListBoxItemText(List, index),
            static_cast<int>(SendMessageA(List, LB_GETITEMDATA, index, 0))};
}

std::vector<std::string> TLogList::Texts() const {
    std::vector<std::string> texts;
    const int count = Count();
    for (int i = 0; i < count; ++i)
        texts.push_back(GetListBoxItemText(List, i));
    return texts;
}

bool TLogList::Draw(const DRAWITEMSTRUCT& item) const {
    if (item.CtlType != ODT_LISTBOX || item.CtlID != IDC_LOG ||
        item.itemID == static_cast<UINT>(-1) || !(item.itemAction & (ODA_DRAWENTIRE | ODA_SELECT)))
        return false;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const COLORREF background = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    const COLORREF foreground =
        selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : LogKindColor(static_cast<int>(item.itemData));
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetBkColor(item.hDC, background);
    SetBkMode(item.hDC, OPAQUE);
    SetTextColor(item.hDC, foreground);
    // GDI's ANSI calls would read the text in the system's code page, not the program's.
    const std::wstring shown =
        ToWide(PrefixedText({GetListBoxItemText(List, static_cast<int>(item.itemID)),
                             static_cast<int>(item.itemData)}));
    TextOutW(item.hDC, item.rcItem.left + kTextOffset, item.rcItem.top + kTextOffset, shown.c_str(),
             static_cast<int>(shown.size()));
    return true;
}

void TLogList::EnableMenuItems(HMENU menu) const {
    const LRESULT selected = SendMessageA(List, LB_GETSELCOUNT, 0, 0);
    const UINT editState = selected > 0 ? MF_ENABLED : MF_GRAYED;
    EnableMenuItem(menu, IDM_LOG_CUT, MF_BYCOMMAND | editState);
    EnableMenuItem(menu, IDM_LOG_COPY, MF_BYCOMMAND | editState);
    EnableMenuItem(menu, IDM_LOG_DELETE, MF_BYCOMMAND | editState);
    EnableMenuItem(menu, IDM_LOG_SELECT_ALL,
                   MF_BYCOMMAND | (selected == Count() ? MF_GRAYED : MF_ENABLED));
    EnableMenuItem(menu, IDM_LOG_SAVE_AS, MF_BYCOMMAND | (Count() > 0 ? MF_ENABLED : MF_GRAYED));
}

void TLogList::ShowMenu(HMENU menu, int x, int y) const {
    RECT listRect;
    GetWindowRect(List, &listRect);
    // A -1 half comes with a menu opened from the keyboard; the list's edges count as inside.
    const bool fromKeyboard = x == -1 || y == -1;
    if (!fromKeyboard &&
        (x < listRect.left || x > listRect.right || y < listRect.top || y > listRect.bottom))
        return;
    EnableMenuItems(menu);
    if (x < 0 || y < 0) {
        RECT caret{};
        const LRESULT index = SendMessageA(List, LB_GETCARETINDEX, 0, 0);
        SendMessageA(List, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&caret));
        POINT centre{(caret.left + caret.right) / 2, (caret.top + caret.bottom) / 2};
        ClientToScreen(List, &centre);
        x = centre.x;
        y = centre.y;
    }
    TrackPopupMenu(menu, TPM_LEFTBUTTON, x, y, 0, Owner, nullptr);
}

std::string TLogList::TakeSelected(bool remove) {
    std::string buffer;
    bool first = true;
    for (int i = 0; i < Count();) {
        if (SendMessageA(List, LB_GETSEL, i, 0) <= 0) {
            ++i;
            continue;
        }
        if (!first)
            buffer += "\r\n";
        buffer += GetListBoxItemText(List, i);
        first = false;
        if (remove)
            SendMessageA(List, LB_DELETESTRING, i, 0);
        else
            ++i;
    }
    return buffer;
}

void TLogList::ResetExtentWhenEmpty() {
    if (Count() == 0)
        SendMessageA(List, LB_SETHORIZONTALEXTENT, 0, 0);
}

void TLogList::Cut() {
    const std::string text = TakeSelected(true);
    CopyTextToClipboard(Owner, text); // a failure loses nothing more: the lines are gone
    ResetExtentWhenEmpty();
}

void TLogList::Copy() {
    CopyTextToClipboard(Owner, TakeSelected(false));
}

void TLogList::Delete() {
    TWaitCursor wait;
    {
        TLockWindowUpdate lock(Owner);
        TakeSelected(true);
    }
    ResetExtentWhenEmpty();
}

void TLogList::SelectAll() {
    const int count = Count();
    if (count > 0)
        SendMessageA(List, LB_SELITEMRANGE, TRUE, MAKELPARAM(0, count - 1));
}
