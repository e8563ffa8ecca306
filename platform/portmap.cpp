// SPDX-License-Identifier: GPL-3.0-or-later
#include "portmap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStandardPaths>
#include <algorithm>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#include <pwd.h>
#include <unistd.h>
#include <cerrno>
#include <vector>
#define METERTEST_XDG_RUNTIME 1
#endif

namespace mt {

namespace {

// The digit run of `s` that starts at `pos`, without its leading zeros.
QStringView DigitRun(const QString& s, qsizetype& pos) {
    const qsizetype begin = pos;
    while (pos < s.size() && s[pos].isDigit()) {
        ++pos;
    }
    qsizetype first = begin;
    while (first + 1 < pos && s[first] == QLatin1Char('0')) {
        ++first;
    }
    return QStringView(s).mid(first, pos - first);
}

#if defined(METERTEST_XDG_RUNTIME)
// The login name of the effective user, empty when the system does not know it.
QString UserName() {
    const long hint = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(hint > 0 ? static_cast<std::size_t>(hint) : 1024);
    passwd entry{};
    passwd* found = nullptr;
    while (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE) {
        buffer.resize(buffer.size() * 2);
    }
    return found != nullptr ? QFile::decodeName(found->pw_name) : QString();
}
#endif

}  // namespace

QString RuntimeFolder() {
#if defined(METERTEST_XDG_RUNTIME)
    // Without XDG_RUNTIME_DIR (a shell outside a desktop session, su, cron)
    // Qt falls back to <temp>/runtime-<user> and warns about the variable at
    // every call. The same folder is worked out here without the warning, so
    // metertest still meets the links that metersim (which asks Qt) makes.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        return QDir::tempPath() + QStringLiteral("/runtime-") + UserName();
    }
#endif
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

void SetRuntimeFolderVariable() {
#if defined(METERTEST_XDG_RUNTIME)
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(RuntimeFolder()));
    }
#endif
}

QString PortLinkFolder() {
    return RuntimeFolder() + QStringLiteral("/metertest/ports");
}

bool PortNameLess(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const QStringView x = DigitRun(a, i);
            const QStringView y = DigitRun(b, j);
            if (x.size() != y.size()) {
                return x.size() < y.size();
            }
            if (const int c = x.compare(y); c != 0) {
                return c < 0;
            }
            continue;
        }
        if (a[i] != b[j]) {
            return a[i] < b[j];
        }
        ++i;
        ++j;
    }
    if ((i < a.size()) != (j < b.size())) {
        return j < b.size();  // the shorter name comes first
    }
    return a < b;  // equal up to leading zeros: keep a strict order
}

QStringList SystemPortsInNameOrder() {
    QStringList ports;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : infos) {
        ports << info.systemLocation();
    }
    std::sort(ports.begin(), ports.end(), &PortNameLess);
    ports.removeDuplicates();
    return ports;
}

QString DeviceForPort(int number) {
    if (number <= 0) {
        return {};
    }
    const QFileInfo link(PortLinkFolder() + QStringLiteral("/com%1").arg(number));
    if (link.exists() || link.isSymLink()) {
        // Show and open the device itself: its name tells the user what the
        // port is, and other programs lock it under that name.
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty()) {
            return target;
        }
        // A link to a device that is gone: name the missing device, and let
        // the opening fail rather than pick some other port.
        return link.isSymLink() ? link.symLinkTarget() : link.absoluteFilePath();
    }
#if defined(Q_OS_WIN)
    return QStringLiteral("COM%1").arg(number);
#else
    const QStringList ports = SystemPortsInNameOrder();
    return number <= ports.size() ? ports.at(number - 1) : QString();
#endif
}

namespace {

NetworkPortMap& NetworkPortTable() {
    static NetworkPortMap ports;
    return ports;
}

std::map<int, bool>& ReconnectTable() {
    static std::map<int, bool> choices;
    return choices;
}

}  // namespace

const NetworkPortMap& NetworkPorts() {
    return NetworkPortTable();
}

void SetNetworkPorts(NetworkPortMap ports) {
    NetworkPortTable() = std::move(ports);
}

std::optional<NetworkEndpoint> NetworkEndpointForPort(int number) {
    const auto found = NetworkPortTable().find(number);
    if (found == NetworkPortTable().end()) {
        return std::nullopt;
    }
    return found->second;
}

bool AutoReconnectForPort(int number) {
    const auto found = ReconnectTable().find(number);
    return found != ReconnectTable().end() ? found->second
                                           : NetworkEndpointForPort(number).has_value();
}

void SetAutoReconnectChoices(std::map<int, bool> choices) {
    ReconnectTable() = std::move(choices);
}

const std::map<int, bool>& AutoReconnectChoices() {
    return ReconnectTable();
}

}  // namespace mt
