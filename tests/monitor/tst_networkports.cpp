// SPDX-License-Identifier: GPL-3.0-or-later
// 工具→网络端口…: the rows as typed, checked; and the dialog handing over only
// rows that are good.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>

#include "monitor/networkportsdialog.h"

using namespace mt;

Q_DECLARE_METATYPE(mt::NetworkPortRow)

namespace {

NetworkPortRow Row(int port, const QString& host, int tcpPort = 502,
                   Framing framing = Framing::RtuOverTcp, bool reconnect = true) {
    return NetworkPortRow{port, host, tcpPort, framing, reconnect};
}

}  // namespace

class TestNetworkPorts : public QObject {
    Q_OBJECT

private slots:
    // Nonsense in every column is named with its row; good rows give the map.
    void checkRows_data() {
        QTest::addColumn<QList<NetworkPortRow>>("rows");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("mapped");
        QTest::newRow("none") << QList<NetworkPortRow>{} << "" << 0;
        QTest::newRow("two good") << QList<NetworkPortRow>{Row(5, " 192.168.1.20 "),
                                                           Row(6, "gw.local", 4001)}
                                  << "" << 2;
        QTest::newRow("port 0") << QList<NetworkPortRow>{Row(0, "gw")}
                                << "第 1 行：端口须为 com1 到 com16" << 0;
        QTest::newRow("port 17") << QList<NetworkPortRow>{Row(5, "gw"), Row(17, "gw")}
                                 << "第 2 行：端口须为 com1 到 com16" << 0;
        QTest::newRow("mapped twice")
            << QList<NetworkPortRow>{Row(5, "a"), Row(5, "b")} << "第 2 行：com5 已映射" << 0;
        QTest::newRow("empty host")
            << QList<NetworkPortRow>{Row(5, "  ")} << "第 1 行：请填写网关的主机名或地址" << 0;
        QTest::newRow("host with a space") << QList<NetworkPortRow>{Row(5, "my gateway")}
                                           << "第 1 行：“my gateway”不是主机名或地址" << 0;
        QTest::newRow("host with a slash")
            << QList<NetworkPortRow>{Row(5, "gw/1")} << "第 1 行：“gw/1”不是主机名或地址" << 0;
        QTest::newRow("tcp port 0")
            << QList<NetworkPortRow>{Row(5, "gw", 0)} << "第 1 行：TCP 端口须为 1 到 65535" << 0;
        QTest::newRow("tcp port 65536") << QList<NetworkPortRow>{Row(5, "gw", 65536)}
                                        << "第 1 行：TCP 端口须为 1 到 65535" << 0;
        QTest::newRow("IPv6") << QList<NetworkPortRow>{Row(5, "fe80::1")} << "" << 1;
    }
    void checkRows() {
        QFETCH(QList<NetworkPortRow>, rows);
        QFETCH(QString, problem);
        QFETCH(int, mapped);
        const NetworkPortCheck check = CheckNetworkPortRows(rows);
        QCOMPARE(check.problem, problem);
        QCOMPARE(static_cast<int>(check.ports.size()), mapped);
        QCOMPARE(check.reconnect.size(), check.ports.size());
        // Hosts are kept without the blanks typed around them.
        for (const auto& [number, endpoint] : check.ports) {
            QVERIFY(!endpoint.host.empty() && endpoint.host.front() != ' ' &&
                    endpoint.host.back() != ' ');
            QVERIFY(number >= 1 && number <= 16);
        }
    }

    // The dialog: the saved rows come back, 添加 takes a free number from the
    // top and the host before it, a bad row hands nothing over and says why,
    // 删除 and 应用 hand over what is left; every control has a name.
    void dialogHandsOverGoodRows() {
        int applied = 0;
        NetworkPortMap got;
        std::map<int, bool> gotReconnect;
        NetworkPortsDialog dialog(
            {{16, NetworkEndpoint{"10.0.0.2", 4001, Framing::ModbusTcp}}}, {{16, false}},
            [&](const NetworkPortMap& ports, const std::map<int, bool>& reconnect) {
                ++applied;
                got = ports;
                gotReconnect = reconnect;
            });
        dialog.show();
        QCOMPARE(dialog.rows().size(), 1);
        QCOMPARE(dialog.rows().front().port, 16);
        QVERIFY(!dialog.rows().front().reconnect);

        dialog.addRow();
        QCOMPARE(dialog.rows().size(), 2);
        QCOMPARE(dialog.rows().back().port, 15);
        QCOMPARE(dialog.rows().back().host, QStringLiteral("10.0.0.2"));
        QCOMPARE(dialog.rows().back().framing, Framing::ModbusTcp);

        auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("NetworkPortsTable"));
        QVERIFY(table);
        qobject_cast<QLineEdit*>(table->cellWidget(1, 1))->setText(QStringLiteral("bad host!"));
        QVERIFY(!dialog.applyRows());
        QCOMPARE(applied, 0);
        const auto* status = dialog.findChild<QLabel*>(QStringLiteral("NetworkStatus"));
        QCOMPARE(status->text(), QStringLiteral("第 2 行：“bad host!”不是主机名或地址"));

        table->selectRow(1);
        dialog.removeSelectedRow();
        QVERIFY(dialog.applyRows());
        QCOMPARE(applied, 1);
        QCOMPARE(got.size(), 1u);
        QCOMPARE(got.at(16).port, 4001);
        QCOMPARE(gotReconnect.at(16), false);

        for (QWidget* control : dialog.findChildren<QWidget*>()) {
            if (qobject_cast<QPushButton*>(control) || qobject_cast<QComboBox*>(control) ||
                qobject_cast<QLineEdit*>(control) || qobject_cast<QSpinBox*>(control) ||
                qobject_cast<QTableWidget*>(control)) {
                if (control->parent() != nullptr &&
                    qobject_cast<QComboBox*>(control->parentWidget()) == nullptr &&
                    qobject_cast<QSpinBox*>(control->parentWidget()) == nullptr) {
                    QVERIFY2(!control->accessibleName().isEmpty(),
                             qPrintable(control->metaObject()->className()));
                }
            }
        }
        QVERIFY(!dialog.isModal());
    }
};

QTEST_MAIN(TestNetworkPorts)
#include "tst_networkports.moc"
