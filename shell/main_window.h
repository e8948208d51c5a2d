// TMainWindow: the program's one window, the modal dialog "MAIN". The object lives from
// WM_INITDIALOG to WM_DESTROY, kept by a TMainWindowHost; it owns the engine, the tooltip
// window, the status bar and the log's popup menu, and saves the settings when it is
// destroyed. Its members are defined in the main_*.cpp files, grouped below by file.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>

#include "app/cmdline.h"
#include "app/run.h"
#include "engine/engine.h"
#include "shell/dialog.h"
#include "shell/instance.h"
#include "shell/settings.h"

// The remembered checksum-file names, index format * 5 + placement.
using TChecksumNames = std::array<std::string, kFormatCount * 5>;

// What the command line and the settings ask of the window once it shows (the first four,
// spent by PostStartupCommand) and when a run ends (AutoExit, Unattended, LogFileName,
// ReportFileName).
struct TStartupRequests {
    bool ShowUsage = false;
    bool StartUpdate = false;
    bool StartVerify = false;
    bool RemindUpdates = false; // open the update reminder
    bool AutoExit = false;
    bool Unattended = false; // /q: nobody at the screen; the window closes after the run
    std::string LogFileName;
    std::string VerifyList;     // a Verify given a list file: the start-up run verifies that list
    std::string ReportFileName; // /r: a report after every run; "" for none
    TSlice Slice;               // /k: every Verify checks this slice only
    std::string BadArgument;    // the first argument in error, named above the usage text
};

// The window's smallest size and its panel, in pixels.
struct TWindowSizes {
    int32_t MinWidth = 0; // the window size as created from the template
    int32_t MinHeight = 0;
    int32_t MinPanelWidth = 0;   // right edge of the progress bar in the template
    int32_t PanelWidth = 0;      // x of the border between the panel and the log
    int32_t FirstStartWidth = 0; // the window's width when no width is stored
};

// The two splitters under the mouse.
struct TSplitters {
    bool DraggingNameSplit = false;
    bool DraggingPanelSplit = false;
    int HoverSplit = 0; // 0 the filter/name splitter, 1 the panel/log splitter
};

// Day counts of today (taken at construction) and of the last update check (0 for never).
struct TUpdateDays {
    int32_t Today = 0;
    int32_t LastUpdateCheck = 0;
};

// Where the window keeps what outlives it, below HKEY_CURRENT_USER (the settings also below
// HKEY_LOCAL_MACHINE): its settings and the classes of its Explorer menu; and the name of the
// property under which it takes the runs of later programs (empty: it takes none).
struct TMainWindowPlaces {
    std::string SettingsKey = kDefaultSettingsKeyPath;
    std::string ClassesKey = kUserClassesKey;
    std::string InstanceProperty;
};

// What follows a run: under /a (the window's own start only) every line saved to the file.
struct TRunLog {
    bool AutoExit = false;
    std::string FileName;
    std::string ReportFileName; // a report after the run; "" for none
};

// A Verify given a list file verifies that one list, for that run only: its entries relative
// to the list's folder (the run's Folder), the files it does not name looked for beside it.
void VerifyOnlyList(TRunSettings& settings, const std::string& list);
// The folder that holds the file: "D:\x" for "D:\x\a.md5"; a drive's root keeps its
// delimiter, and a bare name is in the current folder.
std::string FolderOfFile(const std::string& file);

// Posted to the window when a handed-over run may start.
constexpr UINT kRunQueuedMessage = WM_APP + 1;

class TExplorerMenu;
class TLogList;
struct TStoredSettings; // main_settings.cpp: every stored value as the registry holds it

class TMainWindow {
public:
    // main_window.cpp: the window's life, the message table and the start-up command.
    // The settings live under the key below HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER.
    TMainWindow(HWND dialog, const TMainWindowPlaces& places);
    ~TMainWindow();
    TMainWindow(const TMainWindow&) = delete;
    TMainWindow& operator=(const TMainWindow&) = delete;
    // Dispatches one message of MainDialogProc; the result is the dialog procedure's.
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool IsIdle() const { return !Running; }
    // Removes and dispatches every waiting message without waiting for more.
    void PumpMessages();
    void InitMenusAndTexts();
    void PostStartupCommand();

