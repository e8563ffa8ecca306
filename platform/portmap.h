#pragma once

#include <QString>
#include <QStringList>

namespace mt {

// The per-user folder in which links named comN stand for port N
// (QStandardPaths::RuntimeLocation + "/metertest/ports").
QString PortLinkFolder();

// The device that port number N stands for, in this order:
//  1. the link comN in PortLinkFolder(), when it exists;
//  2. Linux: the Nth serial port the system reports, in name order;
//  3. Windows: COMN.
// Empty when nothing stands for N.
QString DeviceForPort(int number);

// The system's serial ports in name order (full device paths on Linux).
QStringList SystemPortsInNameOrder();

}  // namespace mt
