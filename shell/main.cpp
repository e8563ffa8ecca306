#include <QApplication>

#include "panel_meter/form1.h"
#include "platform/qtserialport.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("metertest"));
    QApplication::setApplicationDisplayName(mt::kAppTitle);

    mt::QtSerialPort port;
    mt::Form1 form(port, mt::Services::production());
    form.show();
    return QApplication::exec();
}
