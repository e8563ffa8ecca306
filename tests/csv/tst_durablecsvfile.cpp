// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>
#include <csignal>

#include "csv/csvtext.h"
#include "csv/durablecsvfile.h"

using namespace mt;

namespace {

const QStringList kHeader = {QStringLiteral("时间"), QStringLiteral("相电压Uan (V)")};
const QByteArray kHeaderBytes = "\xEF\xBB\xBF" + QStringLiteral("时间,相电压Uan (V)\r\n").toUtf8();
const QString kGone = QStringLiteral("记录文件或其所在的文件夹、介质已不存在");

QStringList Row(int i) {
    return {QStringLiteral("t%1").arg(i), QString::number(i * 10)};
}
QByteArray RowBytes(int i) {
    return QStringLiteral("t%1,%2\r\n").arg(i).arg(i * 10).toUtf8();
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace

class TestDurableCsvFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString at(const QString& name) const { return dir_.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        qputenv("TZ", "CST-8");  // local time eight hours ahead, no zone database needed
        QFile plain(at(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("readonly")));
        QVERIFY(QFile::setPermissions(at(QStringLiteral("readonly")),
                                      QFile::ReadOwner | QFile::ExeOwner));
    }

    void csvLine_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("plain") << QStringList{"a", "1.5", "b"} << QByteArray("a,1.5,b\r\n");
        QTest::newRow("stale cells empty") << QStringList{"a", "", "b"} << QByteArray("a,,b\r\n");
        QTest::newRow("comma") << QStringList{"a,b", "c"} << QByteArray("\"a,b\",c\r\n");
        QTest::newRow("quote") << QStringList{"say \"hi\""} << QByteArray("\"say \"\"hi\"\"\"\r\n");
        QTest::newRow("CR") << QStringList{"a\rb"} << QByteArray("\"a\rb\"\r\n");
        QTest::newRow("LF") << QStringList{"a\nb", "c"} << QByteArray("\"a\nb\",c\r\n");
        QTest::newRow("CRLF") << QStringList{"a\r\nb"} << QByteArray("\"a\r\nb\"\r\n");
        QTest::newRow("blanks at the ends")
            << QStringList{" a", "b ", "\tc", "d e"} << QByteArray("\" a\",\"b \",\"\tc\",d e\r\n");
        QTest::newRow("Chinese") << QStringList{QStringLiteral("相电压Uan (V)"), "1"}
                                 << (QStringLiteral("相电压Uan (V)").toUtf8() + ",1\r\n");
        QTest::newRow("no cells") << QStringList{} << QByteArray("\r\n");
        QTest::newRow("one empty cell") << QStringList{""} << QByteArray("\"\"\r\n");
    }
    void csvLine() {
        QFETCH(QStringList, cells);
        QTEST(CsvLine(cells), "bytes");
    }

