// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "platform/serialport.h"

namespace mt {

// Configures a port for one opening and opens it, in the order every opening
// of the program follows: the port number, reads that take everything, both
// buffers emptied, a receive notification for every byte, the buffer sizes,
// then the line settings (before opening: some drivers and pseudo-terminals
// refuse a parity change on an open port). Stops at the first step that fails.
PortResult OpenConfigured(SerialPort& port, int portNumber, const QString& settings);

}  // namespace mt
