// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "serialport.h"

namespace mt {

// The folders in which programs leave lock files for serial devices, in the
// order QSerialPort tries them.
QStringList SerialLockFolders();

// The name of a device's lock file: "LCK.." and the device's path without
// "/dev/", every further "/" turned into "_" (/dev/ttyUSB0 -> LCK..ttyUSB0,
// /dev/pts/3 -> LCK..pts_3).
QString SerialLockFileName(const QString& device);

// The program behind a lock file: its process id, program and host name as
// the file states them. Nothing when the file is missing or unreadable, or
// when it names a process of this computer that no longer runs (a stale lock).
std::optional<PortHolder> LockFileHolder(const QString& lockFile);

// Who holds `device`, as far as the system tells: the program behind the
// device's lock file in the first lock folder that has one, else (Linux) the
// process that holds an flock() on the device, as /proc/locks tells. Nothing
// when neither tells.
std::optional<PortHolder> FindPortHolder(const QString& device);

}  // namespace mt
