// SPDX-License-Identifier: GPL-3.0-or-later
// The phasor diagram's geometry: angles from the meters' values, arrows on
// their scales, and what zero, negative and missing values give.

#include <QImage>
#include <QPainter>
#include <QtTest>

#include "analysis/phasors.h"

using namespace mt;

namespace {

PhaseReadings Rail(double ab, double bc) {
    PhaseReadings r;
    r.kind = MeterKind::DinRail;
    r.powerScale = 1000;
    for (int k = 0; k < 3; ++k) {
        r.u[k] = 230;
        r.i[k] = 10;
        r.p[k] = 2.0;
        r.q[k] = 0.0;
    }
    r.angle = {ab, bc, 360 - ab - bc};
    return r;
}

}  // namespace

class TestPhasors : public QObject {
    Q_OBJECT

private slots:
    void arrowTip_data() {
        QTest::addColumn<double>("magnitude");
        QTest::addColumn<double>("fullScale");
        QTest::addColumn<double>("angle");
        QTest::addColumn<QPointF>("tip");
        // Centre (100, 100), radius 50; y grows downwards on screen.
        QTest::newRow("full at 0°") << 10.0 << 10.0 << 0.0 << QPointF(150, 100);
        QTest::newRow("half at 90°") << 5.0 << 10.0 << 90.0 << QPointF(100, 75);
        QTest::newRow("full at -90°") << 10.0 << 10.0 << -90.0 << QPointF(100, 150);
        QTest::newRow("full at 180°") << 10.0 << 10.0 << 180.0 << QPointF(50, 100);
        QTest::newRow("zero") << 0.0 << 10.0 << 45.0 << QPointF(100, 100);
        QTest::newRow("negative points back") << -10.0 << 10.0 << 0.0 << QPointF(50, 100);
        QTest::newRow("beyond the scale is clipped") << 30.0 << 10.0 << 0.0 << QPointF(150, 100);
        QTest::newRow("no scale") << 10.0 << 0.0 << 0.0 << QPointF(100, 100);
        QTest::newRow("not a number") << qQNaN() << 10.0 << 0.0 << QPointF(100, 100);
    }
    void arrowTip() {
        QFETCH(double, magnitude);
        QFETCH(double, fullScale);
        QFETCH(double, angle);
        QFETCH(QPointF, tip);
        const QPointF got = ArrowTip(QPointF(100, 100), 50, magnitude, fullScale, angle);
        QVERIFY2(std::abs(got.x() - tip.x()) < 1e-9 && std::abs(got.y() - tip.y()) < 1e-9,
                 qPrintable(QStringLiteral("(%1, %2)").arg(got.x()).arg(got.y())));
    }

