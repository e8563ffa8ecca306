// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <optional>

#include "platform/netendpoint.h"

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

// Port numbers that stand for a gateway on the network (工具→网络端口…): a
// mapped number takes precedence over a device of the same number. Set by
// the program from its settings at the start and when the user changes them;
// empty until then.
const NetworkPortMap& NetworkPorts();
void SetNetworkPorts(NetworkPortMap ports);
std::optional<NetworkEndpoint> NetworkEndpointForPort(int number);

// Whether a port tries to get a lost device or connection back (自动重连):
// as chosen for its number, else on for a network port and off for a serial
// one (where the screens' "串口已断开" stays the default).
bool AutoReconnectForPort(int number);
void SetAutoReconnectChoices(std::map<int, bool> choices);
const std::map<int, bool>& AutoReconnectChoices();

// The system's serial ports in name order (full device paths on Linux).
QStringList SystemPortsInNameOrder();

// Name order for device names: runs of digits compare by their value, so
// ttyS2 comes before ttyS10; everything else compares character by character.
bool PortNameLess(const QString& a, const QString& b);

}  // namespace mt
