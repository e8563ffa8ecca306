// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

namespace mt {

// The exact line speed of a terminal, through termios2, which carries any
// baud rate (the classic termios calls know only the B constants). Apart
// from pty.cpp because <asm/termbits.h> and <termios.h> clash.

// Nothing when the terminal cannot be read.
std::optional<std::uint32_t> ReadLineSpeed(int fd);

// Both directions at `baud`: a B constant when there is one, so that every
// program reads the usual value back, otherwise the exact rate.
bool SetLineSpeed(int fd, std::uint32_t baud);

}  // namespace mt
