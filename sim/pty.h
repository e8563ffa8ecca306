#pragma once

#include <string>

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
    // Bytes written to the master that the other side has not read yet.
    int Unread() const;
};

}  // namespace mt
