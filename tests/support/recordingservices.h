// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <functional>

#include "platform/services.h"

namespace mt::test {

// Services for screen tests: the pause only processes pending events (no
// sleep), messages are recorded instead of shown, and ending the program is
// recorded instead of done.
struct RecordingServices {
    struct Message {
        QString text;
        QString title;
        MessageIcon icon;
    };
    QList<Message> messages;
    QList<int> pauses;
    int endProgramCalls = 0;
    // Runs inside every pause, before events are processed (e.g. to click a
    // button "during" a pause).
    std::function<void(int pauseIndex)> duringPause;

    Services services() {
        Services s;
        s.pause = [this](int ms) {
            pauses << ms;
            if (duringPause) {
                duringPause(static_cast<int>(pauses.size()) - 1);
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        };
        s.message = [this](const QString& text, const QString& title, MessageIcon icon) {
            messages << Message{text, title, icon};
        };
        s.endProgram = [this] { ++endProgramCalls; };
        return s;
    }
};

}  // namespace mt::test
