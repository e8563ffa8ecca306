// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTimeZone>
#include <QtTest>

#include "monitor/recordingfile.h"

using namespace mt;

class TestRecordingFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qputenv("TZ", "CST-8");  // local time eight hours ahead, no zone database needed
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
};

QTEST_GUILESS_MAIN(TestRecordingFile)
#include "tst_recordingfile.moc"
