// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include "platform/portholder.h"

// Who holds a busy port: lock files as QSerialPort and other serial programs
// leave them (process id, program, host, one per line).
class TestPortHolder : public QObject {
    Q_OBJECT

private slots:
    void lockFileNames_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("name");
        QTest::newRow("USB converter") << "/dev/ttyUSB0"
                                       << "LCK..ttyUSB0";
        QTest::newRow("pseudo-terminal") << "/dev/pts/3"
                                         << "LCK..pts_3";
        QTest::newRow("outside /dev") << "/tmp/x/tty"
                                      << "LCK.._tmp_x_tty";
    }
    // The name must be the one QSerialPort gives its lock file, or a busy
    // port's holder is never found.
    void lockFileNames() {
        QFETCH(QString, device);
        QFETCH(QString, name);
        QCOMPARE(mt::SerialLockFileName(device), name);
    }

    void lockFiles_data() {
        const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
        // Far above any process id the kernel hands out.
        const QByteArray gone = "2147483000";
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<qint64>("pid");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("host");
        QTest::newRow("running here")
            << self + "\nminicom\n" + host + "\n"
            << qint64(QCoreApplication::applicationPid()) << "minicom" << QString::fromUtf8(host);
        QTest::newRow("stale: the process is gone") << gone + "\nminicom\n" + host + "\n"
                                                    << qint64(0) << QString() << QString();
        QTest::newRow("another computer: cannot be checked") << gone + "\ncu\nbench-pc-7\n"
                                                             << gone.toLongLong() << "cu"
                                                             << "bench-pc-7";
        QTest::newRow("not a lock file")
            << QByteArray("hello\n") << qint64(0) << QString() << QString();
        QTest::newRow("empty") << QByteArray() << qint64(0) << QString() << QString();
    }
    void lockFiles() {
        QFETCH(QByteArray, contents);
        QFETCH(qint64, pid);
        QFETCH(QString, program);
        QFETCH(QString, host);
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("LCK..ttyUSB0")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        const auto holder = mt::LockFileHolder(file.fileName());
        QCOMPARE(holder.has_value(), pid != 0);
        if (holder) {
            QCOMPARE(holder->pid, pid);
            QCOMPARE(holder->program, program);
            QCOMPARE(holder->host, host);
        }
    }

    void noLockFileNoHolder() {
        QTemporaryDir folder;
        QVERIFY(!mt::LockFileHolder(folder.filePath(QStringLiteral("LCK..ttyS9"))));
        // A device nobody locked in any way.
        QTemporaryFile device;
        QVERIFY(device.open());
        QVERIFY(!mt::FindPortHolder(device.fileName()));
        QVERIFY(!mt::FindPortHolder(QString()));
    }
};

QTEST_GUILESS_MAIN(TestPortHolder)
#include "tst_portholder.moc"
