// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/arrivalwatch.h"

using mt::ArrivalWatch;
using mt::SteadyNowNs;

namespace {

// A pseudo-terminal whose slave is set up as the serial component sets up a
// port (raw, no echo); the test writes on the master as a meter would answer.
class RawPty {
public:
    RawPty() {
        if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) {
            return;
        }
        termios raw{};
        ::tcgetattr(slave_, &raw);
        ::cfmakeraw(&raw);
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        ::tcsetattr(slave_, TCSANOW, &raw);
        ::fcntl(slave_, F_SETFL, ::fcntl(slave_, F_GETFL) | O_NONBLOCK);
    }
    ~RawPty() {
        closeMaster();
        if (slave_ >= 0) {
            ::close(slave_);
        }
    }
    RawPty(const RawPty&) = delete;
    RawPty& operator=(const RawPty&) = delete;

    bool valid() const { return master_ >= 0 && slave_ >= 0; }
    int slave() const { return slave_; }
    bool send(const QByteArray& bytes) {
        return ::write(master_, bytes.constData(), bytes.size()) == bytes.size();
    }
    QByteArray drain() {
        QByteArray got;
        char buffer[256];
        ssize_t n;
        while ((n = ::read(slave_, buffer, sizeof buffer)) > 0) {
            got.append(buffer, n);
        }
        return got;
    }
    void closeMaster() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

private:
    int master_ = -1;
    int slave_ = -1;
};

// Waits, without busy looping, until the watch notes an arrival after `since`.
bool NotedAfter(const ArrivalWatch& watch, std::int64_t since) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        if (watch.lastArrivalNs() > since) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

}  // namespace

class TestArrivalWatch : public QObject {
    Q_OBJECT

private slots:
    // Every new burst is noted, also while earlier bytes still lie unread
    // (the user-interface thread sleeps through the answer window and reads
    // afterwards), when it is no longer than the one before, and when it
    // comes byte by byte.
    void everyBurstNoted_data() {
        QTest::addColumn<bool>("readBetween");
        QTest::addColumn<int>("bytesPerWrite");
        QTest::newRow("bytes left unread") << false << 9;
        QTest::newRow("bytes read between bursts") << true << 9;
        QTest::newRow("unread, byte by byte") << false << 1;
    }
    void everyBurstNoted() {
        QFETCH(bool, readBetween);
        QFETCH(int, bytesPerWrite);
        RawPty pty;
        QVERIFY(pty.valid());
        ArrivalWatch watch;
        QVERIFY(watch.start(pty.slave()));
        QCOMPARE(watch.lastArrivalNs(), std::int64_t{0});
        const QByteArray answer = QByteArray::fromHex("010304000A0014F3F8");
        qsizetype unread = 0;
        for (int burst = 0; burst < 4; ++burst) {
            const std::int64_t before = SteadyNowNs();
            for (qsizetype at = 0; at < answer.size(); at += bytesPerWrite) {
                QVERIFY(pty.send(answer.mid(at, bytesPerWrite)));
            }
            QVERIFY2(NotedAfter(watch, before), qPrintable(QStringLiteral("burst %1").arg(burst)));
            QVERIFY(watch.lastArrivalNs() <= SteadyNowNs());
            unread += answer.size();
            if (readBetween) {
                // The pseudo-terminal may still be passing bytes on.
                QTRY_COMPARE(unread -= pty.drain().size(), qsizetype{0});
            }
        }
        // The watch never reads: every byte is still there for the port.
        if (!readBetween) {
            QTRY_COMPARE(unread -= pty.drain().size(), qsizetype{0});
        }
    }

    // With nothing arriving the watch sleeps: no wake-up while idle, before
    // and after input, and also with bytes lying unread.
    void idleWithoutWakeups() {
        RawPty pty;
        QVERIFY(pty.valid());
        ArrivalWatch watch;
        QVERIFY(watch.start(pty.slave()));
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        QCOMPARE(watch.wakeups(), std::uint64_t{0});
        const std::int64_t before = SteadyNowNs();
        QVERIFY(pty.send(QByteArray("\x01\x02\x03", 3)));
        QVERIFY(NotedAfter(watch, before));
        // One burst, which the pseudo-terminal may pass on in a few pieces.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const std::uint64_t afterBurst = watch.wakeups();
        QVERIFY(afterBurst >= 1 && afterBurst <= 3);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        QCOMPARE(watch.wakeups(), afterBurst);
    }

    // The other end going away is reported once, not over and over: the
    // watch must not spin on a hung-up device while its owner notices.
    void hangUpDoesNotSpin() {
        RawPty pty;
        QVERIFY(pty.valid());
        ArrivalWatch watch;
        QVERIFY(watch.start(pty.slave()));
        pty.closeMaster();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        QVERIFY2(watch.wakeups() <= 2, qPrintable(QString::number(watch.wakeups())));
        watch.stop();
        QVERIFY(!watch.running());
    }

    // Stopping ends the thread at once, also twice and without a start; a
    // new start forgets the old arrival, and bytes that were waiting before
    // it are no arrival.
    void stopAndRestart() {
        RawPty pty;
        QVERIFY(pty.valid());
        ArrivalWatch watch;
        watch.stop();
        QVERIFY(watch.start(pty.slave()));
        QVERIFY(watch.running());
        const std::int64_t first = SteadyNowNs();
        QVERIFY(pty.send(QByteArray("\x01", 1)));
        QVERIFY(NotedAfter(watch, first));
        watch.stop();
        watch.stop();
        QVERIFY(!watch.running());
        QVERIFY(watch.start(pty.slave()));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        QCOMPARE(watch.lastArrivalNs(), std::int64_t{0});
        QCOMPARE(watch.wakeups(), std::uint64_t{0});
        const std::int64_t before = SteadyNowNs();
        QVERIFY(pty.send(QByteArray("\x02", 1)));
        QVERIFY(NotedAfter(watch, before));
        QCOMPARE(pty.drain().size(), 2);
    }

    // What cannot be watched leaves the time unknown instead of failing.
    void unwatchableDescriptor_data() {
        QTest::addColumn<bool>("regularFile");
        QTest::newRow("no descriptor") << false;
        QTest::newRow("a regular file") << true;
    }
    void unwatchableDescriptor() {
        QFETCH(bool, regularFile);
        QTemporaryFile file;
        QVERIFY(file.open());
        ArrivalWatch watch;
        QVERIFY(!watch.start(regularFile ? file.handle() : -1));
        QVERIFY(!watch.running());
        QCOMPARE(watch.lastArrivalNs(), std::int64_t{0});
        watch.stop();
    }
};

QTEST_GUILESS_MAIN(TestArrivalWatch)
#include "tst_arrivalwatch.moc"
