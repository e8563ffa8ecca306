#include <QApplication>
#include <memory>

#include "monitorfactory.h"
#include "platform/qtserialport.h"
#include "startscreen.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("metertest"));
    QApplication::setApplicationDisplayName(mt::kAppTitle);

    // The one monitor the selection screen opens; it owns its serial port and
    // outlives the selection screen.
    std::unique_ptr<QWidget> monitor;
    mt::StartScreen start(
        [&monitor](mt::MeterKind kind) {
            monitor = mt::MakeMonitor(kind, std::make_unique<mt::QtSerialPort>(),
                                      mt::Services::production());
            return monitor.get();
        },
        mt::Services::production());
    start.show();
    return QApplication::exec();
}
