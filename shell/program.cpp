// SPDX-License-Identifier: GPL-3.0-or-later
#include "program.h"

#include <QApplication>

#include "aboutdialog.h"
#include "monitorfactory.h"
#include "platform/qtserialport.h"

namespace mt {

Program::Program() {
    QApplication::setApplicationName(QStringLiteral("metertest"));
    QApplication::setApplicationDisplayName(kAppTitle);
    // The installed desktop entry, so that desktops (Wayland's above all) give
    // the windows its name and icon.
    QApplication::setDesktopFileName(QStringLiteral("org.metertest.MeterTest"));
    Services services = Services::production();
    services.showAbout = [](QWidget* window) { ShowAboutDialog(window); };
    start_ = std::make_unique<StartScreen>(
        [this, services](MeterKind kind) {
            monitor_ = MakeMonitor(kind, std::make_unique<QtSerialPort>(), services);
            return monitor_.get();
        },
        services);
}

}  // namespace mt
