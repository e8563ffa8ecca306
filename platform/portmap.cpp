#include "portmap.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStandardPaths>
#include <algorithm>

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

}  // namespace

QString PortLinkFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/metertest/ports");
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

}  // namespace mt
