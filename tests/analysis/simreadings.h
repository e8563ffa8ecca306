// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A tick's field texts as the monitors would show them for a simulated
// meter: the simulator's registers, framed as answers and decoded by the
// screens' own decoders.

#include <QHash>
#include <QString>
#include <span>

#include "acquisition/answerbytes.h"
#include "link/pollstep.h"
#include "panel_meter/paneldecoder.h"
#include "panel_meter/panelschedule.h"
#include "rail_meter/raildecoder.h"
#include "rail_meter/railschedule.h"
#include "sim/metermodel.h"
#include "support/answers.h"

namespace mt::test {

inline QHash<QString, QString> SimTexts(const MeterModel& model, const QString& mode, qint64 ms) {
    const bool rail = model.Kind() == MeterKind::DinRail;
    const bool secondary = mode == QStringLiteral("二次");
    std::span<const PollStep> schedule = rail        ? std::span<const PollStep>(RailPollSchedule)
                                         : secondary ? std::span<const PollStep>(kSecondarySchedule)
                                                     : std::span<const PollStep>(kPrimarySchedule);
    QHash<QString, QString> texts;
    for (const PollStep& step : schedule) {
        if (step.function != 3 && step.function != 4) {
            continue;
        }
        const auto registers = model.ReadRegisters(static_cast<std::uint16_t>(step.start),
                                                   static_cast<std::uint16_t>(step.count), ms);
        if (!registers) {
            continue;
        }
        QByteArray data;
        for (const std::uint16_t r : *registers) {
            data += Be16(r);
        }
        const QByteArray answer = RegisterAnswer(data, step.function);
        const std::vector<FieldText> fields =
            rail ? DecodeDinRailAnswer(BytesOf(answer), step.blockTag.value_or(0))
                 : (secondary ? DecodeSecondaryAnswer(BytesOf(answer))
                              : DecodePrimaryAnswer(BytesOf(answer)))
                       .fields;
        for (const FieldText& f : fields) {
            texts.insert(
                QString::fromLatin1(f.field.data(), static_cast<qsizetype>(f.field.size())),
                QString::fromStdString(f.text));
        }
    }
    return texts;
}

}  // namespace mt::test