    // Voltage angles: the DIN-rail meter's AB and BC registers say how far
    // each voltage lies behind the one before; the panel-mount meter gets
    // the ideal angles, marked as assumed.
    void voltageAngles_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("ab");
        QTest::addColumn<double>("bc");
        QTest::addColumn<double>("ub");
        QTest::addColumn<double>("uc");
        QTest::addColumn<bool>("assumed");
        const int rail = static_cast<int>(MeterKind::DinRail);
        QTest::newRow("rail, positive sequence")
            << rail << 120.0 << 120.0 << -120.0 << 120.0 << false;
        QTest::newRow("rail, slightly off") << rail << 119.5 << 121.0 << -119.5 << 119.5 << false;
        QTest::newRow("rail, negative sequence")
            << rail << 240.0 << 240.0 << 120.0 << -120.0 << false;
        // Ub missing: the meter reads AB and BC as 0; Uc comes from CA.
        QTest::newRow("rail, Ub missing") << rail << 0.0 << 0.0 << 0.0 << 60.0 << false;
        QTest::newRow("panel") << static_cast<int>(MeterKind::PanelMount) << 0.0 << 0.0 << -120.0
                               << 120.0 << true;
    }
    void voltageAngles() {
        QFETCH(int, kind);
        QFETCH(double, ab);
        QFETCH(double, bc);
        QFETCH(double, ub);
        QFETCH(double, uc);
        QFETCH(bool, assumed);
        PhaseReadings r = Rail(ab, bc);
        r.kind = static_cast<MeterKind>(kind);
        if (ab == 0 && bc == 0) {
            r.u[1] = 0.0;
            r.angle[2] = 60.0;
        }
        if (r.kind == MeterKind::PanelMount) {
            r.angle = {};
        }
        const PhasorDiagram d = PhasorsOf(r, Thresholds{});
        QCOMPARE(d.voltageAnglesAssumed, assumed);
        QCOMPARE(*d.voltages[0].angle, 0.0);
        if (r.u[1] == 0.0 && !assumed) {
            QVERIFY(!d.voltages[1].angle);  // nothing to measure it against
        } else {
            QCOMPARE(*d.voltages[1].angle, ub);
        }
        QCOMPARE(*d.voltages[2].angle, uc);
        QCOMPARE(d.voltages[2].angleAssumed, assumed);
    }

    // Each current lies its phase's power angle behind its voltage; without
    // load, or without P and Q, it has no angle but keeps its magnitude.
    void currentAngles_data() {
        QTest::addColumn<double>("p");
        QTest::addColumn<double>("q");
        QTest::addColumn<bool>("hasAngle");
        QTest::addColumn<double>("angle");  // of Ib, whose voltage is at -120°
        QTest::newRow("resistive") << 2.0 << 0.0 << true << -120.0;
        QTest::newRow("inductive 30°") << std::sqrt(3.0) << 1.0 << true << -150.0;
        QTest::newRow("capacitive") << 1.0 << -1.0 << true << -75.0;
        QTest::newRow("reversed CT") << -2.0 << 0.0 << true << 60.0;
        QTest::newRow("exporting, wraps") << -1.0 << 1.0 << true << 105.0;
        QTest::newRow("no load") << 0.0 << 0.0 << false << 0.0;
    }
    void currentAngles() {
        QFETCH(double, p);
        QFETCH(double, q);
        QFETCH(bool, hasAngle);
        QFETCH(double, angle);
        PhaseReadings r = Rail(120, 120);
        r.p[1] = p;
        r.q[1] = q;
        const PhasorDiagram d = PhasorsOf(r, Thresholds{});
        QCOMPARE(d.currents[1].angle.has_value(), hasAngle);
        if (hasAngle) {
            QVERIFY2(std::abs(*d.currents[1].angle - angle) < 1e-9,
                     qPrintable(QString::number(*d.currents[1].angle)));
        }
        QCOMPARE(d.currents[1].magnitude, MaybeValue(10.0));
        QCOMPARE(*d.currents[0].angle, 0.0);
    }

    void normalizedDegrees_data() {
        QTest::addColumn<double>("in");
        QTest::addColumn<double>("out");
        QTest::newRow("0") << 0.0 << 0.0;
        QTest::newRow("180 stays") << 180.0 << 180.0;
        QTest::newRow("-180 turns") << -180.0 << 180.0;
        QTest::newRow("-240") << -240.0 << 120.0;
        QTest::newRow("480") << 480.0 << 120.0;
        QTest::newRow("-725") << -725.0 << -5.0;
    }
    void normalizedDegrees() {
        QFETCH(double, in);
        QFETCH(double, out);
        QCOMPARE(NormalizedDegrees(in), out);
    }

    // The full scale is the largest magnitude there is; missing arrows do
    // not count, and with none at all nothing is drawn.
    void fullScale() {
        PhaseReadings r = Rail(120, 120);
        r.i = {0.0, std::nullopt, -12.5};
        const PhasorDiagram d = PhasorsOf(r, Thresholds{});
        QCOMPARE(FullScale(d.currents), 12.5);
        QCOMPARE(FullScale(PhasorDiagram{}.currents), 0.0);
    }

    // Painting survives every odd diagram and puts something on the page.
    void paintsOddDiagrams_data() {
        QTest::addColumn<int>("variant");
        QTest::newRow("normal") << 0;
        QTest::newRow("all missing") << 1;
        QTest::newRow("zero and negative") << 2;
        QTest::newRow("tiny area") << 3;
    }
    void paintsOddDiagrams() {
        QFETCH(int, variant);
        PhaseReadings r = Rail(120, 120);
        if (variant == 1) {
            r = PhaseReadings{};
        } else if (variant == 2) {
            r.u[1] = 0.0;
            r.i[2] = -5.0;
            r.p[0] = 0.0;
        }
        QImage image(400, 400, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        const QRectF area = variant == 3 ? QRectF(0, 0, 3, 3) : QRectF(0, 0, 400, 400);
        PaintPhasors(painter, area, PhasorsOf(r, Thresholds{}));
        painter.end();
        int inked = 0;
        for (int y = 0; y < image.height(); y += 2) {
            for (int x = 0; x < image.width(); x += 2) {
                inked += image.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
            }
        }
        QVERIFY(variant == 3 || inked > 0);  // a 3-pixel area only has to survive
    }
};

QTEST_MAIN(TestPhasors)
#include "tst_phasors.moc"
