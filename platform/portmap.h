// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace mt {

// The per-user runtime folder: Qt's runtime location. When XDG_RUNTIME_DIR
// is not set, the folder Qt falls back to (<temp>/runtime-<user> on Linux),
// found without Qt's warning about the missing variable.
QString RuntimeFolder();

// Sets XDG_RUNTIME_DIR to RuntimeFolder() when it is not set, so that Qt
// takes the same folder without warning about the variable (QGuiApplication
// asks for it while it starts). Call before the application object exists.
void SetRuntimeFolderVariable();

// The per-user folder in which links named comN stand for port N
// (RuntimeFolder() + "/metertest/ports").
QString PortLinkFolder();

// The device that port number N stands for, in this order:
//  1. the link comN in PortLinkFolder(), when it exists: the device it points
//     to (the resolved path, or the link's own target text when that device is
//     missing, so that opening fails as "no such port" rather than falling
//     through to another device);
//  2. Linux: the Nth serial port the system reports, in name order;
//  3. Windows: COMN.
// Empty when nothing stands for N, and for N <= 0.
QString DeviceForPort(int number);

// The system's serial ports in name order (full device paths on Linux).
QStringList SystemPortsInNameOrder();

// Name order for device names: runs of digits compare by their value, so
// ttyS2 comes before ttyS10; everything else compares character by character.
bool PortNameLess(const QString& a, const QString& b);

}  // namespace mt
