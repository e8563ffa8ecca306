// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "uart.h"

namespace mt {

// The simulator's pseudo-terminal. The program under test opens the slave
// side (the /dev/pts/N device, usually through a comN link); the simulator
// reads and writes the master side. It keeps the slave open as well, so the
// line stays up while no program has it open.
struct Pty {
    int master = -1;
    int slave = -1;
    std::string path;  // the slave's device, e.g. /dev/pts/4

    // Opens a fresh pair in raw mode, the master non-blocking. False with
    // the reason in `error` (what was opened so far stays for Close()).
    bool Open(std::string& error);
    void Close();
    // Bytes written to the master that the other side has not read yet
    // (-1 when that cannot be told).
    int Unread() const;

    // Puts the meter's baud rate and parity on the line, so that a program
    // that opens it without setting them finds the meter's settings.
    bool PresetLine(const CharacterFormat& meter) const;
    // The settings the program on the other side made, as far as the
    // pseudo-terminal keeps them. Both sides share one set of settings, so
    // the master's view is the program's.
    std::optional<LineSeen> ReadLine() const;
};

}  // namespace mt
