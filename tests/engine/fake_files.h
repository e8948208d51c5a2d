// TFakeFileSystem: a test double of the engine's file services. It forwards every call
// to the platform's real services and stages, per full path, the failures a real disk
// cannot be made to show on demand: an open that fails, a read that fails after some
// bytes, a file that shrinks or is written while it is read, a file cut while it is mapped,
// a huge file of zeros that is not on disk, a failed save, and Windows attributes on
// systems that have none. Hashing
// workers open, read and close files on their own threads: those calls hold a lock.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/files.h"

class TFakeFileSystem : public files::TFileSystem {
public:
    struct TReadFailure {
        uint64_t After; // bytes delivered before the failing read
        files::TErrorCode Error;
    };

    // Staged behaviour, keyed by the full path the engine passes.
    std::map<std::string, files::TErrorCode> OpenErrors; // OpenRead fails
    std::map<std::string, files::TErrorCode> ListErrors; // searches in this folder fail
    std::map<std::string, TReadFailure> ReadFailures;
    std::set<std::string> ReadsRunOutOfMemory; // Read throws std::bad_alloc
    std::map<std::string, uint64_t> ShrinkTo;  // reads deliver this many bytes, then 0
    std::set<std::string> ChangesWhileRead;    // once read from, its last-write time moves
    std::map<std::string, uint64_t> ZeroFiles; // not on disk: this many zero bytes
    // Mapped through the real services; once a use of mapped bytes reaches past At, the file
    // on disk is set to To bytes before they are used.
    struct TMappedCut {
        uint64_t At;
        uint64_t To;
    };
    std::map<std::string, TMappedCut> CutWhileMapped;
    // SaveFile fails with this status and error, without touching the disk.
    std::map<std::string, std::pair<files::TSaveStatus, files::TErrorCode>> SaveFailures;
    // Attribute bits kept here instead of on disk (to stage hidden/system on POSIX);
    // a path present here also gets read-only passed through to the disk.
    std::map<std::string, uint32_t> Attributes;
    std::optional<files::TLocalTime> Now;   // LocalNow answers this when set
    char Separator = 0;                     // TimeSeparator answers this when not 0
    std::chrono::microseconds ReadDelay{0}; // every Read takes at least this long
    bool PassAnnounce = false;              // Announce reaches the disk's services
    bool PassWholeReads = false;            // ReadWhole reaches them for files with nothing staged
    bool Rotational = false;                // OnRotationalDisk answers this

    // What the engine did.
    std::vector<uint32_t> ReadLengths;                            // the length asked of every Read
    std::vector<std::pair<std::string, uint32_t>> AttributeCalls; // every SetAttributes
    std::vector<std::string> Saved;                               // paths of every SaveFile
    int OpenFiles = 0;                                            // files open right now
    int Announced = 0;                                            // calls of Announce
    int WholeReads = 0;                                           // files read whole
    std::vector<std::string> Opened; // every file opened or read whole, in turn; under OpenedCount
    size_t OpenedCount() {
        std::lock_guard<std::mutex> lock(Mutex);
        return Opened.size();
    }

    files::TFileSystem& Native = files::NativeFileSystem();

    files::TErrorCode
    FindFiles(const std::string& pattern,
              const std::function<bool(const files::TFoundFile&)>& onEntry) override {
        const size_t end = pattern.find_last_of(files::kPathDelimiter) + 1;
        auto staged = ListErrors.find(pattern.substr(0, end));
        if (staged != ListErrors.end())
            return staged->second;
        return Native.FindFiles(pattern, onEntry);
    }
    bool GetFileInfo(const std::string& path, files::TFoundFile& info) override {
        return Native.GetFileInfo(path, info);
    }

    files::TFileId OpenRead(const std::string& path, files::TErrorCode& error) override {
        std::lock_guard<std::mutex> lock(Mutex);
        auto staged = OpenErrors.find(path);
        if (staged != OpenErrors.end()) {
            error = staged->second;
            return files::kNoFile;
        }
        TOpen open;
        open.Path = path;
        auto zero = ZeroFiles.find(path);
        if (zero != ZeroFiles.end()) {
            open.ZeroSize = zero->second;
        } else {
            open.Native = Native.OpenRead(path, error);
            if (open.Native == files::kNoFile)
                return files::kNoFile;
        }
        files::TFileId id = NextId++;
        Opened.push_back(path);
        Open[id] = open;
        ++OpenFiles;
        return id;
    }

