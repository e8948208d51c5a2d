// Runs the tlvn binary as a user or a script would: with standard input from /dev/null
// (no terminal) and the output captured, or on a pseudo-terminal that answers questions.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct TTlvnResult {
    int ExitCode = -1;       // -1: killed by a signal or not started
    long MaxResidentKiB = 0; // the program's peak memory (RunTlvn only)
    std::string Out;
    std::string Err;
    // Standard output split into lines (LF), without the line ends.
    std::vector<std::string> OutLines() const;
};

// Runs tlvn with the arguments; no terminal anywhere. When whileRunning is given, it is
// called with the process id and the output so far every few milliseconds until the
// program ends (to send it a signal at the right moment).
TTlvnResult RunTlvn(const std::vector<std::string>& args,
                    const std::function<void(int pid, const std::string& out)>& whileRunning = {});

// Runs tlvn on a pseudo-terminal (standard input, output and error all on it). Each time
// the screen so far ends with a prompt, the next answer line is typed. Out holds everything
// the terminal showed.
TTlvnResult RunTlvnOnTerminal(const std::vector<std::string>& args,
                              std::vector<std::string> answers);
