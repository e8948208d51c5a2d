// The main window's layout: the left panel of inputs, the log on the right, the two
// splitters, the minimum window size and the folder list's drop-down height.
#include "shell/main_window.h"

#include <algorithm>

#include "platform/tools.h"
#include "resources/resource.h"

namespace {

constexpr int kSplitterMargin = 50; // pixels kept on each side of a dragged splitter

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

// One horizontal and one vertical dialog unit in pixels.
struct TDialogUnits {
    int H;
    int V;
};
TDialogUnits DialogUnits() {
    LONG base = GetDialogBaseUnits();
    return {LOWORD(base) / 4, HIWORD(base) / 8};
}

void Place(HWND window, int x, int y, int width, int height) {
    SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Move(HWND window, int x, int y) {
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

void TMainWindow::Layout(int32_t panelWidth) {
    const auto [h, v] = DialogUnits();
    RECT client;
    GetClientRect(Handle, &client);
    const int w = client.right, hc = client.bottom;

    TControlRect progress = GetControlRect(Handle, IDC_PROGRESS);
    const int p = panelWidth > 0 ? panelWidth : progress.Rect.right + h;
    // The same size and panel width would place every control where it is (start-up and
    // showing the window resize it several times; under Wine each layout costs milliseconds).
    if (p == Size.PanelWidth && w == LaidOutClient.cx && hc == LaidOutClient.cy)
        return;
    Size.PanelWidth = p;
    LaidOutClient = {w, hc};
    const int yp = hc - Height(progress.Rect) - v;
    Place(progress.Window, h, yp, p - 2 * h, Height(progress.Rect));

    TControlRect status = GetControlRect(Handle, IDC_STATUS);
    const int statusHeight = Height(status.Rect);
    Place(status.Window, p, hc - statusHeight, w - p, statusHeight);
    ShowWaiting(); // its part stays at the right end
    Place(Item(IDC_LOG), p, v, w - p, hc - statusHeight - v);

    // Folder row.
    TControlRect combo = GetControlRect(Handle, IDC_FOLDER);
    const int t1 = combo.Rect.top, c = Height(combo.Rect);
    TControlRect browse = GetControlRect(Handle, IDC_BROWSE);
    const int b = Width(browse.Rect);
    Place(browse.Window, p - 2 * h - b, t1, b, c);
    Place(combo.Window, 2 * h, t1, p - b - 6 * h, c);
    TControlRect folderLabel = GetControlRect(Handle, IDC_FOLDER_LABEL);
    Move(folderLabel.Window, 2 * h, t1 - v - Height(folderLabel.Rect));

    // Filter and name row.
    TControlRect filter = GetControlRect(Handle, IDC_FILTER);
    const int t2 = filter.Rect.top;
    const int r = std::min<int>(filter.Rect.right, p - 3 * h - b - kSplitterMargin);
    Place(Item(IDC_EDIT_NAME), p - 2 * h - b, t2, b, c);
    Place(Item(IDC_NAME), r + h, t2, p - 5 * h - b - r, c);
    // The label spans its edit, so its caption is never cut by the template's narrow width.
    TControlRect nameLabel = GetControlRect(Handle, IDC_NAME_LABEL);
    Place(nameLabel.Window, r + h, t2 - v - Height(nameLabel.Rect), p - 5 * h - b - r,
          Height(nameLabel.Rect));
    Place(filter.Window, 2 * h, t2, r - 2 * h, c);
    TControlRect filterLabel = GetControlRect(Handle, IDC_FILTER_LABEL);
    Move(filterLabel.Window, 2 * h, t2 - v - Height(filterLabel.Rect));

    // Check boxes, then the format choice with its label centred on it.
    const int k = Height(GetControlRect(Handle, IDC_SUBFOLDERS).Rect);
    const int checkTop = t2 + c + v;
    for (int i = 0; i < 2; ++i)
        Move(Item(IDC_SUBFOLDERS + i), 2 * h, checkTop + i * k);
    TControlRect format = GetControlRect(Handle, IDC_FORMAT);
    TControlRect formatLabel = GetControlRect(Handle, IDC_FORMAT_LABEL);
    const int formatTop = checkTop + 2 * k + v / 2, f = Height(format.Rect);
    Move(formatLabel.Window, 2 * h, formatTop + (f - Height(formatLabel.Rect)) / 2);
    Move(format.Window, 3 * h + Width(formatLabel.Rect), formatTop);

    // Buttons row.
    TControlRect update = GetControlRect(Handle, IDC_UPDATE);
    const int buttonWidth = Width(update.Rect), buttonHeight = Height(update.Rect);
    const int buttonTop = yp - 2 * v - buttonHeight;
    Move(update.Window, h, buttonTop);
    Place(Item(IDC_VERIFY), 3 * h + buttonWidth, buttonTop, buttonWidth, buttonHeight);
    Place(Item(IDC_ABOUT_BUTTON), p - 2 * h - b, buttonTop, b, buttonHeight);
    Place(Item(IDC_HELP_BUTTON), p - 4 * h - 2 * b, buttonTop, b, buttonHeight);

    // The placement group and its radio buttons.
    TControlRect group = GetControlRect(Handle, IDC_PLACEMENT_GROUP);
    TControlRect first = GetControlRect(Handle, IDC_PLACEMENT_FIRST);
    const int radioOffset = first.Rect.top - group.Rect.top;
    const int radioHeight = Height(first.Rect);
    const int groupTop = formatTop + f + v / 2;
    for (int i = 0; i < 5; ++i) {
        TControlRect radio = GetControlRect(Handle, IDC_PLACEMENT_FIRST + i);
        const int x = h + (radio.Rect.left - group.Rect.left);
        Place(radio.Window, x, groupTop + radioOffset + i * radioHeight, p - 3 * h - x,
              Height(radio.Rect));
    }
    Place(group.Window, h, groupTop, p - 3 * h, radioOffset + v + 5 * radioHeight);

    InvalidateRect(Handle, nullptr, TRUE);
    UpdateWindow(Handle);
}

void TMainWindow::OnSizing(RECT& rect) const {
    if (Size.MinWidth > 0 && Width(rect) < Size.MinWidth)
        rect.right = rect.left + Size.MinWidth;
    if (Size.MinHeight > 0 && Height(rect) < Size.MinHeight)
        rect.bottom = rect.top + Size.MinHeight;
}

bool TMainWindow::InSplitZone(int zone, int x, int y) const {
    RECT control = GetControlRect(Handle, zone == 0 ? IDC_NAME : IDC_LOG).Rect;
    return x >= control.left - 2 && x <= control.left && y >= control.top && y < control.bottom;
}

// The range a splitter may be dragged in, in client coordinates: 50 pixels inside the
// filter and name edits for the name splitter; the panel's minimum width on the left and
// 50 pixels of log on the right for the panel splitter.
RECT TMainWindow::SplitRange(int zone) const {
    if (zone == 0) {
        RECT filter = GetControlRect(Handle, IDC_FILTER).Rect;
        RECT name = GetControlRect(Handle, IDC_NAME).Rect;
        return {filter.left + kSplitterMargin, filter.top, name.right - kSplitterMargin,
                filter.bottom};
    }
    RECT client;
    GetClientRect(Handle, &client);
    return {Size.MinPanelWidth, client.top, client.right - kSplitterMargin, client.bottom};
}

void TMainWindow::OnMouseMove(int x, int y) {
    if (Split.DraggingNameSplit || Split.DraggingPanelSplit) {
        // The cursor is clipped to the range already; clamping here as well keeps the
        // limits when the system does not clip (or a message comes from elsewhere).
        RECT range = SplitRange(Split.DraggingNameSplit ? 0 : 1);
        x = std::max<int>(range.left, std::min<int>(x, range.right));
        if (Split.DraggingNameSplit)
            DragNameSplit(x);
        else
            Layout(x);
        return;
    }
    for (int zone = 0; zone < 2; ++zone) {
        if (InSplitZone(zone, x, y)) {
            SetCursor(LoadCursorA(nullptr, IDC_SIZEWE));
            SetCapture(Handle);
            Split.HoverSplit = zone;
            return;
        }
    }
    if (GetCapture() == Handle)
        ReleaseCapture();
}

void TMainWindow::OnLButtonDown() {
    if (GetCapture() != Handle)
        return;
    RECT range = SplitRange(Split.HoverSplit);
    MapWindowPoints(Handle, nullptr, reinterpret_cast<POINT*>(&range), 2);
    ClipCursor(&range);
    if (Split.HoverSplit == 0)
        Split.DraggingNameSplit = true;
    else
        Split.DraggingPanelSplit = true;
}

void TMainWindow::OnLButtonUp() {
    if (!Split.DraggingNameSplit && !Split.DraggingPanelSplit)
        return;
    ClipCursor(nullptr);
    Split.DraggingNameSplit = Split.DraggingPanelSplit = false;
}

void TMainWindow::DragNameSplit(int x) {
    TControlRect filter = GetControlRect(Handle, IDC_FILTER);
    Place(filter.Window, filter.Rect.left, filter.Rect.top, x - filter.Rect.left - 1,
          Height(filter.Rect));
    TControlRect name = GetControlRect(Handle, IDC_NAME);
    Place(name.Window, x + 1, name.Rect.top, name.Rect.right - (x + 1), Height(name.Rect));
    TControlRect label = GetControlRect(Handle, IDC_NAME_LABEL);
    Place(label.Window, x + 1, label.Rect.top, name.Rect.right - (x + 1), Height(label.Rect));
}

void TMainWindow::SizeDropDown() {
    HWND combo = Item(IDC_FOLDER);
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    int entries = static_cast<int>(std::clamp<LRESULT>(count, 1, 8));
    int itemHeight = static_cast<int>(SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0));
    RECT r;
    GetWindowRect(combo, &r);
    const UINT quiet = SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE;
    SetWindowPos(combo, nullptr, 0, 0, Width(r), itemHeight * entries + Height(r) + 2,
                 quiet | SWP_HIDEWINDOW);
    SetWindowPos(combo, nullptr, 0, 0, 0, 0, quiet | SWP_NOSIZE | SWP_SHOWWINDOW);
}
