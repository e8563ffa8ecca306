// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A panel-mount meter on the fake port: answers by function code and start
// register, each whole or in chunks, on time or late.

#include <QList>
#include <QMap>
#include <QPair>

#include "support/fakeserialport.h"

namespace mt::test {

// The answer cut into chunks of the given sizes (the rest in a last chunk).
inline QList<QByteArray> Chunks(const QByteArray& answer, const QList<int>& sizes = {}) {
    QList<QByteArray> chunks;
    int at = 0;
    for (int size : sizes) {
        chunks << answer.mid(at, size);
        at += size;
    }
    if (at < answer.size()) {
        chunks << answer.mid(at);
    }
    return chunks;
}

struct ScriptedMeter {
    QMap<QPair<int, int>, FakeSerialPort::Answer> answers;

    void answer(int function, int start, const QByteArray& bytes) {
        answers[{function, start}] = FakeSerialPort::Answer{{bytes}, 0};
    }
    void answer(int function, int start, const FakeSerialPort::Answer& a) {
        answers[{function, start}] = a;
    }

    void attach(FakeSerialPort& port) {
        port.responder =
            [this](const QByteArray& request) -> std::optional<FakeSerialPort::Answer> {
            if (request.size() != 8) {
                return std::nullopt;
            }
            const int start = (quint8(request[2]) << 8) | quint8(request[3]);
            const auto it = answers.constFind({int(request[1]), start});
            if (it == answers.constEnd()) {
                return std::nullopt;
            }
            return *it;
        };
    }
};

}  // namespace mt::test
