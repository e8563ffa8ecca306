// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>
#include <string>

#include "platform/linesettings.h"
#include "platform/qtserialport.h"

using mt::LineSettings;
using Parity = mt::LineSettings::Parity;
using Stop = mt::LineSettings::StopBits;

Q_DECLARE_METATYPE(LineSettings)
Q_DECLARE_METATYPE(mt::QtLineConfig)

class TestLineSettings : public QObject {
    Q_OBJECT

private slots:
    void acceptsWellFormedTexts_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<LineSettings>("expected");
        QTest::newRow("default") << QByteArray("9600,N,8,1")
                                 << LineSettings{9600, Parity::None, 8, Stop::One};
        QTest::newRow("lower-case even, two stop bits")
            << QByteArray("19200,e,7,2") << LineSettings{19200, Parity::Even, 7, Stop::Two};
        QTest::newRow("odd, 5 bits, 1.5 stop bits")
            << QByteArray("4800,O,5,1.5") << LineSettings{4800, Parity::Odd, 5, Stop::OneAndHalf};
        QTest::newRow("mark") << QByteArray("38400,M,6,1")
                              << LineSettings{38400, Parity::Mark, 6, Stop::One};
        QTest::newRow("space lower case")
            << QByteArray("1200,s,8,1") << LineSettings{1200, Parity::Space, 8, Stop::One};
        QTest::newRow("odd lower case")
            << QByteArray("2400,o,8,2") << LineSettings{2400, Parity::Odd, 8, Stop::Two};
        QTest::newRow("none lower case")
            << QByteArray("9600,n,5,1") << LineSettings{9600, Parity::None, 5, Stop::One};
        QTest::newRow("lowest baud")
            << QByteArray("1,N,8,1") << LineSettings{1, Parity::None, 8, Stop::One};
        QTest::newRow("highest baud")
            << QByteArray("4000000,N,8,1") << LineSettings{4000000, Parity::None, 8, Stop::One};
        QTest::newRow("leading zeros")
            << QByteArray("009600,N,8,1") << LineSettings{9600, Parity::None, 8, Stop::One};
    }
    void acceptsWellFormedTexts() {
        QFETCH(QByteArray, text);
        QFETCH(LineSettings, expected);
        const auto parsed = mt::ParseLineSettings(std::string_view(text.constData(), text.size()));
        QVERIFY(parsed.has_value());
        QCOMPARE(*parsed, expected);
    }

    void refusesEverythingElse_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("letters for baud") << QByteArray("abc,N,8,1");
        QTest::newRow("blank after baud") << QByteArray("9600 ,N,8,1");
        QTest::newRow("blank before baud") << QByteArray(" 9600,N,8,1");
        QTest::newRow("blank after comma") << QByteArray("9600, N,8,1");
        QTest::newRow("trailing blank") << QByteArray("9600,N,8,1 ");
        QTest::newRow("three fields") << QByteArray("9600,N,8");
        QTest::newRow("five fields") << QByteArray("9600,N,8,1,1");
        QTest::newRow("trailing comma") << QByteArray("9600,N,8,1,");
        QTest::newRow("leading comma") << QByteArray(",9600,N,8,1");
        QTest::newRow("double comma") << QByteArray("9600,,N,8,1");
        QTest::newRow("semicolons") << QByteArray("9600;N;8;1");
        QTest::newRow("unknown parity") << QByteArray("9600,X,8,1");
        QTest::newRow("parity word") << QByteArray("9600,None,8,1");
        QTest::newRow("empty parity") << QByteArray("9600,,8,1");
        QTest::newRow("nine data bits") << QByteArray("9600,N,9,1");
        QTest::newRow("four data bits") << QByteArray("9600,N,4,1");
        QTest::newRow("data bits with zero") << QByteArray("9600,N,08,1");
        QTest::newRow("three stop bits") << QByteArray("9600,N,8,3");
        QTest::newRow("zero stop bits") << QByteArray("9600,N,8,0");
        QTest::newRow("1,5 stop bits") << QByteArray("9600,N,8,1,5");
        QTest::newRow("1.50 stop bits") << QByteArray("9600,N,8,1.50");
        QTest::newRow("1. stop bits") << QByteArray("9600,N,8,1.");
        QTest::newRow("2.0 stop bits") << QByteArray("9600,N,8,2.0");
        QTest::newRow("zero baud") << QByteArray("0,N,8,1");
        QTest::newRow("zeros baud") << QByteArray("0000,N,8,1");
        QTest::newRow("negative baud") << QByteArray("-9600,N,8,1");
        QTest::newRow("plus sign") << QByteArray("+9600,N,8,1");
        QTest::newRow("decimal baud") << QByteArray("9600.0,N,8,1");
        QTest::newRow("hex baud") << QByteArray("0x2580,N,8,1");
        QTest::newRow("baud above limit") << QByteArray("4000001,N,8,1");
        QTest::newRow("baud beyond 32 bits") << QByteArray("4294967296,N,8,1");
        QTest::newRow("baud of 20 digits") << QByteArray("99999999999999999999,N,8,1");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("commas only") << QByteArray(",,,");
        QTest::newRow("lower-case x") << QByteArray("9600,x,8,1");
        QTest::newRow("full-width digits") << QByteArray("９６００,N,8,1");
        QTest::newRow("embedded NUL") << QByteArray("9600,N,8,1\0", 11);
        QTest::newRow("NUL in baud") << QByteArray("96\00,N,8,1", 10);
    }
    void refusesEverythingElse() {
        QFETCH(QByteArray, text);
        QVERIFY(!mt::ParseLineSettings(std::string_view(text.constData(), text.size())));
    }

    // Every prefix of a valid text is a different, shorter text: none of them
    // may be taken for settings except the whole.
    void prefixesAreRefused() {
        const std::string text = "19200,E,7,2";
        for (std::size_t n = 0; n < text.size(); ++n) {
            const std::string prefix = text.substr(0, n);
            QVERIFY2(!mt::ParseLineSettings(prefix), prefix.c_str());
        }
        QVERIFY(mt::ParseLineSettings(text));
    }

    void translatesForQSerialPort_data() {
        QTest::addColumn<LineSettings>("settings");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<mt::QtLineConfig>("expected");
        QTest::newRow("9600,N,8,1")
            << LineSettings{9600, Parity::None, 8, Stop::One} << true
            << mt::QtLineConfig{9600, QSerialPort::Data8, QSerialPort::NoParity,
                                QSerialPort::OneStop};
        QTest::newRow("19200,E,7,2")
            << LineSettings{19200, Parity::Even, 7, Stop::Two} << true
            << mt::QtLineConfig{19200, QSerialPort::Data7, QSerialPort::EvenParity,
                                QSerialPort::TwoStop};
        QTest::newRow("4800,O,6,1")
            << LineSettings{4800, Parity::Odd, 6, Stop::One} << true
            << mt::QtLineConfig{4800, QSerialPort::Data6, QSerialPort::OddParity,
                                QSerialPort::OneStop};
        QTest::newRow("mark") << LineSettings{1200, Parity::Mark, 8, Stop::One} << true
                              << mt::QtLineConfig{1200, QSerialPort::Data8, QSerialPort::MarkParity,
                                                  QSerialPort::OneStop};
        QTest::newRow("space") << LineSettings{1200, Parity::Space, 8, Stop::One} << true
                               << mt::QtLineConfig{1200, QSerialPort::Data8,
                                                   QSerialPort::SpaceParity, QSerialPort::OneStop};
#if defined(Q_OS_WIN)
        const auto oneAndHalf = QSerialPort::OneAndHalfStop;
#else
        const auto oneAndHalf = QSerialPort::TwoStop;
#endif
        QTest::newRow("1.5 stop bits on 5 bits")
            << LineSettings{4800, Parity::Odd, 5, Stop::OneAndHalf} << true
            << mt::QtLineConfig{4800, QSerialPort::Data5, QSerialPort::OddParity, oneAndHalf};
        QTest::newRow("1.5 stop bits on 6 bits")
            << LineSettings{4800, Parity::None, 6, Stop::OneAndHalf} << false << mt::QtLineConfig{};
        QTest::newRow("1.5 stop bits on 8 bits")
            << LineSettings{9600, Parity::None, 8, Stop::OneAndHalf} << false << mt::QtLineConfig{};
    }
    void translatesForQSerialPort() {
        QFETCH(LineSettings, settings);
        QFETCH(bool, valid);
        QFETCH(mt::QtLineConfig, expected);
        const auto config = mt::ToQtLineConfig(settings);
        QCOMPARE(config.has_value(), valid);
        if (valid) {
            QCOMPARE(*config, expected);
        }
    }
};

QTEST_APPLESS_MAIN(TestLineSettings)
#include "tst_linesettings.moc"
