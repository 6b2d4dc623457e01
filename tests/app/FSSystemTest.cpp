#include <gtest/gtest.h>

#include "FSSystem.h"

namespace {

TEST(FSSystem, LineEndInTheTextGivesOneLineEnd) {
    EXPECT_EQ(WithoutLineEnd("\r\n"), "");
    EXPECT_EQ(WithoutLineEnd("Insert pen!"), "Insert pen!");
    EXPECT_EQ(WithoutLineEnd("65;1234\r\n"), "65;1234");
    EXPECT_EQ(WithoutLineEnd("a\r\nb"), "a\r\nb");
}

TEST(FSSystem, WritesNothingWithoutAConsole) {
    bool attached = ConsoleAttached;
    ConsoleAttached = false;
    testing::internal::CaptureStdout();
    ConWriteLn("nothing");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ConsoleAttached = attached;
}

}  // namespace
