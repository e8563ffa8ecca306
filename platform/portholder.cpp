// SPDX-License-Identifier: GPL-3.0-or-later
#include "portholder.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>

#if defined(Q_OS_UNIX)
#include <signal.h>
#include <sys/stat.h>
#include <cerrno>
#endif
#if defined(Q_OS_LINUX)
#include <sys/sysmacros.h>
#endif

namespace mt {

namespace {

#if defined(Q_OS_UNIX)
bool ProcessRuns(qint64 pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}
#endif

#if defined(Q_OS_LINUX)
// The name of a running process: its executable's file name where we may
// read it, else the kernel's short name for it.
QString ProgramOfProcess(qint64 pid) {
    const QString proc = QStringLiteral("/proc/%1/").arg(pid);
    const QString executable = QFileInfo(proc + QStringLiteral("exe")).symLinkTarget();
    if (!executable.isEmpty()) {
        return QFileInfo(executable).fileName();
    }
    QFile comm(proc + QStringLiteral("comm"));
    if (comm.open(QIODevice::ReadOnly)) {
        return QString::fromLocal8Bit(comm.readAll().trimmed());
    }
    return {};
}

// The process holding an flock() on `device`, from /proc/locks, whose lines
// read "1: FLOCK  ADVISORY  WRITE 1234 00:19:7 0 EOF" (process id, then the
// file's device as hexadecimal major:minor and its inode number). Waiting
// requests ("1: -> FLOCK ...") hold nothing and are passed over.
std::optional<PortHolder> FlockHolder(const QString& device) {
    struct stat info {};
    if (::stat(QFile::encodeName(device).constData(), &info) != 0) {
        return std::nullopt;
    }
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return std::nullopt;
    }
    const QString file = QStringLiteral("%1:%2:%3")
                             .arg(major(info.st_dev), 2, 16, QLatin1Char('0'))
                             .arg(minor(info.st_dev), 2, 16, QLatin1Char('0'))
                             .arg(info.st_ino);
    // Files under /proc report a size of 0: read to the end, not by size.
    const QStringList lines = QString::fromLatin1(locks.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() < 6 || fields.at(1) != QLatin1String("FLOCK") ||
            fields.at(5).compare(file, Qt::CaseInsensitive) != 0) {
            continue;
        }
        bool ok = false;
        const qint64 pid = fields.at(4).toLongLong(&ok);
        if (ok && pid > 0) {
            return PortHolder{pid, ProgramOfProcess(pid), {}};
        }
    }
    return std::nullopt;
}
#endif

}  // namespace

QStringList SerialLockFolders() {
    return {QStringLiteral("/var/lock"),
            QStringLiteral("/etc/locks"),
            QStringLiteral("/var/spool/locks"),
            QStringLiteral("/var/spool/uucp"),
            QStringLiteral("/tmp"),
            QStringLiteral("/var/tmp"),
            QStringLiteral("/var/lock/lockdev"),
            QStringLiteral("/run/lock")};
}

QString SerialLockFileName(const QString& device) {
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + name;
}

std::optional<PortHolder> LockFileHolder(const QString& lockFile) {
    if (!QFileInfo::exists(lockFile)) {
        return std::nullopt;
    }
    PortHolder holder;
    if (!QLockFile(lockFile).getLockInfo(&holder.pid, &holder.host, &holder.program) ||
        holder.pid <= 0) {
        return std::nullopt;
    }
#if defined(Q_OS_UNIX)
    const bool here = holder.host.isEmpty() || holder.host == QSysInfo::machineHostName();
    if (here && !ProcessRuns(holder.pid)) {
        return std::nullopt;
    }
#endif
    return holder;
}

std::optional<PortHolder> FindPortHolder(const QString& device) {
    if (device.isEmpty()) {
        return std::nullopt;
    }
    const QString name = SerialLockFileName(device);
    for (const QString& folder : SerialLockFolders()) {
        const QString lockFile = folder + QLatin1Char('/') + name;
        if (QFileInfo::exists(lockFile)) {
            // The first lock file found is the one QSerialPort took.
            if (auto holder = LockFileHolder(lockFile)) {
                return holder;
            }
            break;
        }
    }
#if defined(Q_OS_LINUX)
    return FlockHolder(device);
#else
    return std::nullopt;
#endif
}

}  // namespace mt
