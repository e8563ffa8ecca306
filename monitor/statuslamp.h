// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

namespace mt {

// The port's status lamp: a circle filled with one solid colour.
class StatusLamp : public QWidget {
    Q_OBJECT

public:
    static inline const QColor kClosedColour{128, 128, 128};
    static inline const QColor kOpenColour{79, 226, 6};
    // A port open on a connection that is not (or no longer) there: a
    // network port connecting, a lost device or connection being retried.
    static inline const QColor kConnectingColour{240, 170, 0};
    static inline const QColor kLostColour{220, 40, 30};

    explicit StatusLamp(QWidget* parent = nullptr);

    QColor colour() const { return colour_; }
    // Grey and "closed", or green and "open"; also sets the accessible description.
    void showOpen(bool open);
    bool showsOpen() const { return colour_ == kOpenColour; }
    // Amber and "连接中", or red and "已断开", on an open port.
    void showConnecting();
    void showLost();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_ = kClosedColour;
};

}  // namespace mt
