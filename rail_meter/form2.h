#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QWidget>
#include <string_view>

#include "link/request.h"
#include "panel_meter/sharedrequest.h"
#include "platform/serialport.h"
#include "platform/services.h"

class QFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace mt {

class PortPanel;
class RailPollCycle;

// The DIN-rail meter monitor: the serial port panel, the value frame
// "仪表检测数据" with its four columns of measurements, energies, demands and
// time stamps, and the button row. One acquisition mode: every tick of
// Timer1 walks the eleven reads of the polling cycle.
class Form2 : public QWidget {
    Q_OBJECT

public:
    static inline const QString kStartCaption = QStringLiteral("数据采集");
    static inline const QString kStopCaption = QStringLiteral("关闭数据采集");
    static inline const QString kSecondStartCaption = QStringLiteral("二次数据采集");
    static inline const QString kSecondStopCaption = QStringLiteral("关闭二次数据采集");
    static inline const QString kExitCaption = QStringLiteral("退      出");
    static inline const QString kPortNotOpen = QStringLiteral("串口没有打开");
    // The run state of an acquisition button lives in its "tag" property.
    static inline const char* const kTagProperty = "tag";

    Form2(SerialPort& port, Services services, QWidget* parent = nullptr,
          int timerIntervalMs = 5000, RequestParameters& request = SharedRequest());

    // Start or stop acquisition. Starting needs the open port, closes and
    // reopens it and starts Timer1; the first tick comes one interval later.
    void Command1Click();
    // The hidden second acquisition button: the mirror image of Command1.
    void Command4Click();
    // Ends the program (as closing the window does).
    void Command2Click();
    // One tick of Timer1: one polling cycle.
    void Timer1Timer();
    // Writes the fields an accepted answer sets, read with the current BlockTag.
    void ShowDinRailData(const QByteArray& answer);

    // The value field with this object name ("UanT"); nullptr if there is none.
    QLineEdit* valueField(std::string_view name) const;

    PortPanel* Panel = nullptr;
    QGroupBox* Frame3 = nullptr;
    QFrame* Line1 = nullptr;  // separates the demand and time-stamp rows
    QPushButton* Command1 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command2 = nullptr;
    QTimer* Timer1 = nullptr;
    RailPollCycle* Cycle = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildValueFrame();
    void toggleAcquisition(QPushButton* button, QPushButton* other, const QString& idleCaption,
                           const QString& runningCaption);
    // The port was closed from the panel, or the device went away.
    void onPortGone();
    void endProgram();

    SerialPort& port_;
    Services services_;
    QHash<QString, QLineEdit*> fields_;
    bool ended_ = false;
};

}  // namespace mt
