// SPDX-License-Identifier: GPL-3.0-or-later
#include "busreads.h"

#include <array>

#include "panel_meter/paneldecoder.h"
#include "panel_meter/panelschedule.h"
#include "rail_meter/raildecoder.h"
#include "rail_meter/railschedule.h"

namespace mt {

namespace {

// The panel-mount meter's primary measurement and power blocks; its
// coils, inputs and energies are not needed here.
constexpr std::array<PollStep, 2> kPanelReads{{kPrimarySchedule[0], kPrimarySchedule[1]}};
// The DIN-rail meter's measurement block, and power factor and frequency.
constexpr std::array<PollStep, 2> kRailReads{{RailPollSchedule[0], RailPollSchedule[1]}};

std::optional<double> NumberOf(const QHash<QString, QString>& texts, const char* field) {
    bool ok = false;
    const double value = texts.value(QString::fromLatin1(field)).trimmed().toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

}  // namespace

std::span<const PollStep> BusReads(MeterKind kind) {
    return kind == MeterKind::PanelMount ? std::span<const PollStep>(kPanelReads)
                                         : std::span<const PollStep>(kRailReads);
}

std::vector<FieldText> DecodeBusAnswer(MeterKind kind, AnswerBytes answer) {
    if (kind == MeterKind::PanelMount) {
        return DecodePrimaryAnswer(answer).fields;
    }
    return DecodeDinRailAnswer(answer, 0);
}

QString BusReadsMode(MeterKind kind) {
    return kind == MeterKind::PanelMount ? QStringLiteral("一次") : QString();
}

BusFigures BusFiguresOf(const QHash<QString, QString>& texts) {
    BusFigures figures;
    double sum = 0;
    int count = 0;
    for (const char* field : {"UanT", "UbnT", "UcnT"}) {
        if (const auto u = NumberOf(texts, field)) {
            sum += *u;
            ++count;
        }
    }
    if (count > 0) {
        figures.phaseVoltage = sum / count;
    }
    figures.ia = NumberOf(texts, "IaT");
    figures.ib = NumberOf(texts, "IbT");
    figures.ic = NumberOf(texts, "IcT");
    figures.pTotal = NumberOf(texts, "PsT");
    figures.powerFactor = NumberOf(texts, "PfsT");
    figures.frequency = NumberOf(texts, "FT");
    return figures;
}

}  // namespace mt
