// One run queue per user: the first tlvn.exe of a user in the session takes a named mutex
// and, once its window shows, marks that window with a property of the same name. A later
// tlvn.exe asked to run hands its command line (and its current folder) to that window with
// WM_COPYDATA and ends at once; the window runs the commands one after another. When no
// window takes the command in time, the later program runs it itself. A script's run (/a)
// and an unattended one (/q) keep out of the queue both ways: each has its own run, log and
// exit code, and its window takes no other program's run.
#pragma once

#include <windows.h>

#include <string>

// The exit code of a program that handed its run to the running window (the codes of runs
// are 0 to 4): the run's result is in that window, and in its log file under /a.
constexpr int kExitHandedOver = 5;

// The answers of the running window to WM_COPYDATA.
constexpr LRESULT kHandOverTaken = 1;
constexpr LRESULT kHandOverRefused = 0; // closing, or not a run: ask again or run alone

// A command line of a script's or a scheduled task's run: /a with a command, or /q.
bool RunsAlone(const std::string& commandLine);
// A command line whose run another program may take: /u or /v, nothing wrong, not alone.
bool IsHandOverCommand(const std::string& commandLine);

// A command as it travels: the sender's current folder and its whole command line.
struct THandedOverCommand {
    std::string Folder;
    std::string CommandLine;
};
// The WM_COPYDATA payload; false when the data is no such command.
std::string HandOverData(const THandedOverCommand& command);
bool ReadHandOver(const COPYDATASTRUCT& data, THandedOverCommand& command);
constexpr ULONG_PTR kHandOverDataKind = 0x4E564C54; // "TLVN"

class TInstance {
public:
    // Opens the user's mutex and takes it when no other program holds it.
    TInstance();
    ~TInstance();
    TInstance(const TInstance&) = delete;
    TInstance& operator=(const TInstance&) = delete;

    // True when this program is the one that takes the runs of later ones.
    bool Owned() const { return Owner; }
    // The name of the mutex and of the window property.
    const std::string& PropertyName() const { return Property; }

    // Hands the command to the running window. False when none took it within the wait;
    // the mutex may then be this program's (the other one has ended).
    bool HandOver(const THandedOverCommand& command);

private:
    bool TakeMutex();

    std::string Property;
    HANDLE Mutex = nullptr;
    bool Owner = false;
};
