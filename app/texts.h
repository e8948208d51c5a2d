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

// ---------------------------------------------------------------------------------------
// Questions of the engine (caption kCaptionConfirmation)
// ---------------------------------------------------------------------------------------
inline constexpr char kAskAbort[] = "You are really want abort?";
inline constexpr char kAskOverwrite[] = "The checksum file \"%s\" already exists.Overwrite?";
inline constexpr char kAskOverwriteForeign[] =
    "The file \"%s\", probably, is not a checksum file. Overwrite?";
inline constexpr char kAskContinueForeign[] =
    "The file \"%s\", probably, is not a checksum file. Continue?";

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
inline constexpr char kAskSHA256NameHasOther[] =
    "You have selected the SHA-256 file format, but the checksum file name include the \"%s\" "
    "substring. Continue?";
inline constexpr char kRefuseInvalidName[] =
    "Invalid checksum file name.\r"
    "It's must be ordinary file name for creating common checksum file for all files in a "
    "folder,\r"
    "or the \"*.ext\" format for creating separate checksum file for each file.\r"
    "For example, \"md5sum.lst\" in first case, and \"*.sfv\" or \"*.md5\" in second case.";
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
// The count before an Update found no file at all: nothing is written or deleted.
inline constexpr char kLogNothingToUpdate[] =
    "No file matches \"%s%s\". No checksum file written or deleted...";
inline constexpr char kLogStatistics[] =
    "Processed %.0n %sbytes in %d files for %.3fs, with average rate %.0n %sbytes/s";
inline constexpr char kLogTotals[] = "Total hints: %d, warnings: %d, failures: %d, errors: %d";
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
// Command line: the usage text. Written with "/" before the options; UsageText
// (app/cmdline.h) spells them with "-" for the console.
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
    " /m <mask> - set the filter for files",
    " /n <name> - set checksum files name",
    " /f{0|1|2} - set the output checksum files format",
    "             (0 - md5sum, 1 - SFV, 2 - SHA-256)",
    " /p{0|1|2|3|4} - set checksum files place mode",
    " /l{0|1}   - set log detail level",
    " /h{0|1|2} - set the checksum files header mode",
};

// ---------------------------------------------------------------------------------------
// Console program tlvn
// ---------------------------------------------------------------------------------------
inline constexpr const char* kConsoleHelpLines[] = {
    "",
    "CONSOLE:",
    " -i{0|1}   - log every good file (the -l above is not accepted)",
    " -h3       - write no header line",
    " -j <n>    - read and hash files with n workers (default: one per processor;",
    "             -j 1 reads one file at a time, for disks that seek)",
    " -?, --help - show this text",
    " Without a terminal every question is answered \"no\".",
    " Ctrl-C aborts the run; a second Ctrl-C ends the program at once.",
    "",
    "EXIT CODES:",
    " 0 - no warnings, failures or errors",
    " 1 - warnings or failures",
    " 2 - errors, a refused run, or a bad command line",
    " 3 - aborted by the user",
};
inline constexpr char kConsoleVersion[] = "tlvn (Tolvane) %s";
inline constexpr char kConsoleBadArgument[] = "Bad command-line argument: %s";
inline constexpr char kConsoleNoCommand[] = "Nothing to do: give -u to update or -v to verify.";
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
    "Files read and hashed at a time (1 for a disk that seeks):";
inline constexpr char kOptionsDetailedLog[] = "&Detailed log: show the calculated checksum values";
inline constexpr char kOptionsToolTips[] = "Show tooltips with help";
inline constexpr char kOptionsRemind[] = "Remind to check for updates.";
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
inline constexpr const char* kFormatNames[] = {"md5sum", "SFV", "SHA-256"};
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
    "Check this box if you want silently overwrite existing checksum  files";
inline constexpr char kTipFormat[] =
    "The format of the checksum files that Update writes: md5sum (MD5), SFV (CRC32) or "
    "sha256sum (SHA-256). This option affect only updating mode. During verification the format "
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

} // namespace texts
