// SPDX-License-Identifier: GPL-3.0-or-later
#include "trendstore.h"

#include <QCoreApplication>

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace mt {

namespace {
struct TrendTexts {
    Q_DECLARE_TR_FUNCTIONS(TrendTexts)
};
}  // namespace

namespace {

// Where a field sits on the screen, by its unit (and a few by name).
QString GroupOf(const QString& key, const QString& unit) {
    const QString u = unit.toLower();
    if (key == QLatin1String("UMaxT") || key == QLatin1String("IMaxT")) {
        return TrendTexts::tr("需量");
    }
    if (u == QLatin1String("v")) {
        return TrendTexts::tr("电压");
    }
    if (u == QLatin1String("a")) {
        return TrendTexts::tr("电流");
    }
    if (u == QLatin1String("w") || u == QLatin1String("kw") || u == QLatin1String("var") ||
        u == QLatin1String("kvar") || u == QLatin1String("va") || u == QLatin1String("kva")) {
        return TrendTexts::tr("功率");
    }
    if (u == QStringLiteral("cos φ") || u == QLatin1String("hz")) {
        return TrendTexts::tr("功率因数与频率");
    }
    if (u.endsWith(QLatin1String("h"))) {
        return TrendTexts::tr("电能");
    }
    if (unit == QStringLiteral("度") || unit == TrendTexts::tr("度")) {
        return TrendTexts::tr("相角");
    }
    return TrendTexts::tr("其他");
}

}  // namespace

bool IsTrendable(const QString& key) {
    return !key.endsWith(QLatin1String("TimeT"));
}

QList<TrendSeries> TrendSeriesOf(const QList<Reading>& readings) {
    static const QRegularExpression withUnit(QStringLiteral("^(.*) \\(([^()]*)\\)$"));
    QList<TrendSeries> series;
    for (const Reading& reading : readings) {
        if (!IsTrendable(reading.key)) {
            continue;
        }
        TrendSeries s;
        s.key = reading.key;
        const QRegularExpressionMatch m = withUnit.match(reading.heading);
        s.name = m.hasMatch() ? m.captured(1) : reading.heading;
        s.unit = m.hasMatch() ? m.captured(2) : QString();
        // Value fields are named "...T"; everything else a screen adds is a
        // switch channel.
        s.isSwitch = !reading.key.endsWith(QLatin1Char('T'));
        s.group = s.isSwitch ? TrendTexts::tr("开关量") : GroupOf(s.key, s.unit);
        series.append(s);
    }
    return series;
}

float TrendValueOf(const QString& text, bool isSwitch) {
    if (isSwitch) {
        if (text == QStringLiteral("闭合") || text == TrendTexts::tr("闭合")) {
            return 1.0F;
        }
        return text == QStringLiteral("断开") || text == TrendTexts::tr("断开") ? 0.0F
                                                                                : TrendStore::kGap;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) {
        return TrendStore::kGap;
    }
    return static_cast<float>(value);
}

TrendStore::TrendStore(QList<TrendSeries> series, int capacity)
    : series_(std::move(series)), capacity_(std::max(1, capacity)) {
    times_.assign(static_cast<std::size_t>(capacity_), 0);
    values_.resize(static_cast<std::size_t>(series_.size()));
    for (int i = 0; i < series_.size(); ++i) {
        index_.insert(series_[i].key, i);
        values_[static_cast<std::size_t>(i)].assign(static_cast<std::size_t>(capacity_), kGap);
    }
}

void TrendStore::addTick(std::int64_t msecsSinceEpoch, const QHash<QString, QString>& texts) {
    std::size_t at = 0;
    if (size_ < capacity_) {
        at = slot(size_);
        ++size_;
    } else {
        at = static_cast<std::size_t>(head_);
        head_ = (head_ + 1) % capacity_;
    }
    times_[at] = msecsSinceEpoch;
    for (int i = 0; i < series_.size(); ++i) {
        const auto found = texts.constFind(series_[i].key);
        values_[static_cast<std::size_t>(i)][at] =
            found == texts.constEnd() ? kGap : TrendValueOf(*found, series_[i].isSwitch);
    }
    ++added_;
}

void TrendStore::clear() {
    head_ = 0;
    size_ = 0;
}

int TrendStore::lowerBound(std::int64_t msecs) const {
    int low = 0;
    int high = size_;
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (timeAt(mid) < msecs) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    return low;
}

std::size_t TrendStore::bytesHeld() const {
    std::size_t bytes = times_.capacity() * sizeof(std::int64_t);
    for (const auto& v : values_) {
        bytes += v.capacity() * sizeof(float);
    }
    return bytes;
}

}  // namespace mt