    // main_controls.cpp: the control accessors. Reading the folder adds it to the combo's
    // list when no entry equals it ignoring letter case.
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
    int32_t GetFormat() const; // 0 md5sum, 1 SFV, 2 SHA-256, 3 BLAKE3, 4 XXH128
    void SetFormat(int32_t format);
    int32_t GetPlacement() const; // 0..4
    void SetPlacement(int32_t placement);
    // The name edit shows, and remembers, the name of the format and placement shown.
    void ShowNameForMode();
    void StoreNameForMode();

    // main_settings.cpp: defaults, then the machine's and the user's values; saved at exit.
    void SetDefaults();
    void LoadSettings(HKEY root);
    void SaveSettings(HKEY root);
    // At start: the Explorer menu written again when the program has moved.
    void FollowExplorerMenu();

    // main_cmdline.cpp: the process's command line, or the one given, into the controls,
    // the options and the start-up requests.
    void ParseCommandLine();
    void ApplyCommandLine(const std::string& commandLine);
    // The options alone (no start-up request), as a handed-over run takes them too; the
    // result is the list file a Verify was given where the folder goes, else empty.
    std::string ApplyRunOptions(const TCommandLine& line);

    // main_drop.cpp: a path dropped or named on the command line. A file is taken as a
    // list: its folder into the Folder field, its full path into the checksum-file name, in
    // the mode that verifies exactly that list; anything else is the Folder.
    void TakePath(const std::string& path);

    // main_layout.cpp: lays the controls out for the panel width; 0 or less keeps it.
    void Layout(int32_t panelWidth);

    // main_run.cpp: the Update and Verify buttons.
    void Run(int id);
    void EnableControls(bool enable);

    // main_queue.cpp: the runs that later programs hand over (WM_COPYDATA), run one after
    // another, each once the window is idle; the status bar shows how many wait.
    LRESULT OnCopyData(const COPYDATASTRUCT& data);
    void RunQueued();
    size_t WaitingRuns() const { return Queue.size(); }

    // main_log.cpp: the processing log.
    void AddLogLine(const std::string& text, int kind);
    bool DrawLogItem(const DRAWITEMSTRUCT& item);

    // The state that the tests read, and the requests they stage.
    HWND ToolTips() const { return ToolTipWindow; }
    HMENU LogMenu() const { return LogPopupMenu; }
    const TWindowSizes& Sizes() const { return Size; }
    const TSplitters& Splitters() const { return Split; }
    const TChecksumNames& ChecksumNames() const { return Names; }
    const TUpdateDays& UpdateDays() const { return Days; }
    int32_t Workers() const { return WorkerCount; }
    TExplorerMenu& ExplorerMenu() const { return *Menu; }
    const TStartupRequests& StartupRequests() const { return Requests; }
    void SetStartupRequests(const TStartupRequests& requests) { Requests = requests; }

private:
    // main_window.cpp
    bool OnCommand(int id, int code); // true when handled
    bool OnSysCommand(WPARAM command);
    HWND Item(int id) const { return GetDlgItem(Handle, id); }

    // main_controls.cpp: the folder joins the combo's list unless an entry equals it
    // ignoring letter case.
    void AddToFolderHistory(const std::string& folder);

    // main_drop.cpp
    void OnDropFiles(HDROP drop);
    void TakeList(const std::string& path);
    int FormatOfList(const std::string& name) const;

    // main_settings.cpp: the settings as the window holds them, with the folder and the
    // window's rectangle given; and the window taking them all but the rectangle.
    TStoredSettings StoredSettings(const std::string& folder, const RECT& window) const;
    void TakeStoredSettings(const TStoredSettings& settings);
    // The settings of a run with the options of the line, the window's own left as they are.
    TRunSettings RunSettingsWith(const TCommandLine& line);
    int32_t FirstStartWidth() const;

