// SPDX-License-Identifier: GPL-3.0-or-later
#include "busreads.h"

namespace mt {

namespace {

std::optional<double> NumberOf(const QHash<QString, QString>& texts, const char* field) {
    bool ok = false;
    const double value = texts.value(QString::fromLatin1(field)).trimmed().toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

}  // namespace

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
