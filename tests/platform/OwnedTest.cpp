#include "Owned.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> closed;

struct Close {
    void operator()(int h) const noexcept { closed.push_back(h); }
};
struct MinusOneIsNone {
    static int None() noexcept { return -1; }
};
using Fd = platform::Owned<int, Close, MinusOneIsNone>;

// A closer looked up at run time: it carries its own state.
struct Tagged {
    int tag = 0;
    void operator()(int h) const noexcept { closed.push_back(tag * 100 + h); }
};
using TaggedHandle = platform::Owned<int, Tagged>;

class Owned : public ::testing::Test {
  protected:
    Owned() { closed.clear(); }
};

TEST_F(Owned, ClosesOnceWhateverItHolds) {
    {
        Fd none;
        Fd zero(0);  // 0 is a valid handle under the -1 policy
        EXPECT_FALSE(none);
        EXPECT_TRUE(zero);
        EXPECT_EQ(none.Get(), -1);
    }
    EXPECT_EQ(closed, std::vector<int>{0});

    closed.clear();
    {
        Fd a(3);
        a.Reset(4);  // closes 3
        Fd b(std::move(a));
        EXPECT_FALSE(a);
        Fd c(5);
        c = std::move(b);  // closes 5, takes 4
        EXPECT_EQ(c.Get(), 4);
        EXPECT_EQ(Fd(6).Release(), 6);  // given up, never closed
        *c.Put() = 7;                   // closes 4
        c.Reset();                      // closes 7
        EXPECT_FALSE(c);
    }
    EXPECT_EQ(closed, (std::vector<int>{3, 5, 4, 7}));
}

TEST_F(Owned, AStatefulCloserTravelsWithItsHandle) {
    {
        TaggedHandle a(1, Tagged{1});
        TaggedHandle b(2, Tagged{2});
        b = std::move(a);  // 2 closed by its own closer, 1 keeps its closer
        TaggedHandle c(std::move(b));
    }
    EXPECT_EQ(closed, (std::vector<int>{202, 101}));
}

}  // namespace
