#include "app/cmdline.h"

#include "app/run.h"
#include "app/texts.h"

namespace {

bool IsSeparator(char c) {
    const unsigned char code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

// The digit of "/x<digit>" when it lies within 0..highest.
bool DigitOption(const std::string& option, int highest, int& value) {
    if (option.size() < 2 || option[1] < '0' || option[1] > '0' + highest)
        return false;
    value = option[1] - '0';
    return true;
}

// A count of 1..highest written in plain decimal digits.
bool CountValue(const std::string& text, int highest, int& value) {
    if (text.empty() || text.size() > 3 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoi(text);
    return value >= 1 && value <= highest;
}

// "K/N" with 1 <= K <= N <= 999.
bool SliceValue(const std::string& text, TSlice& slice) {
    const size_t slash = text.find('/');
    int index = 0, count = 0;
    if (slash == std::string::npos || !CountValue(text.substr(slash + 1), 999, count) ||
        !CountValue(text.substr(0, slash), count, index))
        return false;
    slice = {index, count};
    return true;
}

// A long option ("--report FILE"): false for an unknown name or a missing or bad value.
bool ParseLongOption(const std::string& name, const std::vector<std::string>& args, size_t& i,
                     TCommandLine& result) {
    if (i + 1 >= args.size())
        return false;
    TSlice slice;
    if (name == "report")
        result.ReportFileName = args[i + 1];
    else if (name == "slice" && SliceValue(args[i + 1], slice))
        result.Slice = slice;
    else
        return false;
    ++i;
    return true;
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = commandLine.size();
    bool first = true; // the program's path, split by the same rules and dropped
    while (i < n && commandLine[i] != '\0') {
        while (true) {
            while (i < n && IsSeparator(commandLine[i]))
                ++i;
            if (i + 1 < n && commandLine[i] == '"' && commandLine[i + 1] == '"')
                i += 2;
            else
                break;
        }
        std::string arg;
        bool quoted = false;
        while (i < n && commandLine[i] != '\0' && (quoted || !IsSeparator(commandLine[i]))) {
            if (commandLine[i] == '"')
                quoted = !quoted;
            else
                arg += commandLine[i];
            ++i;
        }
        if (!first && !arg.empty())
            args.push_back(arg);
        first = false;
    }
    return args;
}

TCommandLine ParseCommandLine(const std::vector<std::string>& args, bool slashOption) {
    TCommandLine result;
    size_t i = 0;
    auto bad = [&result, &args, &i] {
        result.ShowUsage = true;
        if (result.BadArgument.empty())
            result.BadArgument = args[i];
    };
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.empty() || !(arg[0] == '-' || (slashOption && arg[0] == '/'))) {
            result.Folder = arg;
            continue;
        }
        if (arg == "--quick" || arg == "--moved") {
            (arg == "--quick" ? result.QuickUpdate : result.MovedFiles) = true;
            continue;
        }
        const std::string option = arg.substr(1);
        if (option.empty()) {
            bad();
            continue;
        }
        if (option[0] == '-') {
            if (!ParseLongOption(option.substr(1), args, i, result))
                bad();
            continue;
        }
        char letter = option[0];
        if (letter >= 'a' && letter <= 'z')
            letter = static_cast<char>(letter - 'a' + 'A');
        const char second = option.size() > 1 ? option[1] : '\0';
        int digit = 0;
        switch (letter) {
        case '?':
            result.ShowUsage = true;
            break;
        case 'A':
            if (i + 1 < args.size()) {
                result.AutoExit = true;
                result.LogFileName = args[++i];
            } else {
                bad();
            }
            break;
        case 'F':
            if (DigitOption(option, kFormatCount - 1, digit))
                result.Format = digit;
            else
                bad();
            break;
        case 'H':
            if (DigitOption(option, 3, digit))
                result.HeaderMode = digit;
            else
                bad();
            break;
        case 'I':
            if (DigitOption(option, 1, digit))
                result.DetailedLog = digit == 1;
            else
                bad();
            break;
        case 'J':
        case 'K': {
            // "j<n>" or "j <n>", "k<K/N>" or "k <K/N>"; a bad value names the option.
            const size_t optionAt = i;
            const std::string value =
                option.size() > 1 ? option.substr(1) : (i + 1 < args.size() ? args[++i] : "");
            TSlice slice;
            if (letter == 'J' && CountValue(value, kMaxWorkers, digit)) {
                result.Workers = digit;
            } else if (letter == 'K' && SliceValue(value, slice)) {
                result.Slice = slice;
            } else {
                const size_t next = i;
                i = optionAt;
                bad();
                i = next;
            }
            break;
        }
        case 'M':
        case 'N':
        case 'R':
            if (i + 1 >= args.size())
                bad();
            else if (letter == 'M')
                result.FileMask = args[++i];
            else if (letter == 'N')
                result.ChecksumFileName = args[++i];
            else
                result.ReportFileName = args[++i];
            break;
        case 'O':
            if (second == '\0' || second == '+')
                result.OverwriteMode = omOverwrite;
            else if (second == '-')
                result.OverwriteMode = omKeep;
            else if (second == '?')
                result.OverwriteMode = omAsk;
            else
                bad();
            break;
        case 'P':
            if (DigitOption(option, 4, digit))
                result.Placement = static_cast<TPlacementMode>(digit);
            else
                bad();
            break;
        case 'Q':
            result.Unattended = true;
            break;
        case 'D':
        case 'S':
        case 'T': {
            std::optional<bool>& target = letter == 'D'   ? result.QuickUpdate
                                          : letter == 'T' ? result.MovedFiles
                                                          : result.IncludeSubfolders;
            if (second == '\0' || second == '+')
                target = true;
            else if (second == '-')
                target = false;
            else
                bad();
            break;
        }
        case 'U':
            result.StartUpdate = true;
            break;
        case 'V':
            result.StartVerify = true;
            break;
        default:
            bad();
            break;
        }
    }
    // "/a" alone never closes the program.
    if (result.ShowUsage || !(result.StartUpdate || result.StartVerify))
        result.AutoExit = false;
    return result;
}

std::string UsageText(char optionChar) {
    std::string text;
    for (const char* line : texts::kUsageLines) {
        std::string spelt = line;
        // An option is a "/" that follows a blank; "enable/disable" keeps its slash.
        for (size_t i = 1; i < spelt.size(); ++i)
            if (spelt[i] == '/' && spelt[i - 1] == ' ')
                spelt[i] = optionChar;
        text += spelt + "\r\n";
    }
    return text;
}
