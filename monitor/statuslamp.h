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

    explicit StatusLamp(QWidget* parent = nullptr);

    QColor colour() const { return colour_; }
    // Grey and "closed", or green and "open"; also sets the accessible description.
    void showOpen(bool open);
    bool showsOpen() const { return colour_ == kOpenColour; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_ = kClosedColour;
};

}  // namespace mt
