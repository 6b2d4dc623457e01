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

// A program of the window subsystem started from a console has no standard
// handles of its own unless they were redirected: the streams without one go
// to the parent's console, and attaching is tried only for them.
TEST(FSSystem, EachStreamKeepsItsOwnHandleOrGoesToTheParentsConsole) {
    using enum StreamTarget;
    struct Case {
        bool outUsable, errUsable, attaches;
        StreamTargets targets;
        bool attachTried;
    };
    const Case cases[] = {
        {true, true, true, {Inherited, Inherited}, false},
        {false, false, true, {Console, Console}, true},
        {false, false, false, {None, None}, true},
        {true, false, true, {Inherited, Console}, true},  // stdout to a file, errors on screen
        {true, false, false, {Inherited, None}, true},
        {false, true, true, {Console, Inherited}, true},
        {false, true, false, {None, Inherited}, true},
    };
    for (const Case& c : cases) {
        bool tried = false;
        const StreamTargets got = ChooseStreamTargets(c.outUsable, c.errUsable, [&] {
            tried = true;
            return c.attaches;
        });
        EXPECT_EQ(got, c.targets) << c.outUsable << c.errUsable << c.attaches;
        EXPECT_EQ(tried, c.attachTried) << c.outUsable << c.errUsable << c.attaches;
    }
}

TEST(FSSystem, ErrorLinesFollowTheConsoleRules) {
    testing::internal::CaptureStderr();
    FSSystemStartup();  // takes the captured standard error
    ErrWriteLn("stylorix: failed");
    ErrWriteLn("");
    ErrWriteLn("\r\n");
    ErrWriteLn("done\r\n");
    std::string got = testing::internal::GetCapturedStderr();
    FSSystemStartup();
    // The capture is read back in text mode, which drops the CR of a CR LF.
    std::erase(got, '\r');
    EXPECT_EQ(got, "stylorix: failed\n\ndone\n");
}

}  // namespace
