// Explorer's menus: per-user verbs under HKEY_CURRENT_USER's classes (no administrator rights)
// that start this program on a folder, a folder's background, a drive, or a checksum file.
// Every key written is recorded in the settings key, so switching the menu off removes
// exactly those keys and nothing of another program's.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "shell/main_window.h"
#include "shell/settings.h"

// The record of the keys written: a sub-key of the settings key with one value per key,
// named by its path below the classes key.
constexpr char kExplorerKeysSubKey[] = "ExplorerKeys";

// Both keys below HKEY_CURRENT_USER, each ending with a backslash; tests use their own.
struct TExplorerMenuPlace {
    std::string ClassesKey = kUserClassesKey;
    std::string SettingsKey;
};

// A key that could not be written or removed, with the system's error code (0: none).
struct TRegistryFault {
    std::string Key; // the full name, "HKEY_CURRENT_USER\..."
    LONG Error = ERROR_SUCCESS;
    explicit operator bool() const { return Error != ERROR_SUCCESS; }
};

// The Error box's text for a fault in writing (or, with removing set, in removing) the menu.
std::string ExplorerMenuFaultText(const TRegistryFault& fault, bool removing);

// The checksum files of one extension that get "Verify with Tolvane": every file of the
// extension when Names is empty, else only files of these names.
struct TListVerb {
    std::string Extension; // ".md5", lower case
    std::vector<std::string> Names;
    bool operator==(const TListVerb& other) const {
        return Extension == other.Extension && Names == other.Names;
    }
};

// The list verbs for the window's checksum-file names: ".md5", ".sfv" and ".sha256" always,
// the extension of every "*.ext" name, and the names themselves of the fixed names (by their
// extension). Names without an extension, or with other wildcards, get none.
std::vector<TListVerb> ListVerbs(const TChecksumNames& names);

// The command a verb starts: the program with /u or /v and the item chosen (argument "%1",
// or "%V" for a folder's background) and nothing else, so the run takes the user's stored
// options. A Verify given a list file verifies that one list (VerifyOnlyList).
std::string VerbCommand(const std::string& program, bool update, const char* argument);

// The menu of one program file, as the Options dialog switches it and the window keeps it
// following the program's place and the checksum-file names.
class TExplorerMenu {
public:
    TExplorerMenu(TExplorerMenuPlace place, std::string program, const TChecksumNames& names);

    bool IsOn() const { return !WrittenFor.empty(); }
    // The stored value "ExplorerMenu": the program file the verbs were written for, empty
    // when the menu is off. Loaded takes it with the names as they were loaded.
    const std::string& StoredValue() const { return WrittenFor; }
    void Loaded(const std::string& writtenFor);

    // On: writes the verbs (replacing those written before); on a fault, what was written is
    // removed again and the menu is off. Off: removes every key written.
    TRegistryFault Switch(bool on);
    // Writes the verbs again when the program has moved (at start) or, with names set, also
    // when the list verbs of the names changed (at exit). Nothing when the menu is off.
    TRegistryFault Follow(bool names);

private:
    TRegistryFault Write();
    TRegistryFault Remove();
    void Store(const std::string& writtenFor);

    TExplorerMenuPlace Place;
    std::string Program;
    const TChecksumNames& Names;
    std::string WrittenFor;
    std::vector<TListVerb> WrittenLists;
};
