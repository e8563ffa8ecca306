#include "valuefield.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "twips.h"

namespace mt {

ValueField AddValueField(QWidget* frame, const ValueFieldSpec& spec) {
    ValueField result;
    const QString name = QString::fromLatin1(spec.name);

    result.caption = new QLabel(spec.caption, frame);
    result.caption->setObjectName(name + QStringLiteral("Caption"));
    result.caption->setWordWrap(true);
    result.caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Captions are centred on the field's row; two-line captions grow upwards
    // and downwards alike.
    const int captionTop = spec.top + (spec.fieldHeight - spec.captionHeight) / 2;
    result.caption->setGeometry(TwipsRect(spec.captionLeft, captionTop,
                                          spec.fieldLeft - spec.captionLeft - 30,
                                          spec.captionHeight));

    result.field = new QLineEdit(frame);
    result.field->setObjectName(name);
    result.field->setAccessibleName(spec.caption);
    result.field->setGeometry(
        TwipsRect(spec.fieldLeft, spec.top, spec.fieldWidth, spec.fieldHeight));
    result.caption->setBuddy(result.field);

    if (!spec.unit.isEmpty()) {
        result.unit = new QLabel(spec.unit, frame);
        result.unit->setObjectName(name + QStringLiteral("Unit"));
        result.unit->setGeometry(TwipsRect(spec.unitLeft, captionTop, spec.unitWidth, 255));
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
