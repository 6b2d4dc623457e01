#include "TermiosPosix.h"

#include <sys/ioctl.h>

#if defined(__linux__)
#include <linux/serial.h>
#endif

namespace comm {
namespace {

struct Speed {
    std::uint32_t baud;
    speed_t code;
};
constexpr Speed kSpeeds[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};  // 5 to 8 bits
// By the DCB's parity code: none, odd, even, mark, space.
constexpr tcflag_t kParities[] = {0, PARENB | PARODD, PARENB, PARENB | PARODD | CMSPAR,
                                  PARENB | CMSPAR};

}  // namespace

bool ToTermios(const Dcb& dcb, termios& t) {
    const Speed* speed = nullptr;
    for (const Speed& s : kSpeeds)
        if (s.baud == dcb.BaudRate) speed = &s;
    if (!speed || dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > 4 || dcb.StopBits > 2)
        return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, speed->code);
    cfsetospeed(&t, speed->code);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= kSizes[dcb.ByteSize - 5] | kParities[dcb.Parity];
    if (dcb.StopBits != 0) t.c_cflag |= CSTOPB;  // one and a half is two here
    if (dcb.Flags & kDcbParity) t.c_iflag |= INPCK;
    const std::uint32_t rtsControl = (dcb.Flags >> kDcbRtsControlShift) & 3;
    if ((dcb.Flags & kDcbOutxCtsFlow) || rtsControl == 2) t.c_cflag |= CRTSCTS;
    // Software flow control only when asked for: it would swallow 0x11 and 0x13.
    if (dcb.Flags & kDcbOutX) t.c_iflag |= IXON;
    if (dcb.Flags & kDcbInX) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    return true;
}

Dcb FromTermios(const termios& t) {
    Dcb dcb;
    const speed_t speed = cfgetospeed(&t);
    for (const Speed& s : kSpeeds)
        if (s.code == speed) dcb.BaudRate = s.baud;
    for (std::uint8_t bits = 5; bits <= 8; ++bits)
        if ((t.c_cflag & CSIZE) == kSizes[bits - 5]) dcb.ByteSize = bits;
    if (t.c_cflag & PARENB) dcb.Parity = (t.c_cflag & PARODD) ? 1 : 2;
    dcb.StopBits = (t.c_cflag & CSTOPB) ? 2 : 0;
    dcb.Flags = kDcbBinary;
    dcb.XonChar = static_cast<char>(t.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
    return dcb;
}

#if defined(__linux__) && defined(TIOCGICOUNT)
bool ReadLineCounters(int fd, LineCounters& c) {
    serial_icounter_struct ic{};
    if (ioctl(fd, TIOCGICOUNT, &ic) != 0) return false;
    c.frame = static_cast<std::uint32_t>(ic.frame);
    c.overrun = static_cast<std::uint32_t>(ic.overrun);
    c.parity = static_cast<std::uint32_t>(ic.parity);
    c.brk = static_cast<std::uint32_t>(ic.brk);
    c.bufOverrun = static_cast<std::uint32_t>(ic.buf_overrun);
    return true;
}
#else
bool ReadLineCounters(int, LineCounters&) {
    return false;
}
#endif

}  // namespace comm
