// SPDX-License-Identifier: GPL-3.0-or-later
#include "pty.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "linespeed.h"

namespace mt {

bool Pty::Open(std::string& error) {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    char name[128];
    if (::ptsname_r(master, name, sizeof name) != 0) {
        error = std::string("ptsname: ") + std::strerror(errno);
        return false;
    }
    path = name;
    slave = ::open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    // Raw bytes both ways: no echo, no line editing, no character translation.
    termios raw{};
    if (::tcgetattr(slave, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    return true;
}

void Pty::Close() {
    if (slave >= 0) {
        ::close(slave);
    }
    if (master >= 0) {
        ::close(master);
    }
    slave = master = -1;
}

int Pty::Unread() const {
    int unread = 0;
    if (::ioctl(slave, FIONREAD, &unread) != 0) {
        return -1;
    }
    return unread;
}

bool Pty::PresetLine(const CharacterFormat& meter) const {
    termios settings{};
    if (::tcgetattr(slave, &settings) != 0) {
        return false;
    }
    // The kernel drops the parity enable bit of a pseudo-terminal; the odd
    // and stick flags stay, and they are what ReadLine() can tell apart.
    settings.c_cflag &= ~static_cast<tcflag_t>(PARODD | CMSPAR);
    if (meter.parity == Parity::Odd || meter.parity == Parity::Mark) {
        settings.c_cflag |= PARODD;
    }
    if (meter.parity == Parity::Mark || meter.parity == Parity::Space) {
        settings.c_cflag |= CMSPAR;
    }
    return ::tcsetattr(slave, TCSANOW, &settings) == 0 && SetLineSpeed(slave, meter.baud);
}

std::optional<LineSeen> Pty::ReadLine() const {
    termios settings{};
    const std::optional<std::uint32_t> baud = ReadLineSpeed(master);
    if (!baud || ::tcgetattr(master, &settings) != 0) {
        return std::nullopt;
    }
    return LineSeen{*baud, (settings.c_cflag & PARODD) != 0, (settings.c_cflag & CMSPAR) != 0,
                    (settings.c_cflag & CSTOPB) != 0};
}

}  // namespace mt
