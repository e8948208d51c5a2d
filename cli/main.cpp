// tlvn: the console program. Creates (-u) or verifies (-v) checksum files for a folder
// tree with the same engine, log lines and checks as the Windows program.
#include <cerrno>
#include <cstdio>
#include <exception>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/console_app.h"
#include "cli/console_frontend.h"
#include "cli/interrupt.h"
#include "platform/files.h"
#include "app/format.h"
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
                     FormatText(texts::kConsoleBadArgument, {commandLine.BadArgument}).c_str(),
                     ConsoleHelpText().c_str());
        return kExitErrors;
    }
    if (!commandLine.StartUpdate && !commandLine.StartVerify) {
        std::fprintf(stderr, "%s\n\n%s", texts::kConsoleNoCommand, ConsoleHelpText().c_str());
        return kExitErrors;
    }

    files::TFileSystem& fs = files::NativeFileSystem();
    TConsoleStreams streams;
    streams.ShowProgress = ::isatty(STDERR_FILENO) == 1;
    streams.AskOnTerminal = ::isatty(STDIN_FILENO) == 1 && streams.ShowProgress;
    TConsoleFrontEnd frontEnd(streams, fs, EnvironmentDateNames());
    TCheckSumEngine engine;
    TRunController controller(engine, frontEnd, EnvironmentNumberFormat());
    frontEnd.Attach(&controller);
    InstallInterruptHandler();

    const TRunCommand command = commandLine.StartUpdate ? TRunCommand::Update : TRunCommand::Verify;
    const TRunOutcome outcome =
        controller.Run(command, SettingsFromCommandLine(commandLine, CurrentFolder()));
    int exitCode = RunExitCode(outcome, frontEnd.AllTotals());

    if (commandLine.AutoExit) {
        std::vector<std::string> lines;
        for (const TLogLine& line : frontEnd.Lines())
            lines.push_back(line.Text);
        std::string message;
        if (!SaveLogFile(fs, commandLine.LogFileName, lines, message)) {
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
