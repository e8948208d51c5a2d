// TMainWindow: the program's one window, the modal dialog "MAIN". The object lives from
// WM_INITDIALOG to WM_DESTROY, kept by a TMainWindowHost; it owns the engine, the tooltip
// window, the status bar and the log's popup menu, and saves the settings when it is
// destroyed.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "app/run.h"
#include "engine/engine.h"
#include "shell/dialog.h"
#include "shell/settings.h"

// The remembered checksum-file names, index format * 5 + placement.
using TChecksumNames = std::array<std::string, kFormatCount * 5>;

struct TStoredSettings;

class TMainWindow {
public:
    // The settings live under the key below HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER.
    TMainWindow(HWND dialog, std::string settingsKey);
    ~TMainWindow();
    TMainWindow(const TMainWindow&) = delete;
    TMainWindow& operator=(const TMainWindow&) = delete;

    // Window state.
    HWND Handle;
    std::string SettingsKey;
    HWND ToolTips = nullptr;
    HMENU LogMenu = nullptr;
    int32_t MinWidth = 0; // the window size as created from the template
    int32_t MinHeight = 0;
    int32_t MinPanelWidth = 0;  // right edge of the progress bar in the template
    int32_t PanelWidth = 0;     // x of the border between the panel and the log
    SIZE LaidOutClient{-1, -1}; // the client size of the last layout
    TChecksumNames ChecksumNames;
    bool DraggingNameSplit = false;
    bool DraggingPanelSplit = false;
    int HoverSplit = 0; // 0 the filter/name splitter, 1 the panel/log splitter
    std::unique_ptr<TCheckSumEngine> Engine;

    // Run state; the progress and the timing of a run are kept by TRunController.
    bool Running = false;

    // Start-up requests of the command line, cleared once the window shows.
    bool ShowUsage = false;
    bool AutoExit = false;
    std::string LogFileName;
    // The process's exit code: that of the last run under /a (RunExitCode), else 0.
    int ExitCode = 0;
    bool StartUpdate = false;
    bool StartVerify = false;
    int32_t Workers = 1; // threads that read and hash files, 1..kMaxWorkers

    int32_t Today = 0;           // day count of today, taken at construction
    int32_t LastUpdateCheck = 0; // day count of the last update check, 0 for never
    bool RemindUpdates = false;  // open the update reminder at start-up

    // Dispatches one message of MainDialogProc; the result is the dialog procedure's.
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Control accessors. Reading the folder adds it to the combo's list when no entry
    // equals it ignoring letter case.
    std::string GetFolder();
    void SetFolder(const std::string& folder);
    std::string GetFilter() const;
    void SetFilter(const std::string& filter);
    std::string GetChecksumName() const;
    void SetChecksumName(const std::string& name);
    bool GetSubfolders() const;
    void SetSubfolders(bool on);
    int32_t GetOverwriteMode() const; // 1 checked, 2 unchecked, 0 indeterminate
    void SetOverwriteMode(int32_t mode);
    int32_t GetFormat() const; // 0 md5sum, 1 SFV, 2 SHA-256
    void SetFormat(int32_t format);
    int32_t GetPlacement() const; // 0..4
    void SetPlacement(int32_t placement);

    bool IsIdle() const { return !Running; }
    // Removes and dispatches every waiting message without waiting for more.
    void PumpMessages();
    // Lays the controls out for the panel width; 0 or less keeps the current one.
    void Layout(int32_t panelWidth);
    void InitMenusAndTexts();
    void ShowNameForMode();
    void StoreNameForMode();
    void PostStartupCommand();

    // Settings.
    void SetDefaults();
    void LoadSettings(HKEY root);
    void SaveSettings(HKEY root);

    // The run, the log and the command line.
    void Run(int id);
    void EnableControls(bool enable);
    // The progress bar at the position and the caption text of the run's progress.
    void ShowProgress(int32_t position, const std::string& caption);
    void ShowStatus(const std::string& path);
    void AddLogLine(const std::string& text, int kind);
    void ParseCommandLine();
    bool DrawLogItem(const DRAWITEMSTRUCT& item);
    void ShowLogMenu(int x, int y);
    void CutLog();
    void CopyLog();
    void DeleteLog();
    void SelectAllLog();

    // Handlers of the message table.
    bool OnCommand(int id, int code); // true when handled
    bool OnSysCommand(WPARAM command);
    void OnSizing(RECT& rect) const;
    void OnMouseMove(int x, int y);
    void OnLButtonDown();
    void OnLButtonUp();
    bool OnNotify(NMHDR& header); // true for the tooltip text requests
    void BrowseFolder();
    void EditChecksumName();
    void SizeDropDown();

    HWND Item(int id) const { return GetDlgItem(Handle, id); }

private:
    // The settings as the window holds them, with the folder and the window's rectangle
    // given; and the window taking them all but the rectangle.
    TStoredSettings StoredSettings(const std::string& folder, const RECT& window) const;
    void TakeStoredSettings(const TStoredSettings& settings);

    void CreateToolTips();
    void AddToolTip(HWND tool);
    const char* ToolTipText(HWND tool) const;
    bool InSplitZone(int zone, int x, int y) const;
    RECT SplitRange(int zone) const;
    void DragNameSplit(int x);
    static LRESULT CALLBACK RelayMouseProc(HWND control, UINT message, WPARAM wParam,
                                           LPARAM lParam);
    static LRESULT CALLBACK NameEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
    void EndNameEdit();
    void RestoreNameEditProc();
    std::wstring WideTipBuffer;        // the tip of a wide TTN_NEEDTEXTW request
    WNDPROC NameEditOwnProc = nullptr; // the name edit's own procedure while it is edited
};

// The object of the dialog "MAIN": it makes the window object on WM_INITDIALOG (and runs the
// start-up), frees it on WM_DESTROY, and hands it every message between. The program's
// entry keeps one for the dialog's life; tests keep their own with a key of their own.
class TMainWindowHost {
public:
    explicit TMainWindowHost(std::string settingsKey = kDefaultSettingsKeyPath)
        : SettingsKey(std::move(settingsKey)) {}

    INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    TMainWindow* Window() const { return Object.get(); }

private:
    std::string SettingsKey;
    std::unique_ptr<TMainWindow> Object;
};

// The procedure of "MAIN", whose creation parameter is a TMainWindowHost.
inline constexpr DLGPROC MainDialogProc = DialogProc<TMainWindowHost>;

// The window object of a main dialog, or nullptr when it has none (yet or any more).
TMainWindow* MainWindowOf(HWND dialog);
