// The main window's control accessors and the checksum-file name remembered for each
// combination of format and placement.
#include "shell/main_window.h"

#include "app/texts.h"
#include "platform/tools.h"
#include "resources/resource.h"

std::string TMainWindow::GetFolder() {
    std::string folder = GetDlgItemString(Handle, IDC_FOLDER);
    AddToFolderHistory(folder);
    return folder;
}

void TMainWindow::AddToFolderHistory(const std::string& folder) {
    // An empty folder is never worth remembering in the history.
    if (!folder.empty() &&
        SendDlgItemMessageA(Handle, IDC_FOLDER, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(folder.c_str())) == CB_ERR)
        SendDlgItemMessageA(Handle, IDC_FOLDER, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(folder.c_str()));
}

void TMainWindow::SetFolder(const std::string& folder) {
    SetDlgItemTextA(Handle, IDC_FOLDER, folder.c_str());
}

std::string TMainWindow::GetFilter() const {
    return GetDlgItemString(Handle, IDC_FILTER);
}

void TMainWindow::SetFilter(const std::string& filter) {
    SetDlgItemTextA(Handle, IDC_FILTER, filter.c_str());
}

std::string TMainWindow::GetChecksumName() const {
    return GetDlgItemString(Handle, IDC_NAME);
}

void TMainWindow::SetChecksumName(const std::string& name) {
    SetDlgItemTextA(Handle, IDC_NAME, name.c_str());
}

bool TMainWindow::GetSubfolders() const {
    return IsDlgButtonChecked(Handle, IDC_SUBFOLDERS) == BST_CHECKED;
}

void TMainWindow::SetSubfolders(bool on) {
    CheckDlgButton(Handle, IDC_SUBFOLDERS, on ? BST_CHECKED : BST_UNCHECKED);
}

int32_t TMainWindow::GetOverwriteMode() const {
    switch (IsDlgButtonChecked(Handle, IDC_OVERWRITE)) {
    case BST_CHECKED:
        return omOverwrite;
    case BST_UNCHECKED:
        return omKeep;
    default:
        return omAsk;
    }
}

void TMainWindow::SetOverwriteMode(int32_t mode) {
    CheckDlgButton(Handle, IDC_OVERWRITE,
                   mode == omOverwrite ? BST_CHECKED
                   : mode == omKeep    ? BST_UNCHECKED
                                       : BST_INDETERMINATE);
}

int32_t TMainWindow::GetFormat() const {
    const LRESULT selected = SendDlgItemMessageA(Handle, IDC_FORMAT, CB_GETCURSEL, 0, 0);
    return selected > 0 && selected < kFormatCount ? static_cast<int32_t>(selected) : 0;
}

void TMainWindow::SetFormat(int32_t format) {
    if (SendDlgItemMessageA(Handle, IDC_FORMAT, CB_GETCOUNT, 0, 0) == 0)
        for (const char* name : texts::kFormatNames)
            SendDlgItemMessageA(Handle, IDC_FORMAT, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(name));
    SendDlgItemMessageA(Handle, IDC_FORMAT, CB_SETCURSEL,
                        format > 0 && format < kFormatCount ? format : 0, 0);
}

int32_t TMainWindow::GetPlacement() const {
    for (int id = IDC_PLACEMENT_FIRST; id <= IDC_PLACEMENT_LAST; ++id)
        if (IsDlgButtonChecked(Handle, id) == BST_CHECKED)
            return id - IDC_PLACEMENT_FIRST;
    return 0;
}

void TMainWindow::SetPlacement(int32_t placement) {
    if (placement < 1 || placement > 4)
        placement = 0;
    // Each button set on its own: CheckRadioButton finds them by walking every window of the
    // dialog, and under Wine each step of that walk is a call to the server.
    for (int id = IDC_PLACEMENT_FIRST; id <= IDC_PLACEMENT_LAST; ++id)
        CheckDlgButton(Handle, id,
                       id == IDC_PLACEMENT_FIRST + placement ? BST_CHECKED : BST_UNCHECKED);
}

void TMainWindow::ShowNameForMode() {
    SetChecksumName(Names[GetFormat() * 5 + GetPlacement()]);
}

void TMainWindow::StoreNameForMode() {
    Names[GetFormat() * 5 + GetPlacement()] = GetChecksumName();
}
