// TUniqueHandle: every handle taken is closed exactly once, whatever moves it.
#include <gtest/gtest.h>

#include <vector>

#include "platform/handle.h"

namespace {

std::vector<int> closed;

struct TCountingTraits {
    using THandle = int;
    static THandle Invalid() noexcept { return 0; }
    static void Close(THandle h) noexcept { closed.push_back(h); }
};
using THandle = TUniqueHandle<TCountingTraits>;

TEST(CoreHandle, EveryHandleIsClosedOnceAndOnlyByItsLastOwner) {
    struct TCase {
        const char* Name;
        void (*Run)();
        std::vector<int> Closed;
    };
    const TCase cases[] = {
        {"scope end", [] { THandle h(1); }, {1}},
        {"never valid", [] { THandle h; }, {}},
        {"moved out",
         [] {
             THandle a(1);
             THandle b(std::move(a));
             EXPECT_FALSE(a.Valid());
             EXPECT_EQ(b.Get(), 1);
         },
         {1}},
        {"move-assigned over another",
         [] {
             THandle a(1), b(2);
             b = std::move(a);
         },
         {2, 1}},
        {"self move-assigned",
         [] {
             THandle a(1);
             THandle& same = a;
             a = std::move(same);
             EXPECT_EQ(a.Get(), 1);
         },
         {1}},
        {"attach closes the old one",
         [] {
             THandle a(1);
             a.Attach(2);
         },
         {1, 2}},
        {"detached is not closed",
         [] {
             THandle a(1);
             EXPECT_EQ(a.Detach(), 1);
         },
         {}},
        {"closed early",
         [] {
             THandle a(1);
             a.Close();
             a.Close();
         },
         {1}},
    };
    for (const TCase& c : cases) {
        closed.clear();
        c.Run();
        EXPECT_EQ(closed, c.Closed) << c.Name;
    }
}

} // namespace
