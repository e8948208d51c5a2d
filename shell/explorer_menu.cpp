#include "shell/explorer_menu.h"

#include <algorithm>
#include <map>

#include "app/format.h"
#include "app/run.h"
#include "app/texts.h"
#include "platform/files.h"
#include "platform/handle.h"
#include "platform/tools.h"

namespace {

constexpr char kStoredValue[] = "ExplorerMenu";
constexpr char kRootName[] = "HKEY_CURRENT_USER\\";
// The verb keys' own names: every key at or below one of them is the program's.
constexpr char kVerbPrefix[] = "Tolvane.";
// The record's marks: a key of the program's with all it holds, or a key above a verb that
// did not exist before, removed only while it is empty.
constexpr int32_t kOwnKey = 1;
constexpr int32_t kCreatedParent = 0;

// One key of the menu, below the classes key, with its values ("" the default value).
struct TMenuKey {
    std::string Path;
    std::vector<std::pair<std::string, std::string>> Values;
};

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// "Explorer's search syntax: the file is one of the names."
std::string AppliesTo(const std::vector<std::string>& names) {
    std::string query;
    for (const std::string& name : names)
        query += (query.empty() ? "" : " OR ") + std::string("System.FileName:=\"") + name + "\"";
    return query;
}

std::vector<TMenuKey> MenuKeys(const std::string& program, const std::vector<TListVerb>& lists) {
    std::vector<TMenuKey> keys;
    auto add = [&](const std::string& verb, const char* text, const std::string& command,
                   const std::string& appliesTo) {
        TMenuKey key{verb, {{"", text}, {"Icon", program}}};
        if (!appliesTo.empty())
            key.Values.emplace_back("AppliesTo", appliesTo);
        keys.push_back(key);
        keys.push_back({verb + "\\command", {{"", command}}});
    };
    const struct {
        const char* Class;
        const char* Argument;
    } folders[] = {{"Directory", "%1"}, {"Directory\\Background", "%V"}, {"Drive", "%1"}};
    for (const auto& folder : folders) {
        const std::string shell = std::string(folder.Class) + "\\shell\\" + kVerbPrefix;
        add(shell + "Update", texts::kExplorerMenuUpdate,
            VerbCommand(program, true, folder.Argument), "");
        add(shell + "Verify", texts::kExplorerMenuVerify,
            VerbCommand(program, false, folder.Argument), "");
    }
    for (const TListVerb& list : lists)
        add("SystemFileAssociations\\" + list.Extension + "\\shell\\" + kVerbPrefix + "VerifyList",
            texts::kExplorerMenuVerifyList, VerbCommand(program, false, "%1"),
            AppliesTo(list.Names));
    return keys;
}

// Keys whose path lies below another's come later, so parents are written first and
// removed last.
size_t Depth(const std::string& path) {
    return static_cast<size_t>(std::count(path.begin(), path.end(), '\\'));
}

LONG Record(HKEY record, const std::string& path, int32_t mark) {
    const DWORD data = static_cast<DWORD>(mark);
    return RegSetValueExA(record, path.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data);
}

} // namespace

std::string ExplorerMenuFaultText(const TRegistryFault& fault, bool removing) {
    const uint32_t code = static_cast<uint32_t>(fault.Error);
    return FormatText(
        removing ? texts::kExplorerMenuRemoveFailed : texts::kExplorerMenuWriteFailed,
        {fault.Key, static_cast<int32_t>(code), files::NativeFileSystem().ErrorText(code)});
}

std::vector<TListVerb> ListVerbs(const TChecksumNames& names) {
    // Extension -> names; an empty set stands for every file of the extension.
    std::map<std::string, std::vector<std::string>> byExtension;
    auto every = [&](const std::string& extension) { byExtension[extension].clear(); };
    every(".md5");
    every(".sfv");
    every(".sha256");
    every(".b3");
    every(".xxh128");
    std::map<std::string, std::vector<std::string>> named;
    for (size_t slot = 0; slot < names.size(); ++slot) {
        std::string name =
            ChecksumNameForPlacement(names[slot], static_cast<TPlacementMode>(slot % 5));
        // A whole-tree list kept elsewhere: its file name counts.
        name = name.substr(name.find_last_of("\\/:") + 1);
        const size_t dot = name.find_last_of('.');
        if (dot == std::string::npos || dot + 1 == name.size())
            continue;
        const std::string extension = Lower(name.substr(dot));
        const bool pattern = name.compare(0, 2, "*.") == 0 && dot == 1;
        const std::string rest = pattern ? name.substr(2) : name;
        if (rest.find_first_of("*?[") != std::string::npos)
            continue;
        if (pattern)
            every(extension);
        else if (dot > 0)
            named[extension].push_back(name);
    }
    for (auto& [extension, files] : named) {
        auto found = byExtension.find(extension);
        if (found != byExtension.end() && found->second.empty())
            continue; // every file of the extension has the verb already
        std::vector<std::string>& target = byExtension[extension];
        for (const std::string& file : files)
            if (std::none_of(target.begin(), target.end(),
                             [&](const std::string& known) { return Lower(known) == Lower(file); }))
                target.push_back(file);
        std::sort(target.begin(), target.end());
    }
    std::vector<TListVerb> verbs;
    for (const auto& [extension, files] : byExtension)
        verbs.push_back({extension, files});
    return verbs;
}

std::string VerbCommand(const std::string& program, bool update, const char* argument) {
    return "\"" + program + "\" " + (update ? "/u" : "/v") + " \"" + argument + "\"";
}

