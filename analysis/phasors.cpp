// SPDX-License-Identifier: GPL-3.0-or-later
#include "phasors.h"

#include <QCoreApplication>

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>

namespace mt {

namespace {
struct PhasorTexts {
    Q_DECLARE_TR_FUNCTIONS(PhasorTexts)
};
}  // namespace

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
const char* const kLetter[3] = {"a", "b", "c"};
// The usual colours of the phases on switchboards (yellow, green, red),
// darkened so that they read on white.
const QColor kPhaseColour[3] = {QColor(176, 128, 0), QColor(0, 128, 0), QColor(192, 0, 0)};

QString Figure(double value) {
    return QString::number(value, 'g', 5);
}

QString LabelOf(const PhasorArrow& arrow, const QString& unit) {
    if (!arrow.magnitude) {
        return arrow.name + PhasorTexts::tr(" 无数据");
    }
    QString text =
        arrow.name + QStringLiteral(" ") + Figure(*arrow.magnitude) + QStringLiteral(" ") + unit;
    if (arrow.angle) {
        text += QStringLiteral(" ∠") + QString::number(*arrow.angle, 'f', 1) + QStringLiteral("°");
        if (arrow.angleAssumed) {
            text += PhasorTexts::tr(" 假定");
        }
    } else {
        text += PhasorTexts::tr(" 无相角");
    }
    return text;
}

void DrawArrow(QPainter& painter, QPointF from, QPointF to, const QPen& pen, double head) {
    painter.setPen(pen);
    painter.drawLine(from, to);
    const QPointF d = to - from;
    const double length = std::hypot(d.x(), d.y());
    if (length < 1) {
        return;
    }
    const QPointF unit = d / length;
    const QPointF normal(-unit.y(), unit.x());
    const double size = std::min(head, length / 2);
    QPainterPath tip;
    tip.moveTo(to);
    tip.lineTo(to - unit * size + normal * size * 0.45);
    tip.lineTo(to - unit * size - normal * size * 0.45);
    tip.closeSubpath();
    QPen solid = pen;
    solid.setStyle(Qt::SolidLine);
    painter.setPen(solid);
    painter.setBrush(pen.color());
    painter.drawPath(tip);
    painter.setBrush(Qt::NoBrush);
}

}  // namespace

double NormalizedDegrees(double degrees) {
    double d = std::fmod(degrees, 360.0);
    if (d <= -180) {
        d += 360;
    } else if (d > 180) {
        d -= 360;
    }
    return d;
}

PhasorDiagram PhasorsOf(const PhaseReadings& r, const Thresholds& limits) {
    PhasorDiagram diagram;
    std::array<MaybeValue, 3> voltageAngle;
    const bool measured = r.kind == MeterKind::DinRail && r.angle[0] && r.angle[1] && r.angle[2];
    diagram.voltageAnglesAssumed = !measured;
    if (measured) {
        // An angle against a missing voltage means nothing (the meter reads
        // 0 there): Uc then comes from CA, the way round that avoids Ub.
        const auto present = [&](int k) { return r.u[k] && *r.u[k] >= limits.voltageAbsent; };
        voltageAngle[0] = 0.0;
        voltageAngle[1] = NormalizedDegrees(-*r.angle[0]);
        voltageAngle[2] = present(1) ? NormalizedDegrees(-(*r.angle[0] + *r.angle[1]))
                                     : NormalizedDegrees(*r.angle[2]);
    } else {
        voltageAngle = {0.0, -120.0, 120.0};
    }
    const PhaseValues phi = PowerAngles(r, limits);
    for (int k = 0; k < 3; ++k) {
        PhasorArrow& u = diagram.voltages[k];
        u.name = QStringLiteral("U") + QLatin1String(kLetter[k]);
        u.magnitude = r.u[k];
        // A missing voltage has no angle to draw.
        if (!measured || !r.u[k] || *r.u[k] >= limits.voltageAbsent) {
            u.angle = voltageAngle[k];
        }
        u.angleAssumed = !measured;
        PhasorArrow& i = diagram.currents[k];
        i.name = QStringLiteral("I") + QLatin1String(kLetter[k]);
        i.magnitude = r.i[k];
        if (phi[k]) {
            i.angle = NormalizedDegrees(*voltageAngle[k] - *phi[k]);
        }
    }
    return diagram;
}

QPointF ArrowTip(QPointF centre, double radius, double magnitude, double fullScale, double angle) {
    if (!(fullScale > 0) || !std::isfinite(magnitude)) {
        return centre;
    }
    const double length = radius * std::min(1.0, std::fabs(magnitude) / fullScale);
    // A negative reading points the other way: its size is what is drawn.
    const double a = (magnitude < 0 ? angle + 180 : angle) * kDegree;
    return {centre.x() + length * std::cos(a), centre.y() - length * std::sin(a)};
}

double FullScale(const std::array<PhasorArrow, 3>& arrows) {
    double largest = 0;
    for (const PhasorArrow& a : arrows) {
        if (a.magnitude && std::isfinite(*a.magnitude)) {
            largest = std::max(largest, std::fabs(*a.magnitude));
        }
    }
    return largest;
}

