// SPDX-License-Identifier: GPL-3.0-or-later
#include <QElapsedTimer>
#include <QtTest>

#include "platform/services.h"

namespace {

class Marker : public QObject {
public:
    int customEvents = 0;

protected:
    void customEvent(QEvent*) override { ++customEvents; }
};

}  // namespace

// The pause of the polling cycles: a sleep, then one round of processing of
// everything pending, which is how answers and clicks reach their handlers.
class TestServices : public QObject {
    Q_OBJECT

private slots:
    void pauseRunsPendingEvents_data() {
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("no sleep") << 0;
        QTest::newRow("negative") << -5;
        QTest::newRow("1 ms") << 1;
        QTest::newRow("30 ms") << 30;
    }
    void pauseRunsPendingEvents() {
        QFETCH(int, milliseconds);
        Marker marker;
        bool queuedCallRan = false;
        bool zeroTimerFired = false;
        QCoreApplication::postEvent(&marker, new QEvent(QEvent::User));
        QMetaObject::invokeMethod(
            &marker, [&queuedCallRan] { queuedCallRan = true; }, Qt::QueuedConnection);
        QTimer::singleShot(0, &marker, [&zeroTimerFired] { zeroTimerFired = true; });

        mt::SleepThenProcessEvents(milliseconds);

        QCOMPARE(marker.customEvents, 1);
        QVERIFY(queuedCallRan);
        QVERIFY(zeroTimerFired);
    }

    // A timer that falls due during the sleep runs in the processing after it.
    void timerDueDuringTheSleepRuns() {
        bool fired = false;
        QTimer::singleShot(5, [&fired] { fired = true; });
        mt::SleepThenProcessEvents(60);
        QVERIFY(fired);
    }

    // The production pause sleeps at least as long as asked, then runs what
    // is pending; the production end of the program ends the event loop.
    void productionServices() {
        const mt::Services services = mt::Services::production();
        bool ran = false;
        QMetaObject::invokeMethod(
            this, [&ran] { ran = true; }, Qt::QueuedConnection);
        QElapsedTimer clock;
        clock.start();
        services.pause(40);
        QVERIFY(clock.elapsed() >= 40);
        QVERIFY(ran);

        QTimer::singleShot(0, [&services] { services.endProgram(); });
        QTimer failsafe;
        failsafe.setSingleShot(true);
        QObject::connect(&failsafe, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        failsafe.start(10000);
        QCOMPARE(QCoreApplication::exec(), 0);
    }
};

QTEST_GUILESS_MAIN(TestServices)
#include "tst_services.moc"
