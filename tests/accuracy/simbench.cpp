// SPDX-License-Identifier: GPL-3.0-or-later
#include "simbench.h"

#include <QElapsedTimer>
#include <span>
#include <vector>

#include "sim/metermodel.h"
#include "sim/slave.h"

namespace mt::test {

struct SimBench::Meters {
    SimSource source;
    std::vector<std::unique_ptr<MeterModel>> models;
    std::vector<std::unique_ptr<Slave>> slaves;
    QElapsedTimer clock;
};

SimBench::SimBench(const QString& source) : meters_(std::make_unique<Meters>()) {
    meters_->source = SimSource(ParseSourcePoint(source.toStdString()).value_or(SourcePoint{}));
    meters_->clock.start();
    port.responder = [this](const QByteArray& request) -> std::optional<FakeSerialPort::Answer> {
        if (request.isEmpty()) {
            return std::nullopt;
        }
        const int address = static_cast<quint8>(request.at(0));
        if (muted.contains(address)) {
            return std::nullopt;
        }
        if (dropNext.value(address) > 0) {
            dropNext[address] -= 1;
            return std::nullopt;
        }
        for (const auto& slave : meters_->slaves) {
            if (slave->Address() != address) {
                continue;
            }
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(request.constData());
            const SlaveReply reply =
                slave->Handle(std::span(bytes, static_cast<std::size_t>(request.size())),
                              meters_->clock.elapsed());
            if (!reply.HasAnswer()) {
                return std::nullopt;
            }
            return FakeSerialPort::Answer{
                {QByteArray(reinterpret_cast<const char*>(reply.answer.data()),
                            static_cast<qsizetype>(reply.answer.size()))},
                0};
        }
        return std::nullopt;
    };
}

SimBench::~SimBench() = default;

bool SimBench::add(MeterKind kind, int address, const QString& errors) {
    MeterError error;
    if (!errors.isEmpty() && !AddMeterErrors(errors.toStdString(), error)) {
        return false;
    }
    meters_->models.push_back(std::make_unique<MeterModel>(
        kind, 100 + static_cast<std::uint64_t>(address), CalendarTime{}));
    meters_->models.back()->FollowSource(&meters_->source, error);
    meters_->slaves.push_back(
        std::make_unique<Slave>(*meters_->models.back(), static_cast<std::uint8_t>(address)));
    return true;
}

bool SimBench::set(const QString& point) {
    const std::int64_t now = meters_->clock.elapsed();
    const auto next = ParseSourcePoint(point.toStdString(), meters_->source.At(now));
    if (!next) {
        return false;
    }
    meters_->source.Set(now, *next);
    return true;
}

}  // namespace mt::test
