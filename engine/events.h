// The engine's event slots, in slot order: each is a std::function member of
// TCheckSumEngine with the name and signature given here. Binding, unbinding and the test
// recorder are derived from this one list: TLVN_ENGINE_EVENTS(EVENT) calls
// EVENT(name, signature) once per slot. Required events are asserted bound when raised;
// OnProgress, OnProcessing, OnChecksumOk and OnEntryDropped are optional.
#pragma once

#include <cstdint>
#include <string>

// Answer of the confirmation events: 1 yes, 2 no, anything else cancel.
using TConfirmAnswer = int;
constexpr TConfirmAnswer caCancel = 0;
constexpr TConfirmAnswer caYes = 1;
constexpr TConfirmAnswer caNo = 2;

// Why a quick update does not take digests from an old list.
enum TOldListDoubt : int32_t {
    odUnreadable = 0,  // it could not be opened or read
    odOtherKind = 1,   // it holds lines that are no entries of the kind being written
    odNewerThanRun = 2 // written after the run started: the clock was wrong
};

// Paths are full paths; a folder text is a folder path, or a folder path and FileMask.
#define TLVN_ENGINE_EVENTS(EVENT)                                                                  \
    /* Bytes hashed so far in this run, after every block read. */                                 \
    EVENT(OnProgress, void(uint64_t bytes))                                                        \
    /* A file's digest starts, or the walk enters a folder (its path and FileMask). */             \
    EVENT(OnProcessing, void(const std::string& path))                                             \
    /* SetAborted(true) while not aborted; true aborts. */                                         \
    EVENT(OnConfirmAbort, bool())                                                                  \
    /* An existing list is about to be replaced and OverwriteMode is omAsk. */                     \
    EVENT(OnConfirmOverwrite, TConfirmAnswer(const std::string& path))                             \
    /* The list about to be replaced holds lines of another kind or no checksum lines. */          \
    EVENT(OnConfirmOverwriteForeign, TConfirmAnswer(const std::string& path))                      \
    /* Verify meets an invalid line in a list. */                                                  \
    EVENT(OnConfirmContinueForeign, TConfirmAnswer(const std::string& path))                       \
    EVENT(OnFileOpenError, void(const std::string& path, uint32_t error))                          \
    /* A folder's existing list is kept, so the folder is not hashed. */                           \
    EVENT(OnChecksumFileSkipped, void(const std::string& path))                                    \
    /* The user answered No at an invalid line (1-based); the rest of the list is skipped. */      \
    EVENT(OnInvalidLine, void(const std::string& path, int32_t line))                              \
    EVENT(OnFileMissing, void(const std::string& path))                                            \
    /* The digest differs and the file was written after the list. */                              \
    EVENT(OnFileUpdated, void(const std::string& path))                                            \
    /* The digest differs and the file was not written after the list. */                          \
    EVENT(OnChecksumMismatch, void(const std::string& path))                                       \
    EVENT(OnFileNotListed, void(const std::string& path))                                          \
    /* Verify with MovedFiles: the missing entry's digest is that of the one unlisted file to. */  \
    EVENT(OnFileMoved, void(const std::string& from, const std::string& to))                       \
    /* Verify with MovedFiles: missing entries and unlisted files of the scope (the list, or */    \
    /* the folder of several) share a digest, so they are reported as missing and not listed. */   \
    EVENT(OnMovesNotPaired, void(const std::string& scope))                                        \
    /* Nothing to list: the old list was deleted. */                                               \
    EVENT(OnOldChecksumFileDeleted, void(const std::string& folder))                               \
    /* Nothing to list and no list to delete. */                                                   \
    EVENT(OnEmptyFolderSkipped, void(const std::string& folder))                                   \
    /* Verify: a folder with matching files and no list. */                                        \
    EVENT(OnNoChecksumFile, void(const std::string& folder))                                       \
    /* bytesRead: of the file, before the failing read. */                                         \
    EVENT(OnFileReadError, void(const std::string& path, uint32_t error, uint64_t bytesRead))      \
    EVENT(OnFileListError, void(const std::string& folder, uint32_t error))                        \
    EVENT(OnFolderListError, void(const std::string& folder, uint32_t error))                      \
    EVENT(OnLoadError, void(const std::string& path, const std::string& message))                  \
    EVENT(OnSaveError, void(const std::string& path, const std::string& message))                  \
    /* A digest completed (Update) or matched (Verify): the kind's name and the digest. */         \
    EVENT(OnChecksumOk,                                                                            \
          void(const std::string& path, const std::string& kindName, const std::string& checksum)) \
    /* An error in a list's scope: the old list stays as it was, or it keeps the old lines */      \
    /* of the files this run could not reach. */                                                   \
    EVENT(OnOldChecksumFileKept, void(const std::string& path))                                    \
    EVENT(OnOldLinesCarried, void(const std::string& path, int32_t lines))                         \
    /* Quick update: the old list at path gives no digest, for reason (TOldListDoubt). */          \
    EVENT(OnOldListNotTrusted, void(const std::string& path, int32_t reason))                      \
    /* Quick update: the list at path no longer holds count entries of files not found. */         \
    EVENT(OnEntriesDropped, void(const std::string& path, int32_t count))                          \
    /* Quick update, optional: the file at path, one of those entries. */                          \
    EVENT(OnEntryDropped, void(const std::string& path))                                           \
    /* Verify: an entry whose path leads outside FolderPath; it is not opened. */                  \
    EVENT(OnEntryOutsideTree, void(const std::string& path))                                       \
    /* A file link whose target lies outside FolderPath: neither read nor listed. */               \
    EVENT(OnLinkOutsideTree, void(const std::string& path))                                        \
    /* A file was written while it was read: no digest, as for a file that cannot be read. */      \
    EVENT(OnFileChanged, void(const std::string& path))                                            \
    /* The list replaced had other hard links; they keep the old list. */                          \
    EVENT(OnOtherNamesKept, void(const std::string& path))
