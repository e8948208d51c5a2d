// TLogList: the processing log's owner-drawn list box seen as log lines. Each item's string
// is the line's text and its data value the line's kind; the prefix and the colour of the
// kind exist only on screen. The list box belongs to the main dialog, which keeps all the
// state: a TLogList is a cheap view made where it is needed. Defined in log_list.cpp.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/log.h"

// Text colour of a log kind when the line is not selected.
COLORREF LogKindColor(int kind);

class TLogList {
public:
    // owner: the window that owns the clipboard and the popup menu.
    TLogList(HWND owner, HWND list) : Owner(owner), List(list) {}

    // Appends the line, makes it the caret item scrolled into view (the selection stays)
    // and widens the horizontal extent to the text when it is wider.
    void Add(const TLogLine& line);
    int Count() const;
    TLogLine Line(int index) const;
    std::vector<std::string> Texts() const;

    // WM_DRAWITEM of the list: false for anything it does not draw.
    bool Draw(const DRAWITEMSTRUCT& item) const;

    // Enables the menu's items for the selection and tracks it at the screen point; a
    // point of (-1, -1) or with a negative half means "from the keyboard": the caret
    // line's centre. A mouse point outside the list shows nothing.
    void ShowMenu(HMENU menu, int x, int y) const;
    void EnableMenuItems(HMENU menu) const;

    // The selected lines' texts, joined by CR LF, go to the clipboard; Cut also removes
    // them, Delete only removes them.
    void Cut();
    void Copy();
    void Delete();
    void SelectAll();

private:
    // Walks the items first to last, joining the texts of the selected ones; with remove
    // set, each is deleted as it is taken.
    std::string TakeSelected(bool remove);
    void ResetExtentWhenEmpty();

    HWND Owner;
    HWND List;
};
