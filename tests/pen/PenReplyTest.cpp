#include "PenReply.h"

#include <gtest/gtest.h>

#include "PenTestSupport.h"

namespace {

using pen::ReplyLayout;
using pentest::Bytes;

bool Valid(const Bytes& b) {
    return pen::PassesCheck(b.data(), static_cast<std::int32_t>(b.size()));
}
bool Complete(ReplyLayout layout, const Bytes& b) {
    return pen::ReplyComplete(layout, b.data(), static_cast<std::int32_t>(b.size()));
}

TEST(PenReply, CheckByteRule) {
    struct Case {
        Bytes reply;
        bool valid;
    } cases[] = {
        {{0x06, 0x00}, true},               // the XOR of no bytes is 0
        {{0x06}, false},                    // the check would cover nothing and compare with 06
        {{}, false},                        //
        {{0x15, 0x00, 0x15}, false},        // negative acknowledge
        {{0x06, 0x00, 0x06}, true},         //
        {{0x06, 0x42, 0x06}, true},         // the byte before the check byte is not covered
        {{0x06, 0x01, 0x00, 0x07}, true},   //
        {{0x06, 0x01, 0x00, 0x06}, false},  // wrong check byte
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Valid(c.reply), c.valid) << pen::HexText(c.reply.data(), int(c.reply.size()));
    }
}

// A prefix that passes the check-byte rule is not yet the reply.
TEST(PenReply, OnlyTheWholeReplyIsComplete) {
    const Bytes codes = pentest::CodesReply(
        "PEN00001", 3,
        pentest::Cat({pentest::CodeBlock('A', "4006381333931"), pentest::CodeBlock('B', "12")}));
    const Bytes params = pentest::Framed({0x06, 0x00, 0x02, 0x02, 0x05, 0x02, 0x04, 0x01, 0x00});
    Bytes wake = pentest::Framed(pentest::Cat(
        {{0x06, 0x00, 0x31, 0x00}, Bytes(8, 0xA5), pentest::Text("V1.23   "), {0x00}}));
    struct Case {
        ReplyLayout layout;
        Bytes reply;
    } cases[] = {
        {ReplyLayout::Codes, codes}, {ReplyLayout::Params, params}, {ReplyLayout::WakeUp, wake}};
    for (const auto& c : cases) {
        int prefixesPassingCheck = 0;
        for (std::size_t n = 0; n < c.reply.size(); ++n) {
            Bytes prefix(c.reply.begin(), c.reply.begin() + n);
            prefixesPassingCheck += Valid(prefix);
            EXPECT_FALSE(Complete(c.layout, prefix)) << "prefix of " << n << " bytes";
        }
        EXPECT_GT(prefixesPassingCheck, 0);  // 06 00 at least
        EXPECT_TRUE(Complete(c.layout, c.reply));
    }
}

TEST(PenReply, BlocksMustEndOnTheClosingByte) {
    struct Case {
        const char* what;
        Bytes reply;
        bool complete;
    } cases[] = {
        {"no blocks", pentest::Framed({0x06, 0x00, 0x00}), true},
        {"one block", pentest::Framed({0x06, 0x00, 0x02, 0x07, 0x01, 0x00}), true},
        {"length past the end", pentest::Framed({0x06, 0x00, 0x09, 0x07, 0x01, 0x00}), false},
        {"length short of the end", pentest::Framed({0x06, 0x00, 0x01, 0x07, 0x01, 0x00}), false},
        {"no closing 0x00", pentest::Framed({0x06, 0x00, 0x02, 0x07, 0x01}), false},
        {"plain acknowledge", Bytes{0x06, 0x00}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Complete(ReplyLayout::Params, c.reply), c.complete) << c.what;
    EXPECT_TRUE(Complete(ReplyLayout::Plain, Bytes{0x06, 0x00}));
}

}  // namespace
