// SPDX-License-Identifier: GPL-3.0-or-later
#include "readingvalues.h"

#include <QCoreApplication>

#include <QLocale>
#include <cmath>

namespace mt {

namespace {
struct ReadingTexts {
    Q_DECLARE_TR_FUNCTIONS(ReadingTexts)
};
}  // namespace

namespace {

MaybeValue Number(const QHash<QString, QString>& texts, const QString& name) {
    const auto found = texts.constFind(name);
    if (found == texts.constEnd()) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(found->trimmed(), &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

PhaseValues Phases(const QHash<QString, QString>& texts, const char* a, const char* b,
                   const char* c) {
    return {Number(texts, QLatin1String(a)), Number(texts, QLatin1String(b)),
            Number(texts, QLatin1String(c))};
}

}  // namespace

PhaseReadings ReadPhaseValues(MeterKind kind, const QString& mode,
                              const QHash<QString, QString>& texts) {
    PhaseReadings r;
    r.kind = kind;
    r.u = Phases(texts, "UanT", "UbnT", "UcnT");
    r.uLine = Phases(texts, "UabT", "UbcT", "UcaT");
    r.i = Phases(texts, "IaT", "IbT", "IcT");
    r.p = Phases(texts, "PaT", "PbT", "PcT");
    r.q = Phases(texts, "QaT", "QbT", "QcT");
    r.pTotal = Number(texts, QStringLiteral("PsT"));
    r.qTotal = Number(texts, QStringLiteral("QsT"));
    r.sTotal = Number(texts, QStringLiteral("SsT"));
    r.powerFactor = Number(texts, QStringLiteral("PfsT"));
    r.frequency = Number(texts, QStringLiteral("FT"));
    if (kind == MeterKind::DinRail) {
        r.s = Phases(texts, "SaT", "SbT", "ScT");
        r.angle = Phases(texts, "OaT", "ObT", "OcT");
        r.powerScale = 1000;
        r.resolution = {0.1, 0.01, 0.01, 0.001, 0.01, 0.01};
    } else if (mode == ReadingTexts::tr("二次")) {
        r.resolution = {0.1, 0.001, 1, 0.001, 0.01, 0};
    } else {
        // Floating-point registers: only the voltages' "000.0" and the power
        // factor sent in thousandths have a step of their own.
        r.resolution = {0.1, 0, 0, 0.001, 0, 0};
    }
    return r;
}

QString ActivePowerUnit(const PhaseReadings& r) {
    return r.kind == MeterKind::DinRail ? QStringLiteral("kW") : QStringLiteral("W");
}

QString ReactivePowerUnit(const PhaseReadings& r) {
    return r.kind == MeterKind::DinRail ? QStringLiteral("kvar") : QStringLiteral("var");
}

QString ApparentPowerUnit(const PhaseReadings& r) {
    return r.kind == MeterKind::DinRail ? QStringLiteral("kVA") : QStringLiteral("VA");
}

}  // namespace mt
