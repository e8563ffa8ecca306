// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace mt {

class SerialPort;
class SettingsStore;

// The program's title, used as window title and as the title of every message.
QString AppTitle();

// The style of a text that tells of a problem (a hint, a warning line): the
// one red of the program.
inline const QString kProblemStyle = QStringLiteral("color: #c00000;");

enum class MessageIcon { None, Warning };

// What the screens need from the outside world besides the port, injected so
// that tests run without modal boxes, without sleeping and without ending the
// test program.
struct Services {
    // Blocks the user-interface thread for the given milliseconds, then lets
    // all pending events run (receive events, clicks, timers).
    std::function<void(int milliseconds)> pause;
    // Shows a modal message with an OK button.
    std::function<void(const QString& text, const QString& title, MessageIcon icon)> message;
    // Ends the program at once.
    std::function<void()> endProgram;
    // Makes a serial component of its own for a tool that needs the line to
    // itself for a while (the meter search). Production: LinePort.
    std::function<std::unique_ptr<SerialPort>()> makePort;
    // Shows the program's About box for a window, not modal; none in tests.
    std::function<void(QWidget* window)> showAbout;
    // The remembered settings; none in tests (and then nothing is read or
    // written: every start is the first).
    std::shared_ptr<SettingsStore> settings;

    // Production: a real sleep plus event processing, QMessageBox, and
    // QCoreApplication::exit(0).
    static Services production(QWidget* messageParent = nullptr);
};

// Sleeps on the calling thread, then processes all pending events.
void SleepThenProcessEvents(int milliseconds);

}  // namespace mt
