// SPDX-License-Identifier: GPL-3.0-or-later
#include <QComboBox>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "monitor/monitorwindow.h"
#include "monitor/portpanel.h"
#include "platform/savedsettings.h"
#include "platform/settingsstore.h"
#include "shell/monitorfactory.h"
#include "shell/startscreen.h"
#include "support/fakeserialport.h"
#include "support/recordingservices.h"

using namespace mt;
using mt::test::FakeSerialPort;
using mt::test::RecordingServices;

namespace {

std::shared_ptr<SettingsStore> StoreAt(const QString& path) {
    return std::make_shared<SettingsStore>(std::make_unique<QSettings>(path, QSettings::IniFormat));
}

// A monitor of `kind` on a fake port with these settings (or none).
std::unique_ptr<QWidget> Monitor(MeterKind kind, RecordingServices& recorder,
                                 std::shared_ptr<SettingsStore> settings) {
    Services services = recorder.services();
    services.settings = std::move(settings);
    return MakeMonitor(kind, std::make_unique<FakeSerialPort>(), services);
}

PortPanel* PanelOf(QWidget* monitor) {
    return monitor->findChild<PortPanel*>();
}

QString Choices(QWidget* monitor) {
    const PortPanel* panel = PanelOf(monitor);
    return QStringLiteral("com%1 %2 @%3")
        .arg(panel->selectedPortNumber())
        .arg(panel->settingsText(), panel->addressText());
}

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    // Each saved value is checked on its own: good ones are taken, bad ones
    // are named, unknown keys are passed over.
    void readSaved_data() {
        QTest::addColumn<QStringList>("pairs");    // key=value
        QTest::addColumn<QString>("taken");        // what was taken, as a short text
        QTest::addColumn<QStringList>("ignored");  // key=value of the ignored
        QTest::newRow("nothing") << QStringList{} << "- || | - -" << QStringList{};
        QTest::newRow("all good")
            << QStringList{"meter=rail",       "panel/port=5",     "panel/baud=19200",
                           "panel/parity=E",   "panel/dataBits=7", "panel/stopBits=2",
                           "panel/address=17", "rail/address=247", "analysis/nominalFrequency=60",
                           "trend/span=4",     "windows/bus=AAEC"}
            << "rail |5 19200 E 7 2 17|247 | 60 4" << QStringList{};
        QTest::newRow("out of range")
            << QStringList{"meter=water",      "panel/port=-1",
                           "panel/baud=12345", "panel/address=999",
                           "panel/parity=X",   "panel/dataBits=9",
                           "panel/stopBits=3", "rail/port=17",
                           "rail/address=0",   "analysis/nominalFrequency=55",
                           "trend/span=5"}
            << "- || | - -"
            << QStringList{"analysis/nominalFrequency=55",
                           "meter=water",
                           "panel/address=999",
                           "panel/baud=12345",
                           "panel/dataBits=9",
                           "panel/parity=X",
                           "panel/port=-1",
                           "panel/stopBits=3",
                           "rail/address=0",
                           "rail/port=17",
                           "trend/span=5"};
        QTest::newRow("not numbers")
            << QStringList{"panel/baud=9600x", "panel/address=", "panel/port=0x10",
                           "rail/baud= 9600", "panel/parity=NN"}
            << "- || | - -"
            << QStringList{"panel/address=", "panel/baud=9600x", "panel/parity=NN",
                           "panel/port=0x10", "rail/baud= 9600"};
        QTest::newRow("one bad among good ones")
            << QStringList{"panel/baud=19200", "panel/address=999", "panel/port=3"}
            << "- |3 19200 - - - -| | - -" << QStringList{"panel/address=999"};
        QTest::newRow("unknown keys and a broken window place")
            << QStringList{"colour=blue", "panel/colour=red", "windows/trend=not base64!",
                           "windows/=AAAA"}
            << "- || | - -" << QStringList{"windows/=AAAA", "windows/trend=not base64!"};
    }
    void readSaved() {
        QFETCH(QStringList, pairs);
        QFETCH(QString, taken);
        QFETCH(QStringList, ignored);
        std::map<std::string, std::string> values;
        for (const QString& pair : pairs) {
            const qsizetype eq = pair.indexOf(QLatin1Char('='));
            values[pair.left(eq).toStdString()] = pair.mid(eq + 1).toStdString();
        }
        std::vector<std::string> skipped;
        const SavedSettings s = ReadSavedSettings(values, &skipped);
        const auto n = [](const std::optional<int>& v) {
            return v ? QString::number(*v) : QStringLiteral("-");
        };
        const auto port = [&](const SavedPort& p) {
            if (p == SavedPort{}) {
                return QString();
            }
            return QStringLiteral("%1 %2 %3 %4 %5 %6")
                .arg(n(p.portNumber), n(p.baud),
                     p.parity ? QString(QLatin1Char(*p.parity)) : QStringLiteral("-"),
                     n(p.dataBits), n(p.stopBits), n(p.address));
        };
        QString got = QStringLiteral("%1 |%2|%3 | %4 %5")
                          .arg(s.meter ? QString::fromStdString(*s.meter) : QStringLiteral("-"),
                               port(s.panelPort),
                               s.railPort.address && !s.railPort.baud ? n(s.railPort.address)
                                                                      : port(s.railPort),
                               n(s.nominalFrequency), n(s.trendSpan));
        QCOMPARE(got, taken);
        QStringList gotIgnored;
        for (const std::string& key : skipped) {
            gotIgnored << QString::fromStdString(key);
        }
        QCOMPARE(gotIgnored, ignored);
    }

