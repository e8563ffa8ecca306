// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;

namespace mt {

// A text in the status bar that changes at every request (the counters): a
// box of its own that holds the label. A label placed in the status bar
// directly makes the bar lay itself out and redraw everything in it at each
// new text; in the box a new text redraws the label alone. The box widens
// when a text needs more room and never narrows, so the bar is laid out
// again only then.
class StatusText : public QWidget {
public:
    explicit StatusText(QWidget* parent = nullptr);

    // The label, which has the text's object and accessible names.
    QLabel* label() const { return label_; }
    void setText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* label_ = nullptr;
    int width_ = 0;
    qsizetype longest_ = -1;
};

}  // namespace mt
