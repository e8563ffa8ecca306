// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace mt {

// "关于仪表测试": the program's name and version, its licence and the absence
// of any warranty, the Qt version it runs on and the folder where the comN
// port links live. Not modal: the monitor keeps polling behind it. Esc, Enter
// or the close button close it.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    static QString title() { return tr("关于仪表测试"); }

    explicit AboutDialog(QWidget* parent = nullptr);

    QLabel* programName = nullptr;
    QLabel* version = nullptr;
    QLabel* licence = nullptr;
    QLabel* warranty = nullptr;
    QLabel* qtVersion = nullptr;
    QLabel* portFolder = nullptr;
    QPushButton* closeButton = nullptr;
};

// Shows the About dialog of `parent`'s window, not modal: raises the one
// already open, else opens a new one that deletes itself when closed.
AboutDialog* ShowAboutDialog(QWidget* parent);

}  // namespace mt
