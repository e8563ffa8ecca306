// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include "platform/portadvice.h"

using mt::PortError;
using mt::PortHolder;
using Kind = mt::PortError::Kind;
using Setting = mt::PortError::Setting;

Q_DECLARE_METATYPE(mt::PortError)

namespace {

PortError Make(Kind kind, QString detail = {}, Setting setting = Setting::None,
               PortHolder holder = {}) {
    PortError error{kind, std::move(detail)};
    error.setting = setting;
    error.holder = std::move(holder);
    return error;
}

}  // namespace

// What the port panel tells the user when a port does not open: each refusal
// says why and what to do, in words that name the device and the program in
// the way.
class TestPortAdvice : public QObject {
    Q_OBJECT

private slots:
    void advice_data() {
        QTest::addColumn<PortError>("error");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QStringList>("says");
        QTest::addColumn<QStringList>("neverSays");

        const QString usb = QStringLiteral("/dev/ttyUSB0");
        QTest::newRow("device not plugged in")
            << Make(Kind::NoSuchPort, "/dev/ttyUSB0 does not exist") << usb
            << QStringList{usb, "不存在", "插上"} << QStringList{"dialout", "占用"};
        QTest::newRow("nothing stands for the number")
            << Make(Kind::NoSuchPort) << QString() << QStringList{"没有对应的设备", "插上"}
            << QStringList{"dialout"};
        QTest::newRow("no permission")
            << Make(Kind::NoPermission, "Permission denied") << usb
            << QStringList{usb,    "没有权限", "dialout", "sudo usermod -aG dialout $USER",
                           "注销", "重新登录"}
            << QStringList{"占用"};
        QTest::newRow("busy, holder known")
            << Make(Kind::PortInUse, {}, Setting::None, PortHolder{4711, "minicom", {}}) << usb
            << QStringList{"串口被其他程序占用", "minicom", "4711"} << QStringList{"dialout"};
        QTest::newRow("busy, only the process id known")
            << Make(Kind::PortInUse, {}, Setting::None, PortHolder{815, {}, {}}) << usb
            << QStringList{"串口被其他程序占用", "进程号 815"} << QStringList{"（，"};
        QTest::newRow("busy, held from another computer")
            << Make(Kind::PortInUse, {}, Setting::None, PortHolder{12, "cu", "bench-pc-7"}) << usb
            << QStringList{"cu", "12", "bench-pc-7"} << QStringList{};
        QTest::newRow("busy, holder unknown")
            << Make(Kind::PortInUse, "held by another program") << usb
            << QStringList{"串口被其他程序占用"} << QStringList{"进程号", "（"};
        QTest::newRow("baud") << Make(Kind::BadSettings, {}, Setting::Baud) << usb
                              << QStringList{"波特率", "9600"} << QStringList{"校验位", usb};
        QTest::newRow("parity") << Make(Kind::BadSettings, {}, Setting::Parity) << usb
                                << QStringList{"校验位", "N", "E", "O"}
                                << QStringList{"波特率", "数据位无效"};
        QTest::newRow("data bits") << Make(Kind::BadSettings, {}, Setting::DataBits) << usb
                                   << QStringList{"数据位", "5", "8"} << QStringList{"波特率"};
        QTest::newRow("stop bits")
            << Make(Kind::BadSettings, {}, Setting::StopBits) << usb
            << QStringList{"停止位", "1.5", "5 位数据位"} << QStringList{"波特率"};
        QTest::newRow("settings without four fields")
            << Make(Kind::BadSettings, {}, Setting::Format) << usb
            << QStringList{"波特率,校验位,数据位,停止位", "9600,N,8,1"} << QStringList{};
        QTest::newRow("device lost") << Make(Kind::DeviceLost, "hung up") << usb
                                     << QStringList{usb, "断开"} << QStringList{"dialout"};
        QTest::newRow("other refusal keeps the system's words")
            << Make(Kind::Other, "/dev/ttyUSB0: Input/output error") << usb
            << QStringList{usb, "Input/output error"} << QStringList{"dialout", "占用"};
    }
    void advice() {
        QFETCH(PortError, error);
        QFETCH(QString, device);
        QFETCH(QStringList, says);
        QFETCH(QStringList, neverSays);
        const QString advice = mt::PortOpenAdvice(error, device);
        for (const QString& words : says) {
            QVERIFY2(advice.contains(words), qPrintable(advice + " lacks " + words));
        }
        for (const QString& words : neverSays) {
            QVERIFY2(!advice.contains(words), qPrintable(advice + " has " + words));
        }
    }

    // Every kind of refusal has advice of its own, and no two kinds share it.
    void everyKindHasItsOwnAdvice() {
        const Kind kinds[] = {Kind::NoSuchPort,  Kind::PortInUse,     Kind::NoPermission,
                              Kind::BadSettings, Kind::BadPortNumber, Kind::AlreadyOpen,
                              Kind::NotOpen,     Kind::DeviceLost,    Kind::Other};
        QSet<QString> seen;
        for (const Kind kind : kinds) {
            const QString advice = mt::PortOpenAdvice(Make(kind), QStringLiteral("/dev/ttyS3"));
            QVERIFY2(!advice.isEmpty(), qPrintable(QString::number(int(kind))));
            QVERIFY2(!seen.contains(advice), qPrintable(advice));
            seen.insert(advice);
        }
    }
};

QTEST_GUILESS_MAIN(TestPortAdvice)
#include "tst_portadvice.moc"
