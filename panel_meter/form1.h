#pragma once

#include <QWidget>

#include "platform/serialport.h"
#include "platform/services.h"

class QGroupBox;
class QPushButton;

namespace mt {

class PortPanel;

// The panel-mount meter monitor: the serial port panel, the measurement frame
// and the button row.
class Form1 : public QWidget {
    Q_OBJECT

public:
    Form1(SerialPort& port, Services services, QWidget* parent = nullptr);

    PortPanel* Panel = nullptr;
    QGroupBox* Frame3 = nullptr;
    QPushButton* Command2 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    SerialPort& port_;
    Services services_;
};

}  // namespace mt
