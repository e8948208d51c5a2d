// The main window's layout: minimum size, the two splitters dragged with the mouse, and
// a resize that keeps the panel width.
#include "main_dialog.h"

#include <gtest/gtest.h>

#include "resources/resource.h"

namespace {

class MainLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { ShowWindow(Dialog.Handle, SW_SHOWNA); }
    void TearDown() override { ReleaseCapture(); }

    RECT Client() const {
        RECT client;
        GetClientRect(Dialog.Handle, &client);
        return client;
    }
    void Mouse(UINT message, int x, int y) const {
        SendMessageA(Dialog.Handle, message, 0, MAKELPARAM(x, y));
    }
    // Hover over the splitter at the control's left edge, press, drag to x, release.
    void Drag(int id, int x) const {
        RECT control = Dialog.Rect(id);
        int y = (control.top + control.bottom) / 2;
        Mouse(WM_MOUSEMOVE, control.left - 1, y);
        Mouse(WM_LBUTTONDOWN, control.left - 1, y);
        Mouse(WM_MOUSEMOVE, x, y);
        Mouse(WM_LBUTTONUP, x, y);
    }

    TTestSettingsKey Key;
    TMainDialog Dialog;
};

TEST_F(MainLayoutTest, WindowCannotBeSizedBelowTheTemplate) {
    const TMainWindow& window = Dialog.Window();
    ASSERT_GT(window.Sizes().MinWidth, 0);
    ASSERT_GT(window.Sizes().MinHeight, 0);
    struct {
        int Width, Height, WantWidth, WantHeight;
    } cases[] = {
        {10, 10, window.Sizes().MinWidth, window.Sizes().MinHeight},
        {window.Sizes().MinWidth - 1, window.Sizes().MinHeight + 40, window.Sizes().MinWidth, window.Sizes().MinHeight + 40},
        {window.Sizes().MinWidth + 80, window.Sizes().MinHeight - 1, window.Sizes().MinWidth + 80, window.Sizes().MinHeight},
        {window.Sizes().MinWidth + 80, window.Sizes().MinHeight + 40, window.Sizes().MinWidth + 80, window.Sizes().MinHeight + 40},
    };
    for (const auto& c : cases) {
        RECT proposed{100, 50, 100 + c.Width, 50 + c.Height};
        SendMessageA(Dialog.Handle, WM_SIZING, WMSZ_BOTTOMRIGHT,
                     reinterpret_cast<LPARAM>(&proposed));
        EXPECT_EQ(proposed.left, 100);
        EXPECT_EQ(proposed.top, 50);
        EXPECT_EQ(proposed.right - proposed.left, c.WantWidth);
        EXPECT_EQ(proposed.bottom - proposed.top, c.WantHeight);
    }
}

TEST_F(MainLayoutTest, PanelSplitterKeepsThePanelAndFiftyPixelsOfLog) {
    TMainWindow& window = Dialog.Window();
    const int right = Client().right;
    struct {
        int DragTo, Panel;
    } cases[] = {
        {window.Sizes().MinPanelWidth + 40, window.Sizes().MinPanelWidth + 40},
        {0, window.Sizes().MinPanelWidth},
        {right, right - 50},
        {right - 60, right - 60},
    };
    for (const auto& c : cases) {
        Drag(IDC_LOG, c.DragTo);
        EXPECT_EQ(window.Sizes().PanelWidth, c.Panel) << "dragged to " << c.DragTo;
        EXPECT_EQ(Dialog.Rect(IDC_LOG).left, c.Panel);
        EXPECT_EQ(Dialog.Rect(IDC_LOG).right, right);
        // The status bar lies under the log only.
        EXPECT_EQ(Dialog.Rect(IDC_STATUS).left, c.Panel);
        EXPECT_EQ(Dialog.Rect(IDC_STATUS).right, right);
        EXPECT_LT(Dialog.Rect(IDC_PROGRESS).right, c.Panel);
        EXPECT_LT(Dialog.Rect(IDC_BROWSE).right, c.Panel);
        EXPECT_FALSE(window.Splitters().DraggingPanelSplit);
    }
}

TEST_F(MainLayoutTest, NameSplitterKeepsFiftyPixelsOfEachEdit) {
    const RECT filter = Dialog.Rect(IDC_FILTER);
    const RECT name = Dialog.Rect(IDC_NAME);
    ASSERT_GT(name.right - filter.left, 100 + 4) << "room to drag";
    struct {
        int DragTo, Split;
    } cases[] = {
        {filter.left, filter.left + 50},
        {filter.left + 60, filter.left + 60},
        {name.right, name.right - 50},
    };
    for (const auto& c : cases) {
        Drag(IDC_NAME, c.DragTo);
        EXPECT_EQ(Dialog.Rect(IDC_FILTER).left, filter.left);
        EXPECT_EQ(Dialog.Rect(IDC_FILTER).right, c.Split - 1) << "dragged to " << c.DragTo;
        EXPECT_EQ(Dialog.Rect(IDC_NAME).left, c.Split + 1);
        EXPECT_EQ(Dialog.Rect(IDC_NAME).right, name.right);
        EXPECT_EQ(Dialog.Rect(IDC_NAME_LABEL).left, c.Split + 1);
        EXPECT_EQ(Dialog.Rect(IDC_NAME_LABEL).right, name.right);
        EXPECT_FALSE(Dialog.Window().Splitters().DraggingNameSplit);
    }
}

TEST_F(MainLayoutTest, MouseOutsideTheSplittersStartsNoDrag) {
    RECT log = Dialog.Rect(IDC_LOG);
    Mouse(WM_MOUSEMOVE, log.left - 1, (log.top + log.bottom) / 2);
    EXPECT_EQ(GetCapture(), Dialog.Handle) << "hovering the splitter captures the mouse";
    EXPECT_EQ(Dialog.Window().Splitters().HoverSplit, 1);
    Mouse(WM_MOUSEMOVE, 5, 5);
    EXPECT_NE(GetCapture(), Dialog.Handle) << "leaving it releases the mouse";
    const int before = Dialog.Window().Sizes().PanelWidth;
    Mouse(WM_LBUTTONDOWN, 5, 5);
    Mouse(WM_MOUSEMOVE, before + 30, 5);
    Mouse(WM_LBUTTONUP, before + 30, 5);
    EXPECT_EQ(Dialog.Window().Sizes().PanelWidth, before);
}

TEST_F(MainLayoutTest, ResizingKeepsThePanelWidth) {
    Drag(IDC_LOG, Dialog.Window().Sizes().MinPanelWidth + 30);
    const int panel = Dialog.Window().Sizes().PanelWidth;
    RECT window;
    GetWindowRect(Dialog.Handle, &window);
    SetWindowPos(Dialog.Handle, nullptr, 0, 0, window.right - window.left + 120,
                 window.bottom - window.top + 90, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT client = Client();
    EXPECT_EQ(Dialog.Window().Sizes().PanelWidth, panel);
    EXPECT_EQ(Dialog.Rect(IDC_LOG).left, panel);
    EXPECT_EQ(Dialog.Rect(IDC_LOG).right, client.right);
    EXPECT_EQ(Dialog.Rect(IDC_STATUS).bottom, client.bottom);
    // The buttons row stays above the progress bar at the bottom.
    EXPECT_LT(Dialog.Rect(IDC_UPDATE).bottom, Dialog.Rect(IDC_PROGRESS).top);
    EXPECT_LT(Dialog.Rect(IDC_PROGRESS).bottom, client.bottom);
}

} // namespace