void PaintPhasors(QPainter& painter, const QRectF& area, const PhasorDiagram& diagram) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFontMetricsF metrics(painter.font());
    const double line = metrics.height();
    // Room for the two notes below the circle.
    const QRectF circleArea = area.adjusted(0, 0, 0, -2.5 * line);
    const double radius =
        std::max(10.0, std::min(circleArea.width(), circleArea.height()) / 2 - 1.5 * line);
    const QPointF centre = circleArea.center();
    const double voltageRadius = radius;
    const double currentRadius = radius * 0.62;

    painter.setPen(QPen(QColor(200, 200, 200), 1));
    painter.drawEllipse(centre, voltageRadius, voltageRadius);
    painter.setPen(QPen(QColor(220, 220, 220), 1, Qt::DotLine));
    painter.drawEllipse(centre, currentRadius, currentRadius);
    painter.drawLine(QPointF(centre.x() - radius, centre.y()),
                     QPointF(centre.x() + radius, centre.y()));
    painter.drawLine(QPointF(centre.x(), centre.y() - radius),
                     QPointF(centre.x(), centre.y() + radius));

    const double voltageScale = FullScale(diagram.voltages);
    const double currentScale = FullScale(diagram.currents);
    const double head = std::max(6.0, radius / 14);
    // Labels sit just beyond each arrow's tip, and never closer to the
    // centre than a fifth of the radius, so zero-length arrows keep theirs.
    auto label = [&](const PhasorArrow& arrow, const QString& unit, double r, double scale,
                     const QColor& colour, int slot) {
        const QString text = LabelOf(arrow, unit);
        QPointF at;
        // A zero arrow has no length to label: it is listed in the corner.
        if (arrow.magnitude && arrow.angle && scale > 0 && std::fabs(*arrow.magnitude) > 0) {
            const double shown = std::max(std::fabs(*arrow.magnitude) / scale * r, radius * 0.2);
            at = ArrowTip(centre, shown + 0.3 * line, 1, 1,
                          *arrow.angle + (*arrow.magnitude < 0 ? 180 : 0));
        } else {
            // No direction: list it in a corner instead.
            at = QPointF(area.left() + 2, area.top() + line * (slot + 1));
            painter.setPen(colour);
            painter.drawText(at, text);
            return;
        }
        const double width = metrics.horizontalAdvance(text);
        QPointF corner(at.x() - (at.x() < centre.x() ? width : 0),
                       at.y() + (at.y() > centre.y() ? line * 0.8 : 0));
        const double free = std::clamp(corner.x(), area.left(), area.right() - width);
        if (free != corner.x()) {
            // Pushed back over its own arrow: lift it above the arrow.
            corner.setY(corner.y() - 0.6 * line);
        }
        corner.setX(free);
        corner.setY(std::clamp(corner.y(), area.top() + line, area.bottom() - 2.5 * line));
        painter.setPen(colour);
        painter.drawText(corner, text);
    };

    for (int k = 0; k < 3; ++k) {
        const PhasorArrow& u = diagram.voltages[k];
        if (u.magnitude && u.angle && voltageScale > 0) {
            QPen pen(kPhaseColour[k], 2.5, u.angleAssumed ? Qt::DashLine : Qt::SolidLine);
            DrawArrow(painter, centre,
                      ArrowTip(centre, voltageRadius, *u.magnitude, voltageScale, *u.angle), pen,
                      head);
        }
        const PhasorArrow& i = diagram.currents[k];
        if (i.magnitude && i.angle && currentScale > 0) {
            QPen pen(kPhaseColour[k], 1.5);
            DrawArrow(painter, centre,
                      ArrowTip(centre, currentRadius, *i.magnitude, currentScale, *i.angle), pen,
                      head * 0.8);
        }
    }
    int slot = 0;
    for (int k = 0; k < 3; ++k) {
        label(diagram.voltages[k], QStringLiteral("V"), voltageRadius, voltageScale,
              kPhaseColour[k], slot++);
        label(diagram.currents[k], QStringLiteral("A"), currentRadius, currentScale,
              kPhaseColour[k], slot++);
    }

    painter.setPen(Qt::black);
    const QString scales = PhasorTexts::tr("电压：外圆 = %1 V（粗线）；电流：内圆 = %2 A（细线）")
                               .arg(voltageScale > 0 ? Figure(voltageScale) : QStringLiteral("—"),
                                    currentScale > 0 ? Figure(currentScale) : QStringLiteral("—"));
    painter.drawText(QPointF(area.left() + 2, area.bottom() - 1.3 * line), scales);
    if (diagram.voltageAnglesAssumed) {
        painter.drawText(
            QPointF(area.left() + 2, area.bottom() - 0.25 * line),
            PhasorTexts::tr("虚线：本仪表不报告电压相角，按理想的 0°/−120°/+120° 假定"));
    }
    painter.restore();
}

}  // namespace mt
