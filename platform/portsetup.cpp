// SPDX-License-Identifier: GPL-3.0-or-later
#include "portsetup.h"

namespace mt {

PortResult OpenConfigured(SerialPort& port, int portNumber, const QString& settings) {
    if (PortResult numbered = port.setPortNumber(portNumber); !numbered) {
        return numbered;
    }
    port.setInputLength(0);
    port.clearInput();
    port.clearOutput();
    port.setReceiveThreshold(1);
    port.setInBufferSize(kPortBufferBytes);
    port.setOutBufferSize(kPortBufferBytes);
    if (PortResult set = port.setSettings(settings); !set) {
        return set;
    }
    return port.open();
}

}  // namespace mt