    // main_layout.cpp: the minimum size, the splitters and the folder list's drop-down.
    void OnSizing(RECT& rect) const;
    void OnMouseMove(int x, int y);
    void OnLButtonDown();
    void OnLButtonUp();
    bool InSplitZone(int zone, int x, int y) const;
    RECT SplitRange(int zone) const;
    void DragNameSplit(int x);
    void SizeDropDown();

    // main_tooltips.cpp
    void CreateToolTips();
    void AddToolTip(HWND tool);
    const char* ToolTipText(HWND tool) const;
    bool OnNotify(NMHDR& header); // true for the tooltip text requests
    static LRESULT CALLBACK RelayMouseProc(HWND control, UINT message, WPARAM wParam,
                                           LPARAM lParam);

    // main_name_edit.cpp: the two "..." buttons.
    void BrowseFolder();
    void EditChecksumName();
    static LRESULT CALLBACK NameEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
    void EndNameEdit();
    void RestoreNameEditProc();

    // main_run.cpp: the window during a run, and what a run shows in it.
    class TRunLock;
    class TWindowFrontEnd;
    TRunSettings RunSettings();
    void PerformRun(int buttonId, const TRunSettings& settings, const TRunLog& log, bool queued);
    void SaveRunLog(const TRunLog& log, bool ended);
    // True when the window closes after its own run: /a with a command, or /q.
    bool ClosesAfterRun() const { return Requests.AutoExit || Requests.Unattended; }
    // The progress bar at the position and the caption text of the run's progress.
    void ShowProgress(int32_t position, const std::string& caption);
    void ShowStatus(const std::string& path);

    // main_queue.cpp
    void ServeQueue();
    void ShowWaiting();

    // main_log.cpp
    TLogList Log() const;
    void ShowLogMenu(int x, int y);
    // A key pressed in the log: the menu's command of Ctrl+X, Ctrl+C, Delete and Ctrl+A
    // (-2, handled), or -1 for the list's own handling.
    INT_PTR OnLogKey(UINT key);
    void SaveLogAs();

    HWND Handle;
    TMainWindowPlaces Places;
    HWND ToolTipWindow = nullptr;
    HMENU LogPopupMenu = nullptr;
    TWindowSizes Size;
    SIZE LaidOutClient{-1, -1}; // the client size of the last layout
    TChecksumNames Names;
    TSplitters Split;
    std::unique_ptr<TCheckSumEngine> Engine;
    bool Running = false; // the progress and the timing of a run are kept by TRunController
    TStartupRequests Requests;
    int ExitCode = 0;                     // that of the last run under /a (RunExitCode), else 0
    int32_t WorkerCount = kWorkersByDisk; // threads that read and hash files, 0..kMaxWorkers
    TUpdateDays Days;
    std::wstring WideTipBuffer;        // the tip of a wide TTN_NEEDTEXTW request
    WNDPROC NameEditOwnProc = nullptr; // the name edit's own procedure while it is edited
    std::unique_ptr<TExplorerMenu> Menu;
    TRunLog CurrentLog;                   // that of the run in progress
    std::deque<THandedOverCommand> Queue; // the runs waiting, first to last
    bool Closing = false;                 // the window closes: no run is taken any more
    std::string SavedLogName;             // where "Save as..." saved the log last
};

// The object of the dialog "MAIN": it makes the window object on WM_INITDIALOG (and runs the
// start-up), frees it on WM_DESTROY, and hands it every message between. The program's
// entry keeps one for the dialog's life; tests keep their own with a key of their own.
// HandleMessage and MainWindowOf are defined in main_window.cpp.
class TMainWindowHost {
public:
    explicit TMainWindowHost(TMainWindowPlaces places = TMainWindowPlaces())
        : Places(std::move(places)) {}

    INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    TMainWindow* Window() const { return Object.get(); }

private:
    TMainWindowPlaces Places;
    std::unique_ptr<TMainWindow> Object;
};

// The procedure of "MAIN", whose creation parameter is a TMainWindowHost.
inline constexpr DLGPROC MainDialogProc = DialogProc<TMainWindowHost>;

// The window object of a main dialog, or nullptr when it has none (yet or any more).
TMainWindow* MainWindowOf(HWND dialog);
