// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include "platform/portmap.h"

// Port numbers reach devices through links in the per-user port folder; the
// folder follows XDG_RUNTIME_DIR, which each test points at a fresh folder.
class TestPortMap : public QObject {
    Q_OBJECT

private:
    QTemporaryDir runtime_;
    QTemporaryDir devices_;

    QString makeDevice(const QString& name) {
        const QString path = devices_.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            return {};
        }
        return QFileInfo(path).canonicalFilePath();
    }
    bool link(int number, const QString& target) {
        QDir().mkpath(mt::PortLinkFolder());
        const QString path = mt::PortLinkFolder() + QStringLiteral("/com%1").arg(number);
        QFile::remove(path);
        return QFile::link(target, path);
    }

private slots:
    void initTestCase() {
        QVERIFY(runtime_.isValid());
        QVERIFY(devices_.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
    }
    void cleanup() { QDir(mt::PortLinkFolder()).removeRecursively(); }

    void folderIsUnderTheRuntimeLocation() {
        QCOMPARE(mt::PortLinkFolder(), runtime_.path() + QStringLiteral("/metertest/ports"));
    }

    // Without XDG_RUNTIME_DIR the folder is the one Qt falls back to, where
    // metersim makes its links, and finding it prints no warning.
    void folderWithoutRuntimeVariable() {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray tmpdir = qgetenv("TMPDIR");
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", temp.path().toLocal8Bit());
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        const QString ours = mt::PortLinkFolder();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("XDG_RUNTIME_DIR")));
        const QString qts = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
                            QStringLiteral("/metertest/ports");
        qputenv("XDG_RUNTIME_DIR", runtime);
        if (tmpdir.isNull()) {
            qunsetenv("TMPDIR");
        } else {
            qputenv("TMPDIR", tmpdir);
        }
        QCOMPARE(ours, qts);
        QVERIFY2(ours.startsWith(QDir(temp.path()).canonicalPath() + QStringLiteral("/runtime-")) ||
                     ours.startsWith(temp.path() + QStringLiteral("/runtime-")),
                 qPrintable(ours));
    }

    // metertest's start names the fallback folder when the session gives
    // none, and keeps any folder it is given.
    void runtimeVariable_data() {
        QTest::addColumn<bool>("set");
        QTest::addColumn<QString>("value");
        QTest::newRow("unset") << false << QString();
        QTest::newRow("empty") << true << QString();
        QTest::newRow("given") << true << QStringLiteral("/run/user/4242");
    }
    void runtimeVariable() {
        QFETCH(bool, set);
        QFETCH(QString, value);
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray tmpdir = qgetenv("TMPDIR");
        qputenv("TMPDIR", temp.path().toLocal8Bit());
        if (set) {
            qputenv("XDG_RUNTIME_DIR", value.toLocal8Bit());
        } else {
            qunsetenv("XDG_RUNTIME_DIR");
        }
        const QString fallback = mt::RuntimeFolder();
        mt::SetRuntimeFolderVariable();
        const QString after = qEnvironmentVariable("XDG_RUNTIME_DIR");
        QString qts;
        if (value.isEmpty()) {
            // Qt now takes the folder as given, without a word.
            QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
            qts = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        }
        qputenv("XDG_RUNTIME_DIR", runtime);
        if (tmpdir.isNull()) {
            qunsetenv("TMPDIR");
        } else {
            qputenv("TMPDIR", tmpdir);
        }
        if (value.isEmpty()) {
            QCOMPARE(after, fallback);
            QCOMPARE(qts, fallback);
        } else {
            QCOMPARE(after, value);
        }
    }

    void linkStandsForItsDevice() {
        const QString device = makeDevice(QStringLiteral("ttyFAKE3"));
        QVERIFY(link(3, device));
        QCOMPARE(mt::DeviceForPort(3), device);
    }

    // A relative link is resolved against the folder it lies in, and a chain
    // of links ends at the device itself.
    void linkChainsAndRelativeLinksResolve() {
        const QString device = makeDevice(QStringLiteral("ttyFAKE4"));
        const QString hop = devices_.filePath(QStringLiteral("hop"));
        QVERIFY(QFile::link(device, hop));
        QVERIFY(link(4, hop));
        QCOMPARE(mt::DeviceForPort(4), device);

        QVERIFY(link(5, QStringLiteral("com4")));
        QCOMPARE(mt::DeviceForPort(5), device);
    }

    // A link to a device that is gone must not fall through to some other
    // port of the system: it names the missing device, and opening it fails.
    void danglingLinkNamesTheMissingDevice() {
        const QString missing = devices_.filePath(QStringLiteral("unplugged"));
        QVERIFY(link(1, missing));
        QCOMPARE(mt::DeviceForPort(1), missing);
    }

    void linkOfOneNumberLeavesOthersAlone() {
        QVERIFY(link(2, makeDevice(QStringLiteral("ttyFAKE2"))));
#if defined(Q_OS_WIN)
        QCOMPARE(mt::DeviceForPort(1), QStringLiteral("COM1"));
#else
        QCOMPARE(mt::DeviceForPort(1), mt::SystemPortsInNameOrder().value(0));
#endif
    }

    void numbersWithoutDevice_data() {
        QTest::addColumn<int>("number");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -1;
        QTest::newRow("most negative") << std::numeric_limits<int>::min();
#if !defined(Q_OS_WIN)
        QTest::newRow("past the system's ports")
            << static_cast<int>(mt::SystemPortsInNameOrder().size()) + 1;
#endif
    }
    void numbersWithoutDevice() {
        QFETCH(int, number);
        QCOMPARE(mt::DeviceForPort(number), QString());
    }

    // Links for numbers 0 or below are never looked at.
    void linkForNumberZeroIsIgnored() {
        QVERIFY(link(0, makeDevice(QStringLiteral("ttyFAKE0"))));
        QCOMPARE(mt::DeviceForPort(0), QString());
    }

    void systemPortsAreInNameOrder() {
        const QStringList ports = mt::SystemPortsInNameOrder();
        for (qsizetype i = 1; i < ports.size(); ++i) {
            QVERIFY2(mt::PortNameLess(ports[i - 1], ports[i]), qPrintable(ports.join(' ')));
        }
    }

    void nameOrder_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("less");
        QTest::newRow("digit by value") << "/dev/ttyS2"
                                        << "/dev/ttyS10" << true;
        QTest::newRow("digit by value, reversed") << "/dev/ttyS10"
                                                  << "/dev/ttyS2" << false;
        QTest::newRow("same") << "/dev/ttyS1"
                              << "/dev/ttyS1" << false;
        QTest::newRow("family before number") << "/dev/ttyS9"
                                              << "/dev/ttyUSB0" << true;
        QTest::newRow("USB after S") << "/dev/ttyUSB0"
                                     << "/dev/ttyS31" << false;
        QTest::newRow("ACM before S") << "/dev/ttyACM5"
                                      << "/dev/ttyS0" << true;
        QTest::newRow("prefix first") << "/dev/ttyS"
                                      << "/dev/ttyS0" << true;
        QTest::newRow("long numbers") << "/dev/ttyS99999999999999999998"
                                      << "/dev/ttyS99999999999999999999" << true;
        QTest::newRow("leading zeros count as value") << "/dev/ttyS002"
                                                      << "/dev/ttyS10" << true;
        QTest::newRow("zeros tie broken") << "/dev/ttyS01"
                                          << "/dev/ttyS1" << true;
        QTest::newRow("zeros tie, reversed") << "/dev/ttyS1"
                                             << "/dev/ttyS01" << false;
        QTest::newRow("windows names") << "COM2"
                                       << "COM10" << true;
        QTest::newRow("empty first") << ""
                                     << "COM1" << true;
        QTest::newRow("empty both") << ""
                                    << "" << false;
    }
    void nameOrder() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, less);
        QCOMPARE(mt::PortNameLess(a, b), less);
    }

    void sortingMixedNames() {
        QStringList names{"/dev/ttyUSB1", "/dev/ttyS10", "/dev/ttyS2",
                          "/dev/ttyUSB0", "/dev/ttyS0",  "/dev/ttyACM0"};
        std::sort(names.begin(), names.end(), &mt::PortNameLess);
        QCOMPARE(names, (QStringList{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10",
                                     "/dev/ttyUSB0", "/dev/ttyUSB1"}));
    }
};

QTEST_GUILESS_MAIN(TestPortMap)
#include "tst_portmap.moc"
