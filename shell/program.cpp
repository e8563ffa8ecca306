#include "program.h"

#include <QApplication>

#include "monitorfactory.h"
#include "platform/qtserialport.h"

namespace mt {

Program::Program() {
    QApplication::setApplicationName(QStringLiteral("metertest"));
    QApplication::setApplicationDisplayName(kAppTitle);
    // The installed desktop entry, so that desktops (Wayland's above all) give
    // the windows its name and icon.
    QApplication::setDesktopFileName(QStringLiteral("org.metertest.MeterTest"));
    start_ = std::make_unique<StartScreen>(
        [this](MeterKind kind) {
            monitor_ = MakeMonitor(kind, std::make_unique<QtSerialPort>(), Services::production());
            return monitor_.get();
        },
        Services::production());
}

}  // namespace mt
