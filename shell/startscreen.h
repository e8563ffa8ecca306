// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include "monitorfactory.h"
#include "platform/services.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace mt {

// The selection screen "start": the meter-family list and two picture
// buttons, enter and exit. Entering with a known family opens its monitor
// and closes this screen for good; any other text in the list does nothing.
class StartScreen : public QWidget {
    Q_OBJECT

public:
    static QString enterName() { return tr("进入"); }
    static QString exitName() { return tr("退出"); }

    StartScreen(MonitorFactory factory, Services services, QWidget* parent = nullptr);

    // Opens the monitor the list's text names, shows it and closes this
    // screen; does nothing for any other text.
    void onEnterClicked();
    // Ends the program.
    void onExitClicked();

    // The monitor opened from here, if any.
    QWidget* monitor() const { return monitor_; }

    QComboBox* meterTypeList = nullptr;
    QPushButton* enterButton = nullptr;
    QPushButton* exitButton = nullptr;
    QLabel* prompt = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void endProgram();

    MonitorFactory factory_;
    Services services_;
    QWidget* monitor_ = nullptr;
    bool ended_ = false;
};

}  // namespace mt
