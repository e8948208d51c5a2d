#include "tests/cli/run_tlvn.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

[[noreturn]] void ExecTlvn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    static char name[] = "tlvn";
    argv.push_back(name);
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(TLVN_BINARY, argv.data());
    ::_exit(127);
}

int ExitCodeOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

std::vector<std::string> TTlvnResult::OutLines() const {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at = Out.find('\n'); at != std::string::npos; at = Out.find('\n', start)) {
        lines.push_back(Out.substr(start, at - start));
        start = at + 1;
    }
    if (start < Out.size())
        lines.push_back(Out.substr(start));
    return lines;
}

TTlvnResult RunTlvn(const std::vector<std::string>& args,
                    const std::function<void(int pid, const std::string& out)>& whileRunning) {
    char outName[] = "/tmp/tlvn-out-XXXXXX";
    char errName[] = "/tmp/tlvn-err-XXXXXX";
    const int outFd = ::mkstemp(outName);
    const int errFd = ::mkstemp(errName);
    TTlvnResult result;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int nullFd = ::open("/dev/null", O_RDONLY);
        ::dup2(nullFd, STDIN_FILENO);
        ::dup2(outFd, STDOUT_FILENO);
        ::dup2(errFd, STDERR_FILENO);
        ExecTlvn(args);
    }
    int status = 0;
    struct rusage usage {};
    if (whileRunning) {
        while (::wait4(pid, &status, WNOHANG, &usage) == 0) {
            whileRunning(pid, ReadAll(outName));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    } else {
        ::wait4(pid, &status, 0, &usage);
    }
    result.MaxResidentKiB = usage.ru_maxrss;
    result.ExitCode = ExitCodeOf(status);
    result.Out = ReadAll(outName);
    result.Err = ReadAll(errName);
    ::close(outFd);
    ::close(errFd);
    ::unlink(outName);
    ::unlink(errName);
    return result;
}

TTlvnResult RunTlvnOnTerminal(const std::vector<std::string>& args,
                              std::vector<std::string> answers) {
    TTlvnResult result;
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0)
        ExecTlvn(args);
    if (pid < 0)
        return result;
    size_t next = 0;
    size_t promptsSeen = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{master, POLLIN, 0};
        if (::poll(&pfd, 1, 100) <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        if (got <= 0)
            break; // the program closed the terminal
        result.Out.append(buffer, static_cast<size_t>(got));
        size_t prompts = 0;
        for (size_t at = result.Out.find("[y/n"); at != std::string::npos;
             at = result.Out.find("[y/n", at + 4))
            ++prompts;
        if (prompts > promptsSeen && next < answers.size()) {
            promptsSeen = prompts;
            const std::string line = answers[next++] + "\n";
            (void)!::write(master, line.data(), line.size());
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(master);
    result.ExitCode = ExitCodeOf(status);
    return result;
}
