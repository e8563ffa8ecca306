// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include "panel_meter/switchmodel.h"

using namespace mt;

Q_DECLARE_METATYPE(mt::SwitchPanelKind)

namespace {

QString Line(const SwitchLine& l) {
    return QStringLiteral("(%1,%2)-(%3,%4) w%5 c%6")
        .arg(l.X1)
        .arg(l.Y1)
        .arg(l.X2)
        .arg(l.Y2)
        .arg(l.BorderWidth)
        .arg(l.BorderColor);
}

}  // namespace

class TestSwitchModel : public QObject {
    Q_OBJECT

private slots:
    // The look before the first answer, channel by channel.
    void defaults_data() {
        QTest::addColumn<SwitchPanelKind>("kind");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QString>("blade");
        QTest::addColumn<QString>("leftLead");
        QTest::addColumn<QString>("rightLead");
        QTest::addColumn<QRect>("label");
        const auto out = SwitchPanelKind::Outputs;
        const auto in = SwitchPanelKind::Inputs;
        QTest::newRow("out 0") << out << 0 << "(405,150)-(840,0) w2 c65280"
                               << "Line1 (120,150)-(400,150) w1 c0"
                               << "Line3 (840,150)-(1120,150) w1 c0" << QRect(2040, 120, 975, 255);
        QTest::newRow("out 1") << out << 1 << "(405,500)-(840,350) w2 c65280"
                               << "Line4 (120,500)-(400,500) w1 c0"
                               << "Line7 (840,500)-(1120,500) w1 c0" << QRect(2040, 480, 975, 255);
        QTest::newRow("out 2") << out << 2 << "(405,850)-(840,700) w2 c65280"
                               << "Line5 (120,850)-(400,850) w1 c0"
                               << "Line8 (840,850)-(1120,850) w1 c0" << QRect(2040, 840, 975, 255);
        QTest::newRow("out 3") << out << 3 << "(405,1200)-(840,1050) w2 c65280"
                               << "Line6 (120,1200)-(400,1200) w1 c0"
                               << "Line9 (840,1200)-(1120,1200) w1 c0"
                               << QRect(2040, 1200, 975, 255);
        QTest::newRow("in 0") << in << 0 << "(405,150)-(840,0) w2 c65280"
                              << "Line17 (120,150)-(400,150) w1 c0"
                              << "Line16 (840,150)-(1120,150) w1 c0" << QRect(2040, 120, 735, 255);
        QTest::newRow("in 1 lower end")
            << in << 1 << "(405,500)-(840,360) w2 c65280"
            << "Line15 (120,500)-(400,500) w1 c0"
            << "Line12 (840,500)-(1120,500) w1 c0" << QRect(2040, 480, 735, 255);
        QTest::newRow("in 3") << in << 3 << "(405,1200)-(840,1050) w2 c65280"
                              << "Line13 (120,1200)-(400,1200) w1 c0"
                              << "Line10 (840,1200)-(1120,1200) w1 c0"
                              << QRect(2040, 1200, 735, 255);
    }
    void defaults() {
        QFETCH(SwitchPanelKind, kind);
        QFETCH(int, channel);
        QFETCH(QString, blade);
        QFETCH(QString, leftLead);
        QFETCH(QString, rightLead);
        QFETCH(QRect, label);
        const SwitchPanelModel model(kind);
        const auto k = std::size_t(channel);
        QCOMPARE(Line(model.blades()[k]), blade);
        QCOMPARE(
            QString::fromLatin1(model.leftLeadName(channel)) + ' ' + Line(model.leftLeads()[k]),
            leftLead);
        QCOMPARE(
            QString::fromLatin1(model.rightLeadName(channel)) + ' ' + Line(model.rightLeads()[k]),
            rightLead);
        const SwitchLabel& l = model.labels()[k];
        QCOMPARE(QRect(l.Left, l.Top, l.Width, l.Height), label);
        QCOMPARE(QString::fromStdString(l.Caption), QStringLiteral("断开"));
    }

    // Status byte to the four channels, on both panels; bits 4-7 count for nothing.
    void states_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("closed");  // channels 0..3, 1 = closed
        QTest::newRow("00") << 0x00 << "0000";
        QTest::newRow("0F") << 0x0F << "1111";
        QTest::newRow("05") << 0x05 << "1010";
        QTest::newRow("0A") << 0x0A << "0101";
        QTest::newRow("F0") << 0xF0 << "0000";
        QTest::newRow("FF") << 0xFF << "1111";
        QTest::newRow("88") << 0x88 << "0001";
        QTest::newRow("01") << 0x01 << "1000";
    }
    void states() {
        QFETCH(int, status);
        QFETCH(QString, closed);
        for (auto kind : {SwitchPanelKind::Outputs, SwitchPanelKind::Inputs}) {
            SwitchPanelModel model(kind);
            model.ShowSwitchStates(0x0F);  // start from the opposite look where it matters
            model.ShowSwitchStates(std::uint8_t(status));
            for (int k = 0; k < 4; ++k) {
                const SwitchLine& blade = model.blades()[std::size_t(k)];
                const bool isClosed = closed[k] == '1';
                const int row = 150 + 350 * k;
                QCOMPARE(model.channelClosed(k), isClosed);
                QCOMPARE(QPoint(blade.X1, blade.Y1), QPoint(405, row));
                QCOMPARE(QPoint(blade.X2, blade.Y2), QPoint(840, isClosed ? row : row - 150));
                QCOMPARE(blade.BorderColor, isClosed ? 255U : 65280U);
                QCOMPARE(blade.BorderWidth, 2);
                QCOMPARE(QString::fromStdString(model.labels()[std::size_t(k)].Caption),
                         isClosed ? QStringLiteral("闭合") : QStringLiteral("断开"));
            }
        }
    }

    // Closing and opening again restores the starting geometry exactly; the
    // input panel's odd second blade falls in line on its first open update.
    void roundTrips() {
        SwitchPanelModel outputs(SwitchPanelKind::Outputs);
        const SwitchLine start = outputs.blades()[0];
        outputs.ShowSwitchStates(0x01);
        QCOMPARE(Line(outputs.blades()[0]), QStringLiteral("(405,150)-(840,150) w2 c255"));
        outputs.ShowSwitchStates(0x00);
        QCOMPARE(outputs.blades()[0], start);

        SwitchPanelModel inputs(SwitchPanelKind::Inputs);
        QCOMPARE(inputs.blades()[1].Y2, 360);
        inputs.ShowSwitchStates(0x00);
        QCOMPARE(QPoint(inputs.blades()[1].X2, inputs.blades()[1].Y2), QPoint(840, 350));
        // The leads never move.
        QCOMPARE(Line(inputs.leftLeads()[1]), QStringLiteral("(120,500)-(400,500) w1 c0"));
    }
};

QTEST_APPLESS_MAIN(TestSwitchModel)
#include "tst_switchmodel.moc"