    uint64_t FileSize(files::TFileId file) override {
        std::lock_guard<std::mutex> lock(Mutex);
        const TOpen& open = Open.at(file);
        return open.ZeroSize ? *open.ZeroSize : Native.FileSize(open.Native);
    }

    files::TFileStamp Stamp(files::TFileId file) override {
        std::lock_guard<std::mutex> lock(Mutex);
        const TOpen& open = Open.at(file);
        files::TFileStamp stamp =
            open.ZeroSize ? files::TFileStamp{*open.ZeroSize, 0} : Native.Stamp(open.Native);
        if (open.ReadFrom && ChangesWhileRead.count(open.Path) != 0)
            ++stamp.WriteTime;
        return stamp;
    }

    bool Read(files::TFileId file, void* buffer, uint32_t length, uint32_t& done,
              files::TErrorCode& error) override {
        std::this_thread::sleep_for(ReadDelay);
        std::lock_guard<std::mutex> lock(Mutex);
        TOpen& open = Open.at(file);
        if (!Deliver(open, open.Position, buffer, length, done, error))
            return false;
        open.Position += done;
        return true;
    }

    // The same staging by offset; the native file is read at offsets too.
    bool ReadAt(files::TFileId file, uint64_t offset, void* buffer, uint32_t length, uint32_t& done,
                files::TErrorCode& error) override {
        std::this_thread::sleep_for(ReadDelay);
        std::lock_guard<std::mutex> lock(Mutex);
        return Deliver(Open.at(file), offset, buffer, length, done, error);
    }
    bool ReadsAtAnyOffset() override { return true; }

    const uint8_t* Map(files::TFileId file, uint64_t length) override {
        std::lock_guard<std::mutex> lock(Mutex);
        const TOpen& open = Open.at(file);
        auto cut = CutWhileMapped.find(open.Path);
        if (cut == CutWhileMapped.end())
            return nullptr;
        const uint8_t* mapping = Native.Map(open.Native, length);
        if (mapping)
            Mappings[mapping] = {open.Path, cut->second};
        return mapping;
    }
    bool UseMapped(const uint8_t* data, size_t length, files::TMappedUse use, void* context,
                   files::TErrorCode& error) override {
        {
            std::lock_guard<std::mutex> lock(Mutex);
            auto mapping = std::prev(Mappings.upper_bound(data));
            TMapping& m = mapping->second;
            if (!m.CutDone && uint64_t(data - mapping->first) + length > m.Cut.At) {
                m.CutDone = true;
                std::filesystem::resize_file(m.Path, m.Cut.To);
            }
        }
        return Native.UseMapped(data, length, use, context, error);
    }
    void FetchMapped(const uint8_t* data, size_t length) override {
        Native.FetchMapped(data, length);
    }
    void ReleaseMapped(const uint8_t* data, size_t length) override {
        Native.ReleaseMapped(data, length);
    }
    void Unmap(const uint8_t* mapping, uint64_t length) override {
        std::lock_guard<std::mutex> lock(Mutex);
        Mappings.erase(mapping);
        Native.Unmap(mapping, length);
    }

    void Close(files::TFileId file) override {
        std::lock_guard<std::mutex> lock(Mutex);
        auto open = Open.find(file);
        if (open == Open.end())
            return; // a double close would show as OpenFiles going wrong elsewhere
        if (!open->second.ZeroSize)
            Native.Close(open->second.Native);
        Open.erase(open);
        --OpenFiles;
    }

    void Announce(const std::string& path, uint64_t length) override {
        {
            std::lock_guard<std::mutex> lock(Mutex);
            ++Announced;
        }
        if (PassAnnounce)
            Native.Announce(path, length);
    }

