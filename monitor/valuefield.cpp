// SPDX-License-Identifier: GPL-3.0-or-later
#include "valuefield.h"

#include <QContextMenuEvent>
#include <QMenu>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "fieldfit.h"
#include "twips.h"

namespace mt {

ValueFieldEdit::ValueFieldEdit(QWidget* parent) : QLineEdit(parent) {}

void ValueFieldEdit::addContextAction(QAction* action) {
    contextActions_.append(action);
}

void ValueFieldEdit::contextMenuEvent(QContextMenuEvent* event) {
    // The line edit's own menu, as it shows it, with ours below.
    QMenu* menu = createStandardContextMenu();
    if (!contextActions_.isEmpty()) {
        menu->addSeparator();
        menu->addActions(contextActions_);
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void ValueFieldEdit::setBaseFont(const QFont& font) {
    baseFont_ = font;
    baseFontSet_ = true;
    fitted_ = false;
    setFont(font);
}

void ValueFieldEdit::resizeEvent(QResizeEvent* event) {
    fitted_ = false;
    QLineEdit::resizeEvent(event);
}

void ValueFieldEdit::showValue(const QString& text) {
    // A tick mostly brings values that did not change (energies, states):
    // no fitting, no layout and no drawing for them.
    if (fitted_ && text == fittedText_ && text == this->text()) {
        return;
    }
    if (!baseFontSet_) {
        baseFont_ = font();
        baseFontSet_ = true;
    }
    if (!fitted_) {
        room_ = LineEditTextRoom(this);
        baseMetrics_.emplace(baseFont_);
    }
    // Most values fit in the base font: measured once with its metrics kept.
    const QFont fitted = baseMetrics_->horizontalAdvance(text) <= room_
                             ? baseFont_
                             : FittingTextFont(baseFont_, text, room_);
    const QString tip = fitted == baseFont_ ? QString() : text;
    if (tip != toolTip()) {
        setToolTip(tip);
    }
    if (fitted != font()) {
        setFont(fitted);
    }
    setText(text);
    setCursorPosition(0);
    fitted_ = true;
    fittedText_ = text;
}

ValueField AddValueField(QWidget* frame, const ValueFieldPlace& place) {
    ValueField result;
    const QString name = QString::fromLatin1(place.name);

    result.caption = new QLabel(place.caption, frame);
    result.caption->setObjectName(name + QStringLiteral("Caption"));
    result.caption->setWordWrap(true);
    result.caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Captions are centred on the field's row; two-line captions grow upwards
    // and downwards alike.
    const int captionTop = place.top + (place.fieldHeight - place.captionHeight) / 2;
    result.caption->setGeometry(TwipsRect(place.captionLeft, captionTop,
                                          place.fieldLeft - place.captionLeft - 30,
                                          place.captionHeight));

    result.field = new ValueFieldEdit(frame);
    result.field->setObjectName(name);
    result.field->setAccessibleName(place.caption);
    result.field->setGeometry(
        TwipsRect(place.fieldLeft, place.top, place.fieldWidth, place.fieldHeight));
    result.caption->setBuddy(result.field);

    if (!place.unit.isEmpty()) {
        result.unit = new QLabel(place.unit, frame);
        result.unit->setObjectName(name + QStringLiteral("Unit"));
        // Units sit level with their field, also beside two-line captions.
        constexpr int kUnitHeight = 255;
        const int unitTop = place.top + (place.fieldHeight - kUnitHeight) / 2;
        result.unit->setGeometry(TwipsRect(place.unitLeft, unitTop, place.unitWidth, kUnitHeight));
    }
    return result;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int left,
                        int top, int width, int height) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(caption);
    button->setGeometry(TwipsRect(left, top, width, height));
    return button;
}

void SetCaption(QPushButton* button, const QString& caption) {
    button->setText(caption);
    button->setAccessibleName(caption);
}

}  // namespace mt