TExplorerMenu::TExplorerMenu(TExplorerMenuPlace place, std::string program,
                             const TChecksumNames& names)
    : Place(std::move(place)), Program(std::move(program)), Names(names) {}

void TExplorerMenu::Loaded(const std::string& writtenFor) {
    WrittenFor = writtenFor;
    WrittenLists = ListVerbs(Names);
}

TRegistryFault TExplorerMenu::Switch(bool on) {
    if (!on)
        return Remove();
    TRegistryFault fault = Write();
    if (fault)
        Remove();
    return fault;
}

TRegistryFault TExplorerMenu::Follow(bool names) {
    if (!IsOn() || (WrittenFor == Program && (!names || ListVerbs(Names) == WrittenLists)))
        return {};
    return Switch(true);
}

void TExplorerMenu::Store(const std::string& writtenFor) {
    WrittenFor = writtenFor;
    HKEY opened = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, Place.SettingsKey.c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS)
        return;
    TRegKey key(opened);
    RegWriteString(key.Get(), kStoredValue, writtenFor);
}

TRegistryFault TExplorerMenu::Write() {
    TRegistryFault fault = Remove();
    if (fault)
        return fault;
    const std::string recordPath = Place.SettingsKey + kExplorerKeysSubKey;
    HKEY opened = nullptr;
    LONG error = RegCreateKeyExA(HKEY_CURRENT_USER, recordPath.c_str(), 0, nullptr,
                                 REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &opened, nullptr);
    if (error != ERROR_SUCCESS)
        return {kRootName + recordPath, error};
    TRegKey record(opened);
    error = RegCreateKeyExA(HKEY_CURRENT_USER, Place.ClassesKey.c_str(), 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_CREATE_SUB_KEY, nullptr, &opened, nullptr);
    if (error != ERROR_SUCCESS)
        return {kRootName + Place.ClassesKey, error};
    TRegKey classes(opened);

    const std::vector<TListVerb> lists = ListVerbs(Names);
    for (const TMenuKey& menuKey : MenuKeys(Program, lists)) {
        // Level by level, so the record learns which parents are new.
        TRegKey key;
        HKEY parent = classes.Get();
        bool own = false;
        for (size_t end = 0; end != std::string::npos;) {
            end = menuKey.Path.find('\\', end + 1);
            const std::string path = menuKey.Path.substr(0, end);
            const std::string name = path.substr(path.find_last_of('\\') + 1);
            own = own || name.compare(0, sizeof kVerbPrefix - 1, kVerbPrefix) == 0;
            // The program's own keys are recorded before they exist: a failure half-way
            // leaves nothing unrecorded behind.
            if (own && (error = Record(record.Get(), path, kOwnKey)) != ERROR_SUCCESS)
                return {kRootName + recordPath, error};
            DWORD disposition = 0;
            HKEY created = nullptr;
            error = RegCreateKeyExA(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_CREATE_SUB_KEY | KEY_SET_VALUE, nullptr, &created,
                                    &disposition);
            if (error != ERROR_SUCCESS)
                return {kRootName + Place.ClassesKey + path, error};
            key.Attach(created);
            parent = key.Get();
            if (!own && disposition == REG_CREATED_NEW_KEY)
                Record(record.Get(), path, kCreatedParent);
        }
        for (const auto& [name, value] : menuKey.Values) {
            error = RegSetValueExA(key.Get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1));
            if (error != ERROR_SUCCESS)
                return {kRootName + Place.ClassesKey + menuKey.Path, error};
        }
    }
    Store(Program);
    WrittenLists = lists;
    return {};
}

TRegistryFault TExplorerMenu::Remove() {
    const std::string recordPath = Place.SettingsKey + kExplorerKeysSubKey;
    std::vector<std::string> paths = RegReadValueNames(HKEY_CURRENT_USER, recordPath);
    std::stable_sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
        return Depth(a) > Depth(b);
    });
    TRegistryFault fault;
    HKEY opened = nullptr;
    if (!paths.empty() &&
        RegOpenKeyExA(HKEY_CURRENT_USER, recordPath.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      &opened) == ERROR_SUCCESS) {
        TRegKey record(opened);
        for (const std::string& path : paths) {
            int32_t mark = kCreatedParent;
            RegReadInteger(record.Get(), path, mark);
            const std::string full = Place.ClassesKey + path;
            HKEY key = nullptr;
            LONG error = RegOpenKeyExA(HKEY_CURRENT_USER, full.c_str(), 0, KEY_QUERY_VALUE, &key);
            if (error == ERROR_SUCCESS) {
                DWORD subKeys = 0, values = 0;
                RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                                 &values, nullptr, nullptr, nullptr, nullptr);
                RegCloseKey(key);
                // A parent that another program has filled meanwhile stays: nothing of the
                // program's is left in it, so its record goes.
                if (mark == kOwnKey || (subKeys == 0 && values == 0))
                    error = RegDeleteKeyA(HKEY_CURRENT_USER, full.c_str());
            } else if (error == ERROR_FILE_NOT_FOUND) {
                error = ERROR_SUCCESS; // removed by someone else, or never written
            }
            if (error == ERROR_SUCCESS || mark != kOwnKey)
                RegDeleteValueA(record.Get(), path.c_str());
            else if (!fault)
                fault = {kRootName + full, error};
        }
    }
    if (fault)
        return fault;
    RegDeleteKeyA(HKEY_CURRENT_USER, recordPath.c_str());
    Store("");
    WrittenLists.clear();
    return {};
}
