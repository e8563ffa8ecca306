// SPDX-License-Identifier: GPL-3.0-or-later
#include "fieldfit.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace mt {

namespace {

// QLineEdit keeps this many pixels free on either side of its text.
constexpr int kLineEditInnerMargin = 2;

QFont WithPixelSize(QFont font, int pixelSize, qreal letterSpacing) {
    font.setPixelSize(pixelSize);
    font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return font;
}

bool Fits(const QFont& font, const QString& text, int room) {
    return QFontMetrics(font).horizontalAdvance(text) <= room;
}

}  // namespace

int LineEditTextRoom(const QLineEdit* field) {
    QStyleOptionFrame option;
    option.initFrom(field);
    option.rect = field->rect();
    option.lineWidth = field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth,
                                                                       &option, field)
                                         : 0;
    const QRect contents =
        field->style()->subElementRect(QStyle::SE_LineEditContents, &option, field);
    const QMargins margins = field->textMargins();
    return contents.width() - margins.left() - margins.right() - 2 * kLineEditInnerMargin;
}

QString WidestTimeStamp(const QFont& font) {
    const QFontMetrics metrics(font);
    QChar widest = QLatin1Char('0');
    for (const QChar c : QStringLiteral("0123456789ABCDEF")) {
        if (metrics.horizontalAdvance(c) > metrics.horizontalAdvance(widest)) {
            widest = c;
        }
    }
    const QString pair(2, widest);
    return QStringList(6, pair).join(QLatin1Char(','));
}

QFont FittingFieldFont(const QList<QLineEdit*>& fields, const QString& sample, int maxPixelSize) {
    if (fields.isEmpty()) {
        return {};
    }
    int room = LineEditTextRoom(fields.first());
    for (const QLineEdit* field : fields) {
        room = std::min(room, LineEditTextRoom(field));
    }
    const QFont base = fields.first()->font();
    QFont font = base;
    for (int size = std::max(maxPixelSize, kSmallestPixelSize); size >= kSmallestPixelSize;
         --size) {
        for (const qreal spacing : {0.0, -0.5}) {
            font = WithPixelSize(base, size, spacing);
            if (Fits(font, sample, room)) {
                return font;
            }
        }
    }
    return font;
}

QFont FittingTextFont(const QFont& font, const QString& text, int room) {
    if (Fits(font, text, room)) {
        return font;
    }
    QFont condensed = font;
    condensed.setStretch(QFont::SemiCondensed);
    for (int size = QFontInfo(font).pixelSize(); size >= kSmallestPixelSize; --size) {
        condensed.setPixelSize(size);
        if (Fits(condensed, text, room)) {
            break;
        }
    }
    return condensed;
}

QFont FittingLabelFont(const QList<QLabel*>& labels, int maxPixelSize) {
    if (labels.isEmpty()) {
        return {};
    }
    const QFont base = labels.first()->font();
    QFont font = base;
    for (int size = std::max(maxPixelSize, kSmallestPixelSize); size >= kSmallestPixelSize;
         --size) {
        font = WithPixelSize(base, size, 0.0);
        const QFontMetrics metrics(font);
        const bool allFit = std::all_of(labels.begin(), labels.end(), [&](const QLabel* label) {
            const QRect room = label->contentsRect();
            const QRect needed = metrics.boundingRect(
                room, Qt::TextWordWrap | int(label->alignment()), label->text());
            return needed.width() <= room.width() && needed.height() <= room.height();
        });
        if (allFit) {
            return font;
        }
    }
    return font;
}

}  // namespace mt
