// The command line: the splitting rules and the option parser in both spellings.
#include <gtest/gtest.h>

#include "app/cmdline.h"

namespace {

using TArgs = std::vector<std::string>;

TEST(SplitCommandLine, QuotesBlanksAndEmptyArguments) {
    const struct {
        const char* Line;
        TArgs Args;
    } cases[] = {
        {"", {}},
        {"tlvn.exe", {}},
        {"\"C:\\Program Files\\tlvn.exe\" /u", {"/u"}},
        {"tlvn.exe /u /a C:\\log.txt C:\\Data", {"/u", "/a", "C:\\log.txt", "C:\\Data"}},
        {"tlvn.exe \"C:\\My Data\"", {"C:\\My Data"}},
        {"tlvn.exe C:\\My\" \"Data\\x", {"C:\\My Data\\x"}}, // quotes inside an argument
        {"tlvn.exe /m \"\" /u", {"/m", "/u"}},               // "" disappears
        {"tlvn.exe \"\"\"\" x", {"x"}},
        {"tlvn.exe \" \" x", {" ", "x"}}, // a quoted blank is an argument
        {"tlvn.exe \t/u\t\t/v  \r\n", {"/u", "/v"}},
        {"tlvn.exe \"unclosed quote", {"unclosed quote"}},
        {"tlvn.exe a\\\"b c", {"a\\b c"}},            // no escape character
        {"tlvn.exe \xE4\xF6 /u", {"\xE4\xF6", "/u"}}, // 8-bit letters are not blanks
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitCommandLine(c.Line), c.Args) << c.Line;
}

// What a parse should give; fields left unset are expected unset.
struct TExpect {
    bool Usage = false, Update = false, Verify = false, AutoExit = false, Unattended = false;
    std::string Bad, Log;
    std::optional<std::string> Folder, Mask, Name;
    std::optional<bool> Sub;
    std::optional<TOverwriteMode> Over;
    std::optional<int> Format;
    std::optional<TPlacementMode> Place;
    std::optional<int> Header;
    std::optional<bool> Detailed;
    std::optional<int> Workers;
    std::optional<bool> Quick;
    std::optional<bool> Moved;
    std::optional<std::string> Report;
    std::optional<std::pair<int, int>> Slice;
};

void ExpectParse(const TCommandLine& r, const TExpect& e, const std::string& what) {
    EXPECT_EQ(r.ShowUsage, e.Usage) << what;
    EXPECT_EQ(r.BadArgument, e.Bad) << what;
    EXPECT_EQ(r.StartUpdate, e.Update) << what;
    EXPECT_EQ(r.StartVerify, e.Verify) << what;
    EXPECT_EQ(r.AutoExit, e.AutoExit) << what;
    EXPECT_EQ(r.Unattended, e.Unattended) << what;
    EXPECT_EQ(r.LogFileName, e.Log) << what;
    EXPECT_EQ(r.Folder, e.Folder) << what;
    EXPECT_EQ(r.FileMask, e.Mask) << what;
    EXPECT_EQ(r.ChecksumFileName, e.Name) << what;
    EXPECT_EQ(r.IncludeSubfolders, e.Sub) << what;
    EXPECT_EQ(r.OverwriteMode, e.Over) << what;
    EXPECT_EQ(r.Format, e.Format) << what;
    EXPECT_EQ(r.Placement, e.Place) << what;
    EXPECT_EQ(r.HeaderMode, e.Header) << what;
    EXPECT_EQ(r.DetailedLog, e.Detailed) << what;
    EXPECT_EQ(r.Workers, e.Workers) << what;
    EXPECT_EQ(r.QuickUpdate, e.Quick) << what;
    EXPECT_EQ(r.MovedFiles, e.Moved) << what;
    EXPECT_EQ(r.ReportFileName, e.Report) << what;
    EXPECT_EQ(r.Slice ? std::make_optional(std::make_pair(r.Slice->Index, r.Slice->Count))
                      : std::nullopt,
              e.Slice)
        << what;
}

TExpect Usage(const std::string& bad, TExpect e = {}) {
    e.Usage = true;
    e.Bad = bad;
    return e;
}

// Written with "/"; run as written by the Windows parser and with "-" by the console's.
struct TParseCase {
    TArgs Args;
    TExpect Expect;
};

std::vector<TParseCase> ParseCases() {
    TExpect e;
    std::vector<TParseCase> cases;
    auto add = [&cases](TArgs args, TExpect expect) { cases.push_back({args, expect}); };
    add({}, {});
    e = {}, e.Update = e.AutoExit = true, e.Log = "log.txt", e.Folder = "Data";
    add({"/u", "/a", "log.txt", "Data"}, e);
    e = {}, e.Log = "log.txt", e.Folder = "Data"; // "/a" alone never closes the program
    add({"/a", "log.txt", "Data"}, e);
    e = {}, e.Update = e.AutoExit = true, e.Log = "/v"; // the log name is taken unchanged
    add({"/u", "/a", "/v"}, e);
    e = Usage("/x"), e.Update = true; // /u /x: the update is recorded but no run starts
    add({"/u", "/x"}, e);
    add({"/u", "/a"}, [] {
        TExpect x = Usage("/a");
        x.Update = true;
        return x;
    }());
    e = {}, e.Update = e.AutoExit = e.Unattended = true, e.Log = "log.txt";
    add({"/Q", "/u", "/a", "log.txt"}, e);
    e = Usage("/x"), e.Unattended = true, e.Log = "log.txt"; // /q survives a bad line
    add({"/q", "/x", "/a", "log.txt"}, e);
    add({"/l1"}, Usage("/l1"));
    e = {}, e.Detailed = true;
    add({"/i1"}, e);
    e = {}, e.Detailed = false;
    add({"/I0"}, e);
    e = {}, e.Header = 3;
    add({"/h3"}, e);
    add({"/h4"}, Usage("/h4"));
    e = {}, e.Sub = true;
    add({"/s"}, e);
    add({"/s+"}, e);
    add({"/s+x"}, e); // only the first character after the letter counts
    add({"/sx"}, Usage("/sx"));
    e = {}, e.Sub = false;
    add({"/S-"}, e);
    e = {}, e.Over = omOverwrite;
    add({"/o"}, e);
    add({"/o+"}, e);
    e = {}, e.Over = omAsk;
    add({"/o?"}, e);
    e = {}, e.Over = omKeep;
    add({"/o-"}, e);
    add({"/o*"}, Usage("/o*"));
    add({"/p5"}, Usage("/p5"));
    add({"/p"}, Usage("/p"));
    e = {}, e.Place = plPerFile;
    add({"/p4"}, e);
    e = {}, e.Place = plFolderFixedName;
    add({"/P2"}, e);
    e = {}, e.Format = 1;
    add({"/f1234"}, e);
    add({"/f"}, Usage("/f"));
    e = {}, e.Format = 2;
    add({"-f2"}, e);
    e = {}, e.Format = 3;
    add({"/f3"}, e);
    e = {}, e.Format = 4;
    add({"-f4"}, e);
    add({"/f5"}, Usage("/f5"));
    add({"/m"}, Usage("/m"));
    e = {}, e.Mask = "/u"; // /m /u: /u is the filter, no run
    add({"/m", "/u"}, e);
    e = {}, e.Name = "*.sfv", e.Format = 1, e.Place = plPerFile;
    add({"/n", "*.sfv", "/f1", "/p4"}, e);
    e = {}, e.Name = "second";
    add({"/n", "first", "/n", "second"}, e);
    e = {}, e.Update = e.Verify = true;
    add({"/U", "/v"}, e);
    e = {}, e.Update = true;
    add({"/update"}, e);
    e = {}, e.Usage = true; // asked for, not a mistake
    add({"/?"}, e);
    add({"/"}, Usage("/"));
    e = {}, e.Workers = 3;
    add({"/j", "3"}, e);
    e = {}, e.Workers = 64;
    add({"/J64"}, e);
    add({"/j", "0"}, Usage("/j"));
    add({"/j65"}, Usage("/j65"));
    add({"/j", "two"}, Usage("/j"));
    add({"/j"}, Usage("/j"));
    e = {}, e.Quick = true;
    add({"/d"}, e);
    add({"/D+"}, e);
    add({"--quick"}, e);
    e = {}, e.Quick = false;
    add({"--quick", "/d-"}, e);
    add({"/dx"}, Usage("/dx"));
    add({"--quick-x"}, Usage("--quick-x"));
    e = {}, e.Moved = true;
    add({"/t"}, e);
    add({"--moved"}, e);
    e = {}, e.Moved = false;
    add({"--moved", "/T-"}, e);
    add({"/t?"}, Usage("/t?"));
    e = {}, e.Report = "-";
    add({"/r", "-"}, e);
    add({"--report", "-"}, e);
    add({"/r"}, Usage("/r"));
    add({"--report"}, Usage("--report"));
    e = Usage("--reprot"), e.Folder = "x";
    add({"--reprot", "x"}, e);
    e = {}, e.Slice = std::make_pair(2, 7);
    add({"/k", "2/7"}, e);
    add({"/K2/7"}, e);
    add({"--slice", "2/7"}, e);
    e = {}, e.Slice = std::make_pair(999, 999);
    add({"/k999/999"}, e);
    add({"/k", "8/7"}, Usage("/k"));
    add({"/k0/7"}, Usage("/k0/7"));
    add({"/k", "1/1000"}, Usage("/k"));
    add({"/k", "2"}, Usage("/k"));
    e = Usage("--slice"), e.Folder = "x/7";
    add({"--slice", "x/7"}, e);
    e = Usage("/z"), e.Sub = false, e.Folder = "B"; // options around a bad one still apply
    add({"A", "/s-", "/z", "B"}, e);
    return cases;
}

std::string Joined(const TArgs& args) {
    std::string text;
    for (const std::string& arg : args)
        text += arg + " ";
    return text;
}

TEST(ParseCommandLine, WindowsFormWithSlash) {
    for (const TParseCase& c : ParseCases())
        ExpectParse(ParseCommandLine(c.Args, true), c.Expect, "windows: " + Joined(c.Args));
}

TEST(ParseCommandLine, ConsoleFormWithDash) {
    for (TParseCase c : ParseCases()) {
        for (std::string& arg : c.Args)
            if (!arg.empty() && arg[0] == '/')
                arg[0] = '-';
        if (!c.Expect.Bad.empty())
            c.Expect.Bad[0] = '-';
        if (c.Expect.Log == "/v")
            c.Expect.Log = "-v";
        if (c.Expect.Mask == std::optional<std::string>("/u"))
            c.Expect.Mask = "-u";
        ExpectParse(ParseCommandLine(c.Args, false), c.Expect, "console: " + Joined(c.Args));
    }
}

TEST(ParseCommandLine, SlashBeginsAFolderOnlyWhereItIsNoOption) {
    TExpect folder;
    folder.Folder = "/home/data";
    ExpectParse(ParseCommandLine({"/home/data"}, false), folder, "console path");
    ExpectParse(ParseCommandLine({"/home/data"}, true), Usage("/home/data"),
                "windows: /h with 'o'");
    TExpect both;
    both.Verify = true;
    ExpectParse(ParseCommandLine({"-v"}, true), both, "windows accepts -v");
}

TEST(UsageText, EveryOptionOfTheParserSpeltWithTheOptionCharacter) {
    const std::string slash = UsageText('/');
    const std::string dash = UsageText('-');
    size_t lines = 0;
    for (size_t at = slash.find("\r\n"); at != std::string::npos; at = slash.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 36u);
    for (const char* option : {" /i{0|1} ", " /h{0|1|2|3} ", " /j <n> ", " /? ", " /f{0|1|2|3|4} ",
                               " /d[+|-] ", " /r <file> ", " /k K/N ", " /q ", " /t[+|-] "})
        EXPECT_NE(slash.find(option), std::string::npos) << option;
    EXPECT_EQ(slash.find("/l"), std::string::npos) << "the parser refuses /l";
    EXPECT_EQ(slash.substr(slash.size() - 2), "\r\n");
    EXPECT_EQ(slash.rfind("USAGE:\r\n tlvn [<command>] [<options>]\r\n\r\nCOMMANDS:\r\n", 0), 0u);
    EXPECT_NE(slash.find(" /s[+|-]   - enable/disable processing the subfolders\r\n"),
              std::string::npos);
    EXPECT_NE(dash.find(" -s[+|-]   - enable/disable processing the subfolders\r\n"),
              std::string::npos);
    EXPECT_NE(dash.find(" -o[+|-|?] - enable/disabe/prompt for overwriting\r\n"),
              std::string::npos);
    EXPECT_NE(dash.find(" -j <n>    - read and hash files with n workers\r\n"), std::string::npos);
    EXPECT_EQ(dash.find(" /"), std::string::npos);
    EXPECT_EQ(dash.size(), slash.size());
}

} // namespace