    bool ReadWhole(files::TWholeRead* reads, size_t count) override {
        if (!PassWholeReads)
            return false;
        std::this_thread::sleep_for(ReadDelay);
        std::vector<files::TWholeRead> passed;
        std::vector<size_t> at;
        {
            std::lock_guard<std::mutex> lock(Mutex);
            for (size_t i = 0; i < count; ++i) {
                const std::string& path = *reads[i].Path;
                reads[i].Done = false;
                if (OpenErrors.count(path) + ReadFailures.count(path) +
                        ReadsRunOutOfMemory.count(path) + ShrinkTo.count(path) +
                        ChangesWhileRead.count(path) + ZeroFiles.count(path) ==
                    0) {
                    passed.push_back(reads[i]);
                    at.push_back(i);
                }
            }
        }
        if (!Native.ReadWhole(passed.data(), passed.size()))
            return false;
        std::lock_guard<std::mutex> lock(Mutex);
        for (size_t i = 0; i < passed.size(); ++i) {
            reads[at[i]] = passed[i];
            WholeReads += passed[i].Done;
            if (passed[i].Done)
                Opened.push_back(*passed[i].Path);
        }
        return true;
    }

    files::TSaveStatus SaveFile(const std::string& path, const std::string& content,
                                files::TSaveTarget target, files::TSaveReport& report) override {
        Saved.push_back(path);
        auto staged = SaveFailures.find(path);
        if (staged != SaveFailures.end()) {
            report.Error = staged->second.second;
            return staged->second.first;
        }
        return Native.SaveFile(path, content, target, report);
    }
    void EnterTree(const std::string& root) override { Native.EnterTree(root); }
    void LeaveTree() override { Native.LeaveTree(); }

    std::string RealPath(const std::string& path) override { return Native.RealPath(path); }
    bool OnRotationalDisk(const std::string&) override { return Rotational; }

    bool GetAttributes(const std::string& path, uint32_t& attributes) override {
        auto staged = Attributes.find(path);
        if (staged == Attributes.end())
            return Native.GetAttributes(path, attributes);
        uint32_t onDisk = 0;
        if (!Native.GetAttributes(path, onDisk))
            return false;
        attributes = staged->second;
        return true;
    }

    bool SetAttributes(const std::string& path, uint32_t attributes) override {
        AttributeCalls.emplace_back(path, attributes);
        auto staged = Attributes.find(path);
        if (staged == Attributes.end())
            return Native.SetAttributes(path, attributes);
        staged->second = attributes;
        return Native.SetAttributes(path, attributes & files::kAttrReadOnly);
    }

    bool RemoveFile(const std::string& path, files::TErrorCode& error) override {
        return Native.RemoveFile(path, error);
    }
    int CompareText(const std::string& a, const std::string& b) override {
        return Native.CompareText(a, b);
    }
    files::TLocalTime LocalNow() override { return Now ? *Now : Native.LocalNow(); }
    char TimeSeparator() override { return Separator ? Separator : Native.TimeSeparator(); }
    std::string ErrorText(files::TErrorCode error) override { return Native.ErrorText(error); }

private:
    struct TOpen {
        std::string Path;
        files::TFileId Native = files::kNoFile;
        std::optional<uint64_t> ZeroSize;
        uint64_t Position = 0; // where Read goes on
        bool ReadFrom = false; // some read delivered bytes
    };
    // A read of up to length bytes at offset, with the staged failures; Mutex is held.
    bool Deliver(TOpen& open, uint64_t offset, void* buffer, uint32_t length, uint32_t& done,
                 files::TErrorCode& error) {
        ReadLengths.push_back(length);
        if (ReadsRunOutOfMemory.count(open.Path) != 0)
            throw std::bad_alloc();
        auto failure = ReadFailures.find(open.Path);
        if (failure != ReadFailures.end() && offset + length > failure->second.After) {
            error = failure->second.Error;
            done = 0;
            return false;
        }
        auto shrink = ShrinkTo.find(open.Path);
        if (shrink != ShrinkTo.end() && offset + length > shrink->second)
            length = static_cast<uint32_t>(shrink->second - std::min(offset, shrink->second));
        if (open.ZeroSize) {
            done = static_cast<uint32_t>(
                std::min<uint64_t>(length, *open.ZeroSize - std::min(offset, *open.ZeroSize)));
            std::memset(buffer, 0, done);
        } else if (!Native.ReadAt(open.Native, offset, buffer, length, done, error)) {
            return false;
        }
        open.ReadFrom |= done > 0;
        return true;
    }

    struct TMapping {
        std::string Path;
        TMappedCut Cut;
        bool CutDone = false;
    };

    std::mutex Mutex;
    std::map<files::TFileId, TOpen> Open;
    std::map<const uint8_t*, TMapping> Mappings; // by where they begin
    files::TFileId NextId = 1000;
};
