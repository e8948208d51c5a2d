// The one dialog procedure of the program. Every dialog is an object with
//     INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// the creation parameter of WM_INITDIALOG points to it, the window keeps it in DWLP_USER,
// and every later message goes to it. HandleMessage answers as a dialog procedure does:
// TRUE for a handled message, FALSE for the default processing, or the message's own
// result. No exception leaves a window procedure: one that reaches DialogProc answers as if
// the message were handled.
#pragma once

#include <windows.h>

// The object of a dialog run by DialogProc<TDialog>, or nullptr before WM_INITDIALOG.
template <class TDialog> TDialog* DialogObject(HWND dialog) {
    return reinterpret_cast<TDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

template <class TDialog>
INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG)
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        // Messages before WM_INITDIALOG find no object and get the default processing.
        TDialog* object = DialogObject<TDialog>(dialog);
        return object ? object->HandleMessage(dialog, message, wParam, lParam) : FALSE;
    } catch (...) {
        return TRUE;
    }
}

// Runs the named dialog template modally over the owner with the object; the result is
// the one given to EndDialog (-1 when the dialog could not be made).
template <class TDialog> INT_PTR RunModalDialog(HWND owner, LPCSTR templateName, TDialog& object) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), templateName, owner, DialogProc<TDialog>,
                           reinterpret_cast<LPARAM>(&object));
}
