// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether a value field shows its whole text, judged from what it paints:
// the text's ink in the field must be as wide as the same text's ink in a
// line edit wide enough for anything.

#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <algorithm>

namespace mt::test {

// The width in pixels of the dark ink (text) a widget paints, between its
// leftmost and rightmost inked column; 0 for none. Borders and backgrounds
// are lighter than the threshold.
inline int InkWidth(QWidget* widget) {
    const QImage image = widget->grab().toImage();
    const int margin = 3;  // the frame's own pixels
    int left = image.width();
    int right = -1;
    for (int x = margin; x < image.width() - margin; ++x) {
        for (int y = margin; y < image.height() - margin; ++y) {
            if (qGray(image.pixel(x, y)) < 80) {
                left = std::min(left, x);
                right = std::max(right, x);
                break;
            }
        }
    }
    return right < left ? 0 : right - left + 1;
}

inline bool TextFullyVisible(QLineEdit* field) {
    QLineEdit wide;
    wide.setFont(field->font());
    wide.setFrame(false);
    wide.resize(4000, std::max(field->height(), 40));
    wide.setText(field->text());
    wide.setCursorPosition(0);
    return InkWidth(field) >= InkWidth(&wide) - 1;
}

}  // namespace mt::test
