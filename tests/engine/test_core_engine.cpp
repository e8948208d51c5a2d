// The engine's settings, the abort question and the required events.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "platform/files.h"

namespace {

const std::string kDelimiter(1, files::kPathDelimiter);

TEST(CoreEngine, FolderPathLosesOuterBlanksAndEndsWithOneDelimiter) {
    struct TCase {
        std::string Given;
        std::string Stored;
    };
    const TCase cases[] = {
        {"", ""},
        {" \t\r\n ", ""},
        {"data", "data" + kDelimiter},
        {"  data\t", "data" + kDelimiter},
        {"data" + kDelimiter, "data" + kDelimiter},
        {" a b" + kDelimiter + "c d \x1f", "a b" + kDelimiter + "c d" + kDelimiter},
        {kDelimiter, kDelimiter},
    };
    TCheckSumEngine engine;
    for (const TCase& c : cases) {
        engine.SetFolderPath(c.Given);
        EXPECT_EQ(engine.FolderPath, c.Stored) << "given \"" << c.Given << "\"";
    }
}

TEST(CoreEngine, FileMaskLosesOuterBlanksAndDefaultsToEveryFile) {
    struct TCase {
        std::string Given;
        std::string Stored;
    };
    const TCase cases[] = {
        {"", "*.*"}, {"   ", "*.*"}, {"\t*.txt ", "*.txt"}, {"a b?.*", "a b?.*"}};
    TCheckSumEngine engine;
    for (const TCase& c : cases) {
        engine.SetFileMask(c.Given);
        EXPECT_EQ(engine.FileMask, c.Stored) << "given \"" << c.Given << "\"";
    }
}

TEST(CoreEngine, ChecksumKindSetsItsDisplayName) {
    struct TCase {
        int Kind;
        const char* Name;
    };
    TCheckSumEngine engine;
    for (const TCase& c :
         {TCase{ckMD5, "MD5"}, TCase{ckCRC32, "CRC32"}, TCase{ckNone, "???"}, TCase{3, "???"},
          TCase{4, "???"}, TCase{ckSHA1, "SHA1"}, TCase{ckSHA256, "SHA256"},
          TCase{ckSHA512, "SHA512"}, TCase{255, "???"}}) {
        engine.SetChecksumKind(static_cast<TChecksumKind>(c.Kind));
        EXPECT_EQ(engine.ChecksumKind, c.Kind);
        EXPECT_EQ(engine.KindName, c.Name) << "kind " << c.Kind;
    }
}

TEST(CoreEngine, AbortIsConfirmedOnceAndClearedWithoutAQuestion) {
    struct TCase {
        const char* Name;
        std::vector<bool> Calls;   // arguments of SetAborted in order
        std::vector<bool> Answers; // answers of the confirmation, in order
        int Questions;
        bool Aborted;
    };
    const TCase cases[] = {
        {"confirmed", {true}, {true}, 1, true},
        {"declined", {true}, {false}, 1, false},
        {"asked twice after a confirmed abort", {true, true}, {true}, 1, true},
        {"declined then confirmed", {true, true}, {false, true}, 2, true},
        {"cleared", {true, false}, {true}, 1, false},
        {"clearing never asks", {false, false}, {}, 0, false},
        {"asked again after clearing", {true, false, true}, {true, false}, 2, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TCheckSumEngine engine;
        int questions = 0;
        engine.OnConfirmAbort = [&] {
            EXPECT_LT(questions, static_cast<int>(c.Answers.size()));
            return questions < static_cast<int>(c.Answers.size()) && c.Answers[questions++];
        };
        for (bool call : c.Calls)
            engine.SetAborted(call);
        EXPECT_EQ(questions, c.Questions);
        EXPECT_EQ(engine.Aborted, c.Aborted);
    }
}

TEST(CoreEngine, UnboundRequiredEventIsAProgrammingErrorNamingTheUnit) {
    TCheckSumEngine engine;
    EXPECT_DEATH(engine.SetAborted(true), "Assertion failure \\(engine\\): OnConfirmAbort");
}

} // namespace
