#include "shell/msgbox.h"

#include <utility>

namespace {
TMessageBoxHook& Hook() {
    static TMessageBoxHook hook;
    return hook;
}
} // namespace

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    if (Hook()) {
        try {
            return Hook()(TMessageBoxCall{owner, text, caption, type});
        } catch (...) {
            return IDCANCEL;
        }
    }
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook) {
    return std::exchange(Hook(), std::move(hook));
}