    // What is written comes back in the next store on the same file.
    void roundTrip() {
        QTemporaryDir dir;
        const QString path = dir.filePath("metertest.conf");
        {
            const auto store = StoreAt(path);
            QVERIFY(store->problem().isEmpty());
            store->setMeter("rail");
            store->setPort(false, SavedPort{4, 38400, 'O', 8, 2, 99});
            store->setGeometry("trend", QByteArray("\x01\x02\xff", 3));
            store->setNominalFrequency(60);
            store->setTrendSpan(3);
        }
        const auto again = StoreAt(path);
        QVERIFY2(again->problem().isEmpty(), qPrintable(again->problem()));
        QCOMPARE(again->saved().meter, std::optional<std::string>("rail"));
        QCOMPARE(again->saved().railPort, (SavedPort{4, 38400, 'O', 8, 2, 99}));
        QCOMPARE(again->saved().panelPort, SavedPort{});
        QCOMPARE(again->geometry("trend"), QByteArray("\x01\x02\xff", 3));
        QCOMPARE(again->saved().nominalFrequency, std::optional<int>(60));
        QCOMPARE(again->saved().trendSpan, std::optional<int>(3));

        // 恢复默认设置: nothing is left, and nothing more is written.
        again->forget();
        again->setMeter("panel");
        QCOMPARE(StoreAt(path)->saved(), SavedSettings{});
    }

