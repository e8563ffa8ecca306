#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

#include "link/answer.h"
#include "link/request.h"
#include "panelpoller.h"
#include "platform/serialport.h"
#include "platform/services.h"
#include "sharedrequest.h"
#include "switchmodel.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace mt {

class PortPanel;
class SwitchPanelView;

// The panel-mount meter monitor: the serial port panel at the top, the
// measurement frame with its 24 value fields and the two switch panels, and
// the button row (primary acquisition, secondary acquisition, exit). The
// polling itself lives in PanelPoller; this window shows its state and what
// the answers carry.
//
// Closing the window or the exit button ends the program through
// Services::endProgram (after closing the port and stopping the timer); the
// window does not delete itself.
class Form1 : public QWidget {
    Q_OBJECT

public:
    static inline const QString kPrimaryIdle = QStringLiteral("一次数据采集");
    static inline const QString kPrimaryRunning = QStringLiteral("关闭一次数据采集");
    static inline const QString kSecondaryIdle = QStringLiteral("二次数据采集");
    static inline const QString kSecondaryRunning = QStringLiteral("关闭二次数据采集");
    static inline const QString kExitCaption = QStringLiteral("退      出");

    Form1(SerialPort& port, Services services, QWidget* parent = nullptr,
          int timerIntervalMs = 4000, RequestParameters& request = SharedRequest());

    PortPanel* Panel = nullptr;
    QGroupBox* Frame3 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command2 = nullptr;
    QTimer* Timer1 = nullptr;
    SwitchPanelView* Picture1 = nullptr;  // switch outputs
    SwitchPanelView* Picture2 = nullptr;  // switch inputs

    // The value field of that name ("UanT", ...), or nullptr.
    QLineEdit* field(const QString& name) const;
    PanelPoller& poller() { return *poller_; }

    // Event handlers, callable from tests.
    void Command1Click();
    void Command4Click();
    void Command2Click();
    void Timer1Timer();

    // The decoders of the two modes, writing into the fields and switch panels.
    void ShowPrimaryData(AnswerBytes answer);
    void ShowSecondaryData(AnswerBytes answer);
    // Redraws one switch panel from the status byte (byte 3) of an answer.
    void ShowSwitchStates(SwitchPanelKind panel, AnswerBytes answer);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMeasurementFrame();
    void showMode(PanelPoller::Mode mode);
    void showDecoded(const DecodedAnswer& decoded);

    SerialPort& port_;
    Services services_;
    PanelPoller* poller_ = nullptr;
    QHash<QString, QLineEdit*> fields_;
};

}  // namespace mt