    void csvTimeText_data() {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QString>("text");
        const QDate day(2026, 12, 8);
        QTest::newRow("offset +8") << QDateTime(day, QTime(21, 45, 1, 234), QTimeZone(8 * 3600))
                                   << "2026-12-08T21:45:01.234+08:00";
        QTest::newRow("offset -3:30")
            << QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 67), QTimeZone(-(3 * 3600 + 1800)))
            << "2026-01-02T03:04:05.067-03:30";
        QTest::newRow("UTC") << QDateTime(day, QTime(13, 45, 1, 234), QTimeZone::utc())
                             << "2026-12-08T13:45:01.234+00:00";
        QTest::newRow("offset 0, whole second")
            << QDateTime(day, QTime(0, 0), QTimeZone(0)) << "2026-12-08T00:00:00.000+00:00";
        QTest::newRow("local") << QDateTime(day, QTime(21, 45, 1, 234))
                               << "2026-12-08T21:45:01.234+08:00";
        QTest::newRow("UTC made local")
            << QDateTime(day, QTime(23, 0, 0, 5), QTimeZone::utc()).toLocalTime()
            << "2026-12-09T07:00:00.005+08:00";
        QTest::newRow("invalid") << QDateTime() << "";
    }
    void csvTimeText() {
        QFETCH(QDateTime, time);
        QTEST(CsvTimeText(time), "text");
    }

    // Rows reach the file in order, exactly as CsvLine makes them, and each is
    // reported; a new recording on the same path starts the file afresh.
    void roundTrip_data() {
        QTest::addColumn<int>("rows");
        QTest::newRow("a few") << 3;
        QTest::newRow("many at once") << 3000;
    }
    void roundTrip() {
        QFETCH(int, rows);
        const QString path = at(QStringLiteral("round.csv"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(QByteArray(200000, 'x')) > 0);
        old.close();
        DurableCsvFile file;
        QSignalSpy written(&file, &DurableCsvFile::rowWritten);
        QVERIFY(file.open(path, kHeader));
        QVERIFY(file.isOpen());
        QByteArray expected = kHeaderBytes;
        for (int i = 1; i <= rows; ++i) {
            file.append(Row(i));
            expected += RowBytes(i);
        }
        QTRY_COMPARE_WITH_TIMEOUT(written.count(), rows, 100000);
        for (int i = 0; i < rows; ++i) {
            QCOMPARE(written.at(i).at(0).toLongLong(), qint64(i + 1));
        }
        QCOMPARE(file.rowsWritten(), qint64(rows));
        file.close();
        file.close();
        file.append(Row(0));
        QVERIFY(!file.isOpen());
        QCOMPARE(file.rowsWritten(), qint64(rows));
        QCOMPARE(Contents(path), expected);
    }

    // A file that cannot be started is reported by open() and leaves nothing open.
    void openFails_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder is a file") << at("plain/a.csv") << QStringLiteral("文件夹不存在");
        QTest::newRow("no folder") << at("none/a.csv") << QStringLiteral("文件夹不存在");
        QTest::newRow("disk full") << "/dev/full" << QStringLiteral("磁盘已满");
        QTest::newRow("read-only folder") << at("readonly/a.csv") << QStringLiteral("没有写入权限");
        QTest::newRow("a folder") << dir_.path()
                                  << QStringLiteral("写入失败：%1").arg(qt_error_string(EISDIR));
    }
    void openFails() {
        QFETCH(QString, path);
        if (path.contains(QLatin1String("readonly")) && ::geteuid() == 0) {
            QSKIP("running as root, which may write into a read-only folder");
        }
        DurableCsvFile file;
        QSignalSpy failed(&file, &DurableCsvFile::failed);
        QString error;
        QVERIFY(!file.open(path, kHeader, &error));
        QTEST(error, "reason");
        QVERIFY(!file.isOpen());
        file.append(Row(1));
        QCoreApplication::processEvents();
        QCOMPARE(failed.count(), 0);
        QCOMPARE(file.rowsWritten(), qint64(0));
    }

    // The file or its folder goes away under a running recording: the row after
    // it fails the recording, once, and what was written is left alone.
    void vanishes_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("folder removed") << "remove folder";
        QTest::newRow("folder moved") << "move folder";
        QTest::newRow("file deleted") << "delete file";
        QTest::newRow("file replaced") << "replace file";
    }
    void vanishes() {
        QFETCH(QString, fault);
        const QString folder = at(fault);
        const QString path = folder + QStringLiteral("/rec.csv");
        QVERIFY(QDir().mkpath(folder));
        DurableCsvFile file;
        QSignalSpy written(&file, &DurableCsvFile::rowWritten);
        QSignalSpy failed(&file, &DurableCsvFile::failed);
        QVERIFY(file.open(path, kHeader));
        file.append(Row(1));
        file.append(Row(2));
        QTRY_COMPARE(written.count(), 2);

        if (fault == QLatin1String("remove folder")) {
            QVERIFY(QDir(folder).removeRecursively());
        } else if (fault == QLatin1String("move folder")) {
            QVERIFY(QDir().rename(folder, folder + QStringLiteral(" moved")));
        } else {
            QVERIFY(QFile::remove(path));
            if (fault == QLatin1String("replace file")) {
                QFile other(path);
                QVERIFY(other.open(QIODevice::WriteOnly) && other.write("other\r\n") == 7);
            }
        }
        file.append(Row(3));
        QVERIFY(failed.wait());
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), kGone);
        QVERIFY(!file.isOpen());
        file.append(Row(4));
        QCoreApplication::processEvents();
        QCOMPARE(failed.count(), 1);
        QCOMPARE(written.count(), 2);
        // The third row went whole into the file written to before the
        // fault showed, and the count given with the warning says so.
        QCOMPARE(file.rowsWritten(), qint64(3));
        if (fault == QLatin1String("move folder")) {
            QCOMPARE(Contents(folder + QStringLiteral(" moved/rec.csv")),
                     kHeaderBytes + RowBytes(1) + RowBytes(2) + RowBytes(3));
        } else if (fault == QLatin1String("replace file")) {
            QCOMPARE(Contents(path), QByteArray("other\r\n"));
        }
    }

    // The medium refuses a row part-way (here the limit on a file's size):
    // reported, and the rows before it stay whole.
    void writeFailsPartWay() {
        const QString path = at(QStringLiteral("limited.csv"));
        const QByteArray kept = kHeaderBytes + RowBytes(1) + RowBytes(2);
        rlimit old{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &old) == 0);
        rlimit limit = old;
        limit.rlim_cur = static_cast<rlim_t>(kept.size() + 3);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limit) == 0);
        DurableCsvFile file;
        QSignalSpy failed(&file, &DurableCsvFile::failed);
        QVERIFY(file.open(path, kHeader));
        for (int i = 1; i <= 4; ++i) {
            file.append(Row(i));
        }
        const bool ended = failed.wait();
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(ended);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(),
                 QStringLiteral("写入失败：%1").arg(qt_error_string(EFBIG)));
        QCOMPARE(file.rowsWritten(), qint64(2));
        QCOMPARE(Contents(path), kept + RowBytes(3).left(3));
    }

    // A medium that stops answering (here a pipe nobody reads any more):
    // closing gives up on it after a short wait instead of freezing the
    // caller, ends the recording as failed, and counts only the rows that
    // went whole into the file. The writer ends by itself once the medium
    // answers again, without writing the rows that were still waiting.
    void closeOnHangingMedium_data() {
        QTest::addColumn<bool>("destroy");
        QTest::newRow("stop") << false;
        QTest::newRow("destroy") << true;
    }
    void closeOnHangingMedium() {
        QFETCH(bool, destroy);
        const QString path = at(destroy ? "hanging-destroyed" : "hanging");
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        const int reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        auto file = std::make_unique<DurableCsvFile>();
        QSignalSpy failed(file.get(), &DurableCsvFile::failed);
        QVERIFY(file->open(path, kHeader));
        // Rows far larger than the pipe holds, so that the writer blocks.
        const QStringList big = {QString(1000, QLatin1Char('x'))};
        constexpr int kRows = 200;
        for (int i = 0; i < kRows; ++i) {
            file->append(big);
        }
        QTRY_VERIFY(file->rowsWritten() > 0);
        QTest::qWait(100);
        const qint64 before = file->rowsWritten();
        QVERIFY(before < kRows);

        QElapsedTimer clock;
        clock.start();
        if (destroy) {
            file.reset();
        } else {
            file->close();
        }
        // Bounded by the wait for one row, not by the medium; generous for
        // a busy machine, far below the time the pipe stays stuck.
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        if (destroy) {
            QCOMPARE(failed.count(), 0);
        } else {
            QCOMPARE(failed.count(), 1);
            QCOMPARE(failed.at(0).at(0).toString(), DurableCsvFile::noAnswerReason());
            QVERIFY(!file->isOpen());
            QCOMPARE(file->rowsWritten(), before);
            file->close();
            QCOMPARE(failed.count(), 1);
        }

        // The medium answers again: the row under way arrives, the waiting
        // ones do not, and the writer lets go of the pipe.
        QByteArray got;
        QDeadlineTimer deadline(20000);
        for (;;) {
            char buffer[65536];
            const ssize_t n = ::read(reader, buffer, sizeof buffer);
            if (n > 0) {
                got.append(buffer, n);
            } else if (n == 0 || deadline.hasExpired()) {
                break;  // end of file: the writer closed its end
            } else {
                QTest::qWait(5);
            }
        }
        ::close(reader);
        QVERIFY(!deadline.hasExpired());
        const qint64 rowsInPipe = got.count('\n') - 1;
        QVERIFY2(rowsInPipe == before || rowsInPipe == before + 1,
                 qPrintable(QStringLiteral("%1 %2").arg(rowsInPipe).arg(before)));
        QVERIFY(rowsInPipe < kRows);
    }

    // A pipe without a reader is refused at once rather than waited for.
    void openPipeWithoutReader() {
        const QString path = at(QStringLiteral("no-reader"));
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        DurableCsvFile file;
        QString error;
        QVERIFY(!file.open(path, kHeader, &error));
        QCOMPARE(error, kGone);
        QVERIFY(!file.isOpen());
    }

    // Destroying the recording with rows still on their way writes them all
    // first; one failing at that moment is not reported to the gone owner.
    void destroyedWithRowsPending_data() {
        QTest::addColumn<bool>("folderRemoved");
        QTest::newRow("healthy") << false;
        QTest::newRow("folder removed") << true;
    }
    void destroyedWithRowsPending() {
        QFETCH(bool, folderRemoved);
        const QString folder = at(folderRemoved ? "pending-gone" : "pending");
        const QString path = folder + QStringLiteral("/rec.csv");
        QVERIFY(QDir().mkpath(folder));
        auto* file = new DurableCsvFile;
        QVERIFY(file->open(path, kHeader));
        if (folderRemoved) {
            QVERIFY(QDir(folder).removeRecursively());
        }
        QByteArray expected = kHeaderBytes;
        for (int i = 1; i <= 500; ++i) {
            file->append(Row(i));
            expected += RowBytes(i);
        }
        delete file;
        QCoreApplication::processEvents();
        if (!folderRemoved) {
            QCOMPARE(Contents(path), expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestDurableCsvFile)
#include "tst_durablecsvfile.moc"
