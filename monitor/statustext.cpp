// SPDX-License-Identifier: GPL-3.0-or-later
#include "statustext.h"

#include <QLabel>

namespace mt {

StatusText::StatusText(QWidget* parent) : QWidget(parent), label_(new QLabel(this)) {
    label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

void StatusText::setText(const QString& text) {
    label_->setText(text);
    label_->setAccessibleName(text);
    // Measuring a text costs as much as drawing it: only a text longer than
    // any before can need more room (digits are all as wide).
    if (text.size() > longest_) {
        longest_ = text.size();
        const QMargins margins = label_->contentsMargins();
        const int needed = label_->fontMetrics().horizontalAdvance(text) + margins.left() +
                           margins.right() + 2 * label_->margin();
        if (needed > width_) {
            width_ = needed;
            updateGeometry();
        }
    }
}

QSize StatusText::sizeHint() const {
    // Asked for only when the bar is laid out.
    return {width_, label_->sizeHint().height()};
}

void StatusText::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    label_->setGeometry(rect());
}

}  // namespace mt
