#pragma once

// The reply serial_ptyhost sends to a wake-up frame, shared by the host and
// the tests that check it arrives intact: 06, the bytes 1 to 40, their XOR.

#include <cstdint>
#include <vector>

inline std::vector<std::uint8_t> PtyHostReply() {
    std::vector<std::uint8_t> reply{0x06};
    for (std::uint8_t i = 1; i <= 40; ++i) reply.push_back(i);
    std::uint8_t lrc = 0;
    for (std::uint8_t b : reply) lrc ^= b;
    reply.push_back(lrc);
    return reply;
}
