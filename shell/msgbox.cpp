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
    // No caption of its own: the system shows its default one.
    return MessageBoxA(owner, text.c_str(), caption.empty() ? nullptr : caption.c_str(), type);
}

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook) {
    return std::exchange(Hook(), std::move(hook));
}