    // A broken file gives the defaults (value by value) and one line to say so.
    void brokenFiles_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("anyTaken");
        QTest::newRow("garbage") << QByteArray("\x00\xff[[[=\n\x01\x02=\xfe\n", 13) << false;
        QTest::newRow("values out of range")
            << QByteArray("[panel]\nbaud=12345\naddress=999\nport=-1\n") << false;
        QTest::newRow("one good, one bad")
            << QByteArray("[rail]\nbaud=19200\naddress=999\n") << true;
    }
    void brokenFiles() {
        QFETCH(QByteArray, file);
        QFETCH(bool, anyTaken);
        QTemporaryDir dir;
        const QString path = dir.filePath("metertest.conf");
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
        out.close();
        const auto store = StoreAt(path);
        QCOMPARE(store->saved() != SavedSettings{}, anyTaken);
        if (QByteArray(QTest::currentDataTag()) != "garbage") {
            QVERIFY(store->problem().contains(QStringLiteral("address=999")));
        }
        // A monitor on it opens nothing and starts with what was good.
        RecordingServices recorder;
        const auto monitor = Monitor(MeterKind::DinRail, recorder, store);
        QVERIFY(!PanelOf(monitor.get())->shownOpen());
        QCOMPARE(Choices(monitor.get()), anyTaken ? QStringLiteral("com1 19200,N,8,1 @1")
                                                  : QStringLiteral("com1 9600,N,8,1 @1"));
    }

    // Without saved settings the first start is today's; choices made are
    // remembered per family and come back in the next start, without the
    // port being opened; a reset forgets them.
    void monitorsRemember() {
        QTemporaryDir dir;
        const QString path = dir.filePath("metertest.conf");
        RecordingServices recorder;
        {
            const auto plain = Monitor(MeterKind::PanelMount, recorder, nullptr);
            const auto first = Monitor(MeterKind::PanelMount, recorder, StoreAt(path));
            QCOMPARE(Choices(first.get()), Choices(plain.get()));
            QCOMPARE(first->size(), plain->size());
            PortPanel* panel = PanelOf(first.get());
            panel->pickPort(5);
            panel->useSettings(17, 19200, 'E', 8, 2);
            // Typed nonsense is not remembered.
            auto* address = panel->findChild<QComboBox*>(QStringLiteral("Combo1"));
            QVERIFY(address != nullptr);
            address->setEditText(QStringLiteral("abc"));
            QCOMPARE(panel->addressText(), QStringLiteral("abc"));
        }
        {
            const auto store = StoreAt(path);
            QVERIFY2(store->problem().isEmpty(), qPrintable(store->problem()));
            const auto panel = Monitor(MeterKind::PanelMount, recorder, store);
            QCOMPARE(Choices(panel.get()), QStringLiteral("com5 19200,E,8,2 @1"));
            QVERIFY(!PanelOf(panel.get())->shownOpen());
            // The other family keeps its own.
            const auto rail = Monitor(MeterKind::DinRail, recorder, store);
            QCOMPARE(Choices(rail.get()), QStringLiteral("com1 9600,N,8,1 @1"));
            panel->findChild<QAction*>(QStringLiteral("ResetSettingsAction"))->trigger();
        }
        const auto after = Monitor(MeterKind::PanelMount, recorder, StoreAt(path));
        QCOMPARE(Choices(after.get()), QStringLiteral("com1 9600,N,8,1 @1"));
    }

    // 帮助→语言 / Language: the choice is remembered for the next start, the
    // menu shows it checked, and the interface stays as it is until then.
    void languageMenu() {
        QTemporaryDir dir;
        const QString path = dir.filePath("metertest.conf");
        RecordingServices recorder;
        {
            const auto monitor = Monitor(MeterKind::PanelMount, recorder, StoreAt(path));
            auto* chinese = monitor->findChild<QAction*>(QStringLiteral("LanguageChineseAction"));
            auto* english = monitor->findChild<QAction*>(QStringLiteral("LanguageEnglishAction"));
            QVERIFY(chinese->isChecked());
            QVERIFY(!english->isChecked());
            english->trigger();
            QVERIFY(english->isChecked());
            QVERIFY(!chinese->isChecked());
            QCOMPARE(monitor->findChild<QLabel*>(QStringLiteral("HintLine"))->text(),
                     QStringLiteral("界面语言在下次启动时改为English"));
            QCOMPARE(monitor->windowTitle(), QStringLiteral("仪表测试 - 嵌入式多功能电力仪表"));
        }
        const auto store = StoreAt(path);
        QCOMPARE(store->saved().language, std::optional<std::string>("en"));
        const auto again = Monitor(MeterKind::DinRail, recorder, store);
        QVERIFY(again->findChild<QAction*>(QStringLiteral("LanguageEnglishAction"))->isChecked());
        again->findChild<QAction*>(QStringLiteral("LanguageChineseAction"))->trigger();
        QCOMPARE(StoreAt(path)->saved().language, std::optional<std::string>("zh"));
        QCOMPARE(again->findChild<QLabel*>(QStringLiteral("HintLine"))->text(),
                 QStringLiteral("界面语言保持为中文"));
        // Without a store (tests, automation) there is nothing to choose.
        const auto bare = Monitor(MeterKind::PanelMount, recorder, nullptr);
        QVERIFY(!bare->findChild<QAction*>(QStringLiteral("LanguageEnglishAction"))->isEnabled());
    }

    // The selection screen starts at the family chosen last time.
    void selectionRemembersTheFamily() {
        QTemporaryDir dir;
        const QString path = dir.filePath("metertest.conf");
        RecordingServices recorder;
        std::unique_ptr<QWidget> made;
        const auto factory = [&](MeterKind) {
            made = std::make_unique<QWidget>();
            return made.get();
        };
        Services services = recorder.services();
        services.settings = StoreAt(path);
        {
            StartScreen start(factory, services);
            QCOMPARE(start.meterTypeList->currentIndex(), 0);
            start.meterTypeList->setCurrentIndex(1);
            start.onEnterClicked();
        }
        services.settings = StoreAt(path);
        StartScreen again(factory, services);
        QCOMPARE(again.meterTypeList->currentIndex(), 1);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
