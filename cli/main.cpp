// tlvn: the console program. Creates (-u) or verifies (-v) checksum files for a folder
// tree with the same engine, log lines and checks as the Windows program.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/console_app.h"
#include "cli/console_frontend.h"
#include "cli/interrupt.h"
#include "platform/files.h"
#include "app/format.h"
#include "app/report.h"
#include "app/texts.h"

namespace {

std::string CurrentFolder() {
    std::vector<char> buffer(4096);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return ".";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// Writes the report to its file, or to standard output for "-"; false with the reason.
bool WriteReport(files::TFileSystem& fs, const std::string& name, const std::string& json,
                 std::string& message) {
    if (name != "-") {
        files::TSaveText content(json);
        return SaveLogFile(fs, name, content, message);
    }
    errno = 0;
    if (std::fwrite(json.data(), 1, json.size(), stdout) == json.size() && std::fflush(stdout) == 0)
        return true;
    message = FormatText(texts::kConsoleReportNotWritten,
                         {files::TrimSystemMessage(std::strerror(errno))});
    return false;
}

int RunConsole(const std::vector<std::string>& args) {
    for (const std::string& arg : args)
        if (arg == "--help") {
            std::fputs(ConsoleHelpText().c_str(), stdout);
            return kExitClean;
        }
    const TCommandLine commandLine = ParseCommandLine(args, false);
    if (commandLine.ShowUsage && commandLine.BadArgument.empty()) {
        std::fputs(ConsoleHelpText().c_str(), stdout);
        return kExitClean;
    }
    if (commandLine.ShowUsage) {
        std::fprintf(stderr, "%s%s\n\n%s", texts::kPrefixError,
                     FormatText(texts::kBadArgument, {commandLine.BadArgument}).c_str(),
                     ConsoleHelpText().c_str());
        return kExitErrors;
    }
    if (!commandLine.StartUpdate && !commandLine.StartVerify) {
        std::fprintf(stderr, "%s\n\n%s", FormatText(texts::kNoCommand, {"-", "-"}).c_str(),
                     ConsoleHelpText().c_str());
        return kExitErrors;
    }

    files::TFileSystem& fs = files::NativeFileSystem();
    TConsoleStreams streams;
    streams.ShowProgress = ::isatty(STDERR_FILENO) == 1;
    streams.AskOnTerminal = ::isatty(STDIN_FILENO) == 1 && streams.ShowProgress;
    // The report on standard output is the document alone: the log goes to standard error.
    if (commandLine.ReportFileName == std::string("-"))
        streams.Out = stderr;
    TConsoleFrontEnd frontEnd(streams, fs, EnvironmentDateNames());
    TCheckSumEngine engine;
    TRunController controller(engine, frontEnd, EnvironmentNumberFormat());
    frontEnd.Attach(&controller);
    std::unique_ptr<TLogSpool> spool;
    if (commandLine.AutoExit) {
        spool = std::make_unique<TLogSpool>(commandLine.LogFileName);
        frontEnd.KeepLog(spool.get());
    }
    InstallInterruptHandler();

    const TRunCommand command = commandLine.StartUpdate ? TRunCommand::Update : TRunCommand::Verify;
    const TRunOutcome outcome =
        controller.Run(command, SettingsFromCommandLine(commandLine, CurrentFolder()));
    int exitCode = RunExitCode(outcome, frontEnd.AllTotals());

    if (commandLine.ReportFileName) {
        TRunReport report = controller.Report();
        report.ExitCode = exitCode;
        std::string message;
        if (!WriteReport(fs, *commandLine.ReportFileName, ReportJson(report), message)) {
            frontEnd.ReportError(message);
            if (exitCode != kExitAborted)
                exitCode = kExitErrors;
        }
    }

    if (spool) {
        std::string message;
        if (!SaveLogFile(fs, commandLine.LogFileName, *spool, message)) {
            frontEnd.ReportError(message);
            if (exitCode != kExitAborted)
                exitCode = kExitErrors;
        }
    }
    return exitCode;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return RunConsole(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s%s\n", texts::kPrefixError, e.what());
    }
    return kExitErrors;
}
