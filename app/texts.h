// Every user-visible text of the program, in one table. Texts in quotes are the program's
// own words and are kept exactly as they are, odd spelling included: scripts and users
// compare them. Placeholders are filled by FormatText (app/format.h): %s, %d, %.Nn (number
// with the locale's separators), %.Nf and the numbered %N:s.
//
// Organised by section; each front end appends its own texts in its own section.
#pragma once

#include "version.h"

namespace texts {

// ---------------------------------------------------------------------------------------
// Message-box captions
// ---------------------------------------------------------------------------------------
inline constexpr char kCaptionConfirmation[] = "Confirmation";
inline constexpr char kCaptionError[] = "Error";

// ---------------------------------------------------------------------------------------
// Processing log: the prefixes of the log kinds
// ---------------------------------------------------------------------------------------
inline constexpr char kPrefixInfo[] = "INFO: ";
inline constexpr char kPrefixHint[] = "HINT: ";
inline constexpr char kPrefixWarn[] = "WARN: ";
inline constexpr char kPrefixFail[] = "FAIL: ";
inline constexpr char kPrefixError[] = "ERROR: ";
inline constexpr char kPrefixStart[] = "START: ";
inline constexpr char kPrefixStop[] = "STOP: ";
inline constexpr char kPrefixStat[] = "STAT: ";

// ---------------------------------------------------------------------------------------
// Processing log: the lines of the engine's findings
// ---------------------------------------------------------------------------------------
inline constexpr char kLogFileOpenError[] = "Cannot open file \"%s\", Error %d: \"%s\"";
inline constexpr char kLogChecksumFileSkipped[] = "The file \"%s\" already exist. Skipped...";
inline constexpr char kLogInvalidLine[] =
    "The file \"%s\" has invalid format (line %d). Skipped...";
inline constexpr char kLogFileMissing[] = "The file \"%s\" is missing";
inline constexpr char kLogFileUpdated[] = "The file \"%s\" has been updated";
inline constexpr char kLogChecksumMismatch[] = "The file \"%s\" has different checksum value";
inline constexpr char kLogFileNotListed[] = "The file \"%s\" not listed in checksum file";
// Moved files: a missing entry whose digest only one unlisted file has, and the scope (a list
// or a folder) where digests are shared, so that nothing is paired by guess.
inline constexpr char kLogFileMoved[] = "The file \"%s\" has been moved or renamed to \"%s\"";
inline constexpr char kLogMovesNotPaired[] =
    "Several missing or not listed files of \"%s\" share a checksum value. Not paired as "
    "moved...";
inline constexpr char kLogOldChecksumFileDeleted[] =
    "The folder \"%s\" is empty. Old checksum file deleted...";
inline constexpr char kLogEmptyFolderSkipped[] = "The folder \"%s\" is empty. Skipped...";
inline constexpr char kLogNoChecksumFile[] = "The folder \"%s\" has no checksum file";
inline constexpr char kLogFileReadError[] = "Cannot read file \"%s\" at %d, Error %d: \"%s\"";
inline constexpr char kLogFolderListError[] =
    "Cannot read content of folder \"%s\", Error %d: \"%s\"";
inline constexpr char kLogLoadError[] = "Error loading file \"%s\": %s";
inline constexpr char kLogSaveError[] = "Error writing file \"%s\": %s";
inline constexpr char kLogChecksumOk[] = "%1:s(%0:s) = %2:s - Ok";
// An unexpected failure that ended a run (out of memory and the like).
inline constexpr char kLogRunFailed[] = "The run has been stopped by an unexpected failure: %s";
// An error in a list's scope: the old list stays, whole or with the old lines of the
// files that could not be read.
inline constexpr char kLogOldChecksumFileKept[] =
    "The file \"%s\" is kept as it was: some of its files could not be read";
// A list entry that leads outside the folder being verified is not opened.
inline constexpr char kLogEntryOutsideTree[] =
    "The file \"%s\" lies outside the folder being verified. Skipped...";
inline constexpr char kLogOldLinesCarried[] =
    "The file \"%s\" keeps %d old lines of files that could not be read";
// Quick update: an old list that gives no digest, by TOldListDoubt; its files are hashed.
inline constexpr const char* kLogOldListNotTrusted[] = {
    "The old checksum file \"%s\" cannot be read. All its files are hashed...",
    "The old checksum file \"%s\" holds lines of another kind. All its files are hashed...",
    "The old checksum file \"%s\" is newer than this run (is the clock wrong?). All its files "
    "are hashed...",
};
inline constexpr char kLogEntriesDropped[] =
    "The checksum file \"%s\" no longer lists %d files that were not found";
inline constexpr char kLogEntryDropped[] = "The file \"%s\" was not found. Its entry dropped...";
// A file link whose target lies outside the folder tree is neither read nor listed.
inline constexpr char kLogLinkOutsideTree[] =
    "The file \"%s\" is a link to a file outside the folder tree. Skipped...";
// A file written while it was read gets no digest.
inline constexpr char kLogFileChanged[] = "The file \"%s\" changed while reading";
// A replaced list had other hard links (another snapshot's list, say): they keep the old one.
inline constexpr char kLogOtherNamesKept[] =
    "The file \"%s\" had other hard links: they keep the old checksum file";

// ---------------------------------------------------------------------------------------
// Questions of the engine (caption kCaptionConfirmation)
// ---------------------------------------------------------------------------------------
inline constexpr char kAskAbort[] = "You are really want abort?";
inline constexpr char kAskOverwrite[] = "The checksum file \"%s\" already exists.Overwrite?";
inline constexpr char kAskOverwriteForeign[] =
    "The file \"%s\", probably, is not a checksum file. Overwrite?";
inline constexpr char kAskContinueForeign[] =
    "The file \"%s\", probably, is not a checksum file. Continue?";
// A question of an unattended run (/q), answered without asking.
inline constexpr char kLogUnattendedNo[] = "%s No (unattended run)";

// ---------------------------------------------------------------------------------------
// Run controller: questions and refusals before a run. Lines of one message are joined
// by a bare carriage return.
// ---------------------------------------------------------------------------------------
inline constexpr char kAskMD5NameHasSFV[] =
    "You have selected the MD5 file format, but the checksum file name include the \"SFV\" "
    "substring. Continue?";
inline constexpr char kAskSFVNameHasMD5[] =
    "You have selected the SFV file format, but the checksum file name include the \"MD5\" "
    "substring. Continue?";
// The format's name in the window, then the other format's tag.
inline constexpr char kAskFormatNameHasOther[] =
    "You have selected the %s file format, but the checksum file name include the \"%s\" "
    "substring. Continue?";
inline constexpr char kRefuseInvalidName[] =
    "Invalid checksum file name.\r"
    "It's must be ordinary file name for creating common checksum file for all files in a "
    "folder,\r"
    "or the \"*.ext\" format for creating separate checksum file for each file.\r"
    "For example, \"md5sum.lst\" in first case, and \"*.sfv\" or \"*.md5\" in second case.";
inline constexpr char kRefuseInvalidMask[] =
    "Invalid filter \"%s\".\r"
    "The filter is a mask of file names, such as \"*.*\" or \"*.jpg\", without a folder part.";
inline constexpr char kRefuseSliceUpdate[] =
    "A slice applies to Verify only: an Update writes every checksum file whole.";
inline constexpr char kRefuseNoFolder[] = "The \"Folder\" field is empty.\r"
                                          "Please enter the folder with files for processing.";
inline constexpr char kAskDisableRecursion[] =
    "You have enabled recursive processing of subfolders, but also have specified mode with one "
    "checksum file for entire folders tree.\r"
    "Such combination may give out many false warnings that the file is not listed in a "
    "checksum file.\r"
    "Does you want to disable the recursive processing of subfolders?";

// ---------------------------------------------------------------------------------------
// Run controller: the frame of a run in the log, the caption while running
// ---------------------------------------------------------------------------------------
inline constexpr char kLogCalculating[] = "Calculating summary data size...";
inline constexpr char kLogCounted[] = "%.0n%sbytes in %d files to processing....";
inline constexpr char kOperationUpdate[] = "Updating";
inline constexpr char kOperationVerify[] = "Verifying";
inline constexpr char kLogStart[] = "%s %s folder \"%s%s\", with checksum files name \"%s\"";
inline constexpr char kLogStopAborted[] = "%s %s has been aborted by user!";
inline constexpr char kLogStopCompleted[] = "%s %s is completed.";
inline constexpr char kLogStopFailed[] = "%s %s has been stopped by an error!";
inline constexpr char kLogNoFilesProcessed[] = "No files processed!";
// Appended to the count line and the statistics of a Verify of one slice.
inline constexpr char kLogSlice[] = " (slice %d of %d)";
// Appended to the count line when the run's disk seeks and no worker count was set.
inline constexpr char kLogRotationalDisk[] = " (1 worker: rotational disk)";
// The count before an Update found no file at all: nothing is written or deleted.
inline constexpr char kLogNothingToUpdate[] =
    "No file matches \"%s%s\". No checksum file written or deleted...";
inline constexpr char kLogStatistics[] =
    "Processed %.0n %sbytes in %d files for %.3fs, with average rate %.0n %sbytes/s";
inline constexpr char kLogTotals[] = "Total hints: %d, warnings: %d, failures: %d, errors: %d";
inline constexpr char kLogQuickStatistics[] =
    "Quick update: %d files hashed, %d files kept their recorded checksums";
inline constexpr char kProgressCaption[] = "%.1n%s";
inline constexpr char kProgressProcessed[] = "% processed";
inline constexpr char kProgressTimeLeft[] = ", %s left";
inline constexpr char kTimeDays[] = "day(s) ";
inline constexpr char kTimeHours[] = "h ";
inline constexpr char kTimeMinutes[] = "m ";
inline constexpr char kTimeSeconds[] = "s";
inline constexpr char kAbortButton[] = "Abort!";
// Writing the saved log failed.
inline constexpr char kCannotCreateFile[] = "Cannot create file %s";

// ---------------------------------------------------------------------------------------
// Command line: the usage text, every option the parser takes. Written with "/" before the
// options; UsageText (app/cmdline.h) spells them with "-" for the console.
// ---------------------------------------------------------------------------------------
inline constexpr char kUsageCaption[] = "Command line parameters";
inline constexpr char kUsageOk[] = "OK";
inline constexpr const char* kUsageLines[] = {
    "USAGE:",
    " tlvn [<command>] [<options>]",
    "",
    "COMMANDS:",
    " /u - update the checksum files for <path>",
    " /v - verify the checksum files for <path>",
    "",
    "OPTIONS:",
    " <path>    - set the value of \"Folder\" field",
    " /a <file> - autoexit after processing and",
    "             save processing log in <file>",
    " /s[+|-]   - enable/disable processing the subfolders",
    " /o[+|-|?] - enable/disabe/prompt for overwriting",
    "             the existing checksum files",
    " /d[+|-]   - enable/disable quick update: hash only",
    "             the files new or changed since their list",
    " /t[+|-]   - enable/disable moved files: Verify tells a",
    "             missing file found under another name",
    " /m <mask> - set the filter for files",
    " /n <name> - set checksum files name",
    " /f{0|1|2|3|4} - set the output checksum files format",
    "             (0 md5sum, 1 SFV, 2 SHA-256, 3 BLAKE3, 4 XXH128)",
    " /p{0|1|2|3|4} - set checksum files place mode",
    " /i{0|1}   - set log detail level",
    " /h{0|1|2|3} - set the checksum files header mode",
    "             (3 - no header line, as 0)",
    " /j <n>    - read and hash files with n workers",
    "             (default: by the disk, one on a rotational",
    "             disk, else one per processor)",
    " /r <file> - write a JSON report of every run to <file>",
    " /k K/N    - verify only slice K of N: N runs, one per",
    "             slice, check every entry once",
    " /q        - unattended (a scheduled task): no message box;",
    "             every question is answered no and logged,",
    "             a refused run is an error (exit code 2)",
    " /?        - show this text",
};
// A bad command line: the argument in error, above the usage text.
inline constexpr char kBadArgument[] = "Bad command-line argument: %s";

// ---------------------------------------------------------------------------------------
// Console program tlvn
// ---------------------------------------------------------------------------------------
inline constexpr const char* kConsoleHelpLines[] = {
    "",
    "CONSOLE:",
    " --quick   - the same as -d: quick update",
    " --moved   - the same as -t: tell moved and renamed files",
    " --report <file> - the same as -r <file>; - writes the report",
    "             to standard output, and the log to standard error",
    " --slice K/N - the same as -k K/N",
    " --help    - show this text",
    " Without a terminal every question is answered \"no\".",
    " Ctrl-C aborts the run; a second Ctrl-C ends the program at once.",
    "",
    "EXIT CODES:",
    " 0 - no warnings, failures or errors",
    " 1 - edits only: warnings (files updated, not listed, moved)",
    " 2 - errors, a refused run, or a bad command line",
    " 3 - aborted by the user",
    " 4 - damage: failures (a file changed under the same date, or missing)",
    " The highest concern wins: 3, then 2, then 4, then 1.",
};
inline constexpr char kConsoleVersion[] = "tlvn (Tolvane) %s";
inline constexpr char kConsoleReportNotWritten[] = "Cannot write the report to standard output: %s";
// A command line without /u or /v where one is needed: the console's, and the window's /q.
inline constexpr char kNoCommand[] = "Nothing to do: give %su to update or %sv to verify.";
inline constexpr char kConsoleAskYesNo[] = " [y/n] ";
inline constexpr char kConsoleAskYesNoCancel[] = " [y/n/c] ";
// A question met without a terminal is answered "no", and says so.
inline constexpr char kConsoleNoTerminal[] = "no, no terminal";

// ---------------------------------------------------------------------------------------
// Web links, Options dialog, update reminder, About dialog and online help. The host (of
// the home page, project(HOMEPAGE_URL)) and the address are on a reserved documentation
// domain until the real ones exist.
// ---------------------------------------------------------------------------------------
inline constexpr char kWebHost[] = TLVN_WEB_HOST;
// Short enough for the About panel's link label (93 dialog units of Arial 10).
inline constexpr char kMailAddress[] = "tlvn@example.org";

inline constexpr char kOptionsCaption[] = "Options";
inline constexpr char kOptionsWorkers[] =
    "Files read and hashed at a time (0: by the disk):";
inline constexpr char kOptionsDetailedLog[] = "&Detailed log: show the calculated checksum values";
inline constexpr char kOptionsToolTips[] = "Show tooltips with help";
inline constexpr char kOptionsRemind[] = "Remind to check for updates.";
inline constexpr char kOptionsQuick[] = "&Quick update: hash only new or changed files";
inline constexpr char kOptionsMoved[] = "&Moved files: tell a file found under another name";
inline constexpr char kOptionsHeaders[] = "Checksum files headers";
inline constexpr char kOptionsHeaderNone[] = "No add any headers";
inline constexpr char kOptionsHeaderStandard[] = "Add standard TLVN headers";
inline constexpr char kOptionsHeaderWinSfv[] = "Add Win-SFV compatible headers";
inline constexpr char kOptionsOk[] = "OK";
inline constexpr char kOptionsCancel[] = "Cancel";

inline constexpr char kReminderCaption[] = "Reminder";
inline constexpr char kReminderText[] =
    "Last checking for updates was more than month ago. \nWant to check up now?";
inline constexpr char kReminderDontRemind[] = "Don't remind me again!";
inline constexpr char kReminderYes[] = "&Yes";
inline constexpr char kReminderNo[] = "&No";

inline constexpr char kAboutCaption[] = "About";
inline constexpr char kAboutFirstLine[] = "(c) 2026 The Tolvane developers";
inline constexpr char kAboutVersionWord[] = "version";
inline constexpr char kAboutBuildWord[] = "build";
inline constexpr char kAboutOk[] = "OK";

inline constexpr char kHelpNotSupported[] =
    "Your system not support the HTML Help system. You need download and install HTML Help "
    "support patch from Microsoft web-site.";
inline constexpr char kHelpFileNotFound[] = "Help file (%s) not found.";

// ---------------------------------------------------------------------------------------
// Main window: title, labels, captions, menus, tooltips, the name and folder dialogs.
// Tips of several lines are joined by a bare carriage return.
// ---------------------------------------------------------------------------------------
inline constexpr char kProgramTitle[] = "Tolvane";
inline constexpr char kLabelFolder[] = "&Folder";
inline constexpr char kLabelFilter[] = "Fi&lter";
inline constexpr char kLabelChecksumFile[] = "&Checksum file";
inline constexpr char kLabelFormat[] = "Fo&rmat";
// The entries of the format choice, in the order of /f.
inline constexpr const char* kFormatNames[] = {"md5sum", "SFV", "SHA-256", "BLAKE3", "XXH128"};
// The captions of the controls 1010 to 1020, in id order.
inline constexpr const char* kMainCaptions[] = {
    "&Include subfolders",
    "&Overwrite existing checksum files",
    nullptr, // the format choice: its label is kLabelFormat, its entries kFormatNames
    "Create checksum files...",
    "...one for entire folders tree in any place",
    "...one for entire folders tree in tree root",
    "...one per folder with fixed name",
    "...one per folder with folder name",
    "...for each file",
    "&Update",
    "&Verify",
};
inline constexpr char kMenuOptions[] = "&Options...";
inline constexpr char kMenuUpdates[] = "&Updates...";
inline constexpr char kMenuAbout[] = "&About...";
inline constexpr char kMenuLogCut[] = "Cu&t";
inline constexpr char kMenuLogCopy[] = "&Copy";
inline constexpr char kMenuLogDelete[] = "&Delete";
inline constexpr char kMenuLogSelectAll[] = "Select &all";
inline constexpr char kTipRunning[] = "Click the button for abort the proccesing.";
inline constexpr char kTipFolder[] = "Full path to folder with files for processing";
inline constexpr char kTipBrowse[] = "Press here for select folder from dialog";
inline constexpr char kTipFilter[] = "Filter mask for select the files for processing";
inline constexpr char kTipChecksumName[] =
    "The name for file in which are saved the checksums of files in  folder. You can use "
    "\"*.EXT\" style to create separate checksum file for each file.\r"
    "For example, if this field will contain \"*.md5\", then for each file with name "
    "\"filename.ext\" will be created the checksum file with name \"filename.ext.md5\".\r"
    "In the verification mode the value of this field will be used as the mask for select the "
    "checksums files.";
inline constexpr char kTipEditName[] = "Press here to change name of checksum files";
inline constexpr char kTipSubfolders[] =
    "Check this box if you want processing also subfolders of the specified folder";
inline constexpr char kTipOverwrite[] =
    "Check this box if you want silently overwrite existing checksum  files\r"
    "Checked: an existing checksum file is replaced without asking.\r"
    "Clear: an existing checksum file is kept, and its files are not hashed.\r"
    "Grey (the third click): Update asks for each existing checksum file.";
inline constexpr char kTipFormat[] =
    "The format of the checksum files that Update writes: md5sum (MD5), SFV (CRC32), "
    "sha256sum (SHA-256), b3sum (BLAKE3) or xxhsum -H2 (XXH128). This option affect only updating "
    "mode. During "
    "verification the format "
    "of every line will be determined automatically, SHA-1 and SHA-512 lines included.";
inline constexpr char kTipPlacementGroup[] = "Where and how create the checksum files";
inline constexpr char kTipPlacementAnyPlace[] =
    "Create one checksum file for all files in entire folders tree and save it in any place "
    "specified by user.";
inline constexpr char kTipPlacementTreeRoot[] =
    "Create one checksum file for all files in entire folders tree and save it in this folders "
    "tree root folder.";
inline constexpr char kTipPlacementFixedName[] =
    "Create one checksum file in each folder and save it in this folder under fixed name, "
    "specified by user";
inline constexpr char kTipPlacementFolderName[] =
    "Create one checksum file in each folder and save it in this folder under name, generated "
    "from folder name and additional extension, specified by user";
inline constexpr char kTipPlacementPerFile[] =
    "Create separate checksum file for each file and save it in this folder under name, "
    "generated from file name and additional extension, specified by user";
inline constexpr char kTipUpdate[] =
    "Start updating checksum files.\r"
    "For each file inside a folder the checksum will be calculated. Checksums of all files in "
    "each folder are kept in a file with the specified name inside this folder.";
inline constexpr char kTipVerify[] =
    "Start verifying checksum files.\r"
    "For each file inside a folder the checksum will be calculated and compared with value "
    "stored in checksums file in this folder. If distinction will be found, this will be "
    "logged";
inline constexpr char kTipHelp[] = "Online help system";
inline constexpr char kTipAbout[] = "About Tolvane: version, home page and mail address";
inline constexpr char kTipLog[] =
    "The log of work. Right click the mouse button to call the local popup menu.";
inline constexpr char kSelectChecksumFile[] = "Select checksum file";
inline constexpr char kAllFilesFilter[] = "All files (*.*)|*.*";
inline constexpr char kSelectFolder[] = "Select folder to processing";

// ---------------------------------------------------------------------------------------
// Explorer's menus and the runs handed over by later programs (Windows program)
// ---------------------------------------------------------------------------------------
inline constexpr char kOptionsExplorerMenu[] = "Explorer menu";
inline constexpr char kExplorerMenuUpdate[] = "Update checksums with Tolvane";
inline constexpr char kExplorerMenuVerify[] = "Verify checksums with Tolvane";
inline constexpr char kExplorerMenuVerifyList[] = "Verify with Tolvane";
inline constexpr char kExplorerMenuWriteFailed[] =
    "The Explorer menu cannot be written.\rRegistry key \"%s\", Error %d: \"%s\"";
inline constexpr char kExplorerMenuRemoveFailed[] =
    "The Explorer menu cannot be removed.\rRegistry key \"%s\", Error %d: \"%s\"";
inline constexpr char kRunsWaiting[] = "Runs waiting: %d";

// ---------------------------------------------------------------------------------------
// Main window in daily use: the result line, drag and drop, the log's "Save as...", the
// unattended option /q
// ---------------------------------------------------------------------------------------
// The result of a run in the status bar.
inline constexpr char kResultUpdate[] = "Update";
inline constexpr char kResultVerify[] = "Verify";
inline constexpr char kResultClean[] = "%s completed: clean, no warnings, failures or errors";
inline constexpr char kResultFindings[] = "%s completed: %d warnings, %d failures, %d errors";
inline constexpr char kResultAborted[] = "%s aborted: %d warnings, %d failures, %d errors";
inline constexpr char kResultFailed[] =
    "%s stopped by an error: %d warnings, %d failures, %d errors";
// Folders and lists dropped on the window.
inline constexpr char kLogDropFirstOnly[] = "%d items were dropped: only \"%s\" is taken";
inline constexpr char kRefuseDropKind[] = "The dropped item \"%s\" is neither a folder nor a file.";
inline constexpr char kRefuseDropLength[] =
    "The dropped path is longer than the %d characters the program takes:\r%s";
// The log's "Save as...".
inline constexpr char kMenuLogSaveAs[] = "&Save as...";
inline constexpr char kSaveLogTitle[] = "Save log as";
inline constexpr char kLogFilesFilter[] = "Log files (*.log)|*.log|All files (*.*)|*.*";
inline constexpr char kSaveLogName[] = "tlvn.log";

} // namespace texts
