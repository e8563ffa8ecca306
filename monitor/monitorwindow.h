#pragma once

#include <QAnyStringView>
#include <QHash>
#include <QMainWindow>
#include <QSize>
#include <QString>
#include <span>
#include <vector>

#include "acquisition.h"
#include "link/answer.h"
#include "link/fieldtext.h"
#include "link/pollstep.h"
#include "link/request.h"
#include "platform/serialport.h"
#include "platform/services.h"
#include "valuefield.h"

class QPushButton;
class QTimer;

namespace mt {

class PortPanel;

// What both monitor screens share: the window, the serial port panel at the
// top of its screen, the button row at the bottom (the two acquisition
// buttons Command1 and Command4 and the exit button Command2), and the
// acquisition engine with the polling timer Timer1. A screen adds its value
// frame between panel and buttons, its schedule and its decoder.
//
// The screen is a fixed area laid out in twips; the window puts it in its
// central area. Closing the window or the exit button ends the program
// through Services::endProgram (after stopping the timer and closing the
// port); the window does not delete itself.
class MonitorWindow : public QMainWindow {
    Q_OBJECT

public:
    static inline const QString kExitCaption = QStringLiteral("退      出");

    // An acquisition button's captions.
    struct ButtonCaptions {
        QString idle;
        QString running;
    };

    // What differs between the two screens' frames.
    struct Layout {
        const char* objectName;  // "Form1", "Form2"
        QString meterName;       // in the window title
        QSize screenTwips;       // the screen's client area
        int buttonRowTop;        // twips
        ButtonCaptions primary = {};
        ButtonCaptions secondary = {};
        bool secondaryVisible = true;
        AcquisitionTiming timing = {};
        CloseReset closeReset = CloseReset::BothButtons;
    };

    PortPanel* portPanel = nullptr;
    QPushButton* primaryButton = nullptr;    // Command1
    QPushButton* secondaryButton = nullptr;  // Command4
    QPushButton* exitButton = nullptr;       // Command2
    QTimer* pollTimer = nullptr;             // Timer1

    // The fixed area that holds the screen's controls, placed in twips.
    QWidget* screen() const { return screen_; }
    // The value field with that object name ("UanT", ...), or nullptr.
    ValueFieldEdit* valueField(QAnyStringView name) const;
    AcquisitionEngine& acquisition() { return *engine_; }
    const AcquisitionEngine& acquisition() const { return *engine_; }

    // The buttons' clicks and the timer's tick, as the user or the timer
    // makes them.
    void onPrimaryClicked();
    void onSecondaryClicked();
    void onExitClicked();
    void onPollTimer();

protected:
    MonitorWindow(const Layout& layout, SerialPort& port, Services services,
                  RequestParameters& request, QWidget* parent);

    // Called by the screen once its value frame is built: adds the button
    // row (after the frame, for the keyboard's order) and fills the panel.
    void finishScreen();
    // Makes a value field known by its object name.
    void registerValueField(ValueFieldEdit* field);
    // Shows decoded texts in the fields they name.
    void showFieldTexts(const std::vector<FieldText>& texts);

    // The reads of one tick in the engine's present state (empty: none).
    virtual std::span<const PollStep> schedule() const = 0;
    // Shows an accepted answer.
    virtual void decode(AnswerBytes answer) = 0;

    void closeEvent(QCloseEvent* event) override;

    SerialPort& port_;
    Services services_;

private:
    void showState(const AcquisitionState& state);

    Layout layout_;
    QWidget* screen_ = nullptr;
    QHash<QString, ValueFieldEdit*> fields_;
    AcquisitionEngine* engine_ = nullptr;
};

}  // namespace mt
