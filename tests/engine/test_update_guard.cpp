// An update never writes a checksum file onto a file that it lists for hashing, whatever
// name it is given: Windows stores "name.ext." as "name.ext", and a bare extension does
// not keep the lists of earlier runs out of the listing.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "run_recorder.h"
#include "temp_tree.h"

namespace {

constexpr bool kWindows = files::kPathDelimiter == '\\';

struct GuardCase {
    const char* what;
    TPlacementMode placement;
    std::string name;
    std::vector<std::string> windows, posix; // findings other than ChecksumOk
    std::vector<std::string> created;        // lists written where the name is kept
};

TEST(UpdateGuard, NeverWritesOverAFileBeingHashed) {
    const std::string precious = "precious data\r\n";
    GuardCase cases[] = {
        {"per file, bare extension",
         plPerFile,
         "md5",
         {"SaveError data.md5"},
         {"SaveError data.md5"},
         {"a.txt.md5", "data.md5.md5"}},
        {"per folder, bare extension",
         plFolderNamedAfterFolder,
         "md5",
         {"SaveError data.md5"},
         {"SaveError data.md5"},
         {}},
        {"tree, trailing dot", plTreeRoot, "data.md5.", {"SaveError data.md5."}, {}, {"data.md5."}},
        {"fixed name, trailing dot and blank",
         plFolderFixedName,
         "data.md5. ",
         {"SaveError data.md5. "},
         {},
         {"data.md5. "}},
        {"per file, empty extension",
         plPerFile,
         "*.",
         {"SaveError a.txt.", "SaveError data.", "SaveError data.md5."},
         {},
         {"a.txt.", "data.", "data.md5."}},
        {"per folder, empty extension",
         plFolderNamedAfterFolder,
         ".",
         {"SaveError data."},
         {},
         {"data."}},
    };
    for (const GuardCase& c : cases) {
        TTempTree tree;
        tree.AddFile("data/a.txt", "alpha");
        tree.AddFile("data/data.md5", precious);
        tree.AddFile("data/data", precious);
        TCheckSumEngine engine;
        TRunRecorder recorder(engine, tree.Path("data/"));
        recorder.RecordProcessing = false;
        recorder.DefaultAnswer = caYes;
        engine.SetFolderPath(tree.Path("data"));
        engine.SetFileMask("*.*");
        engine.OverwriteMode = omAsk; // a refusal comes before any question
        engine.SetChecksumKind(ckMD5);
        engine.Placement = c.placement;
        engine.ChecksumFileName = c.name;
        engine.Update(hmNone);

        std::vector<std::string> findings;
        for (const std::string& event : recorder.Findings())
            if (event.compare(0, 11, "ChecksumOk ") != 0)
                findings.push_back(event);
        const std::vector<std::string>& expected = kWindows ? c.windows : c.posix;
        EXPECT_EQ(findings, expected) << c.what;
        EXPECT_EQ(tree.Content("data/data.md5"), precious) << c.what;
        EXPECT_EQ(tree.Content("data/data"), precious) << c.what;
        EXPECT_EQ(tree.Content("data/a.txt"), "alpha") << c.what;
        if (!expected.empty()) {
            std::string stored = expected.back().substr(10); // the last refusal
            while (kWindows && (stored.back() == '.' || stored.back() == ' '))
                stored.pop_back();
            EXPECT_EQ(recorder.LastSaveError,
                      "It would overwrite \"" + stored + "\", one of the files being hashed")
                << c.what;
        }
        // Names Windows would shorten can only be looked for where they are kept.
        for (const std::string& name : c.created) {
            if (!kWindows || (name.back() != '.' && name.back() != ' ')) {
                EXPECT_TRUE(tree.Exists("data/" + name)) << c.what << " " << name;
            }
        }
    }
}

TEST(UpdateGuard, TreeListInsideTheTreeNeverListsItself) {
    TTempTree tree;
    tree.AddFile("a.txt", "alpha");
    TCheckSumEngine engine;
    TRunRecorder recorder(engine, tree.Root());
    recorder.RecordProcessing = false;
    engine.SetFolderPath(tree.Root());
    engine.SetFileMask("*.*");
    engine.OverwriteMode = omOverwrite;
    engine.SetChecksumKind(ckMD5);
    engine.Placement = plTreeAnyPlace;
    engine.ChecksumFileName = tree.Path("sums.md5");
    for (int run = 0; run < 2; ++run) {
        engine.Update(hmNone);
        EXPECT_EQ(recorder.Findings(), std::vector<std::string>{"ChecksumOk a.txt MD5"}) << run;
        EXPECT_EQ(tree.Content("sums.md5"), "2c1743a391305fbf367df8e4f069f9f9 *a.txt\r\n") << run;
        recorder.Events.clear();
    }
    engine.Verify();
    EXPECT_EQ(recorder.Findings(), std::vector<std::string>{"ChecksumOk a.txt MD5"});
}

} // namespace
