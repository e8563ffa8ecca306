// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QLineEdit>
#include <QList>
#include <QString>
#include <optional>

class QAction;
class QContextMenuEvent;
class QLabel;
class QPushButton;
class QWidget;

namespace mt {

// A value field: a single-line text field that only the decoders write. A
// value shows in the field's base font when it fits; a wider one (a large
// energy, an exponent form) is set condensed and, if still needed, smaller,
// so that the whole number stays visible, and the tooltip has it whole.
class ValueFieldEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit ValueFieldEdit(QWidget* parent = nullptr);

    // The font values are shown in when they fit (the frame's font until set).
    void setBaseFont(const QFont& font);
    const QFont& baseFont() const { return baseFont_; }

    // Replaces the whole text with `text`, fitted as above, showing its start.
    // The same text again changes nothing (and draws nothing).
    void showValue(const QString& text);

    // Adds an action below the field's standard context menu (cut, copy,
    // paste, ...), which stays as it is.
    void addContextAction(QAction* action);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QList<QAction*> contextActions_;
    QFont baseFont_;
    bool baseFontSet_ = false;
    // The text last shown as a value, fitted to the field as it is now.
    bool fitted_ = false;
    QString fittedText_;
    // The room for text and the base font's metrics, while fitted_ holds.
    int room_ = 0;
    std::optional<QFontMetrics> baseMetrics_;
};

// One value field of a monitor's data frame: a caption label on its left, a
// single-line text field, and a unit label on its right. Positions in twips,
// relative to the frame.
struct ValueFieldPlace {
    const char* name;  // object name of the field, e.g. "UanT"
    QString caption;   // e.g. "相电压Uan"; also the field's accessible name
    QString unit;      // e.g. "V"; empty for no unit label
    int top;           // row top of the field
    int captionLeft;
    int fieldLeft;
    int unitLeft;
    int fieldWidth = 1200;
    int fieldHeight = 270;
    int captionHeight = 255;  // 375 for captions that wrap onto two lines
    int unitWidth = 615;
};

struct ValueField {
    QLabel* caption = nullptr;
    ValueFieldEdit* field = nullptr;
    QLabel* unit = nullptr;  // nullptr when the field has no unit
};

// Creates the three controls of one value field inside `frame`.
ValueField AddValueField(QWidget* frame, const ValueFieldPlace& place);

// A push button whose object name and accessible name are set; the accessible
// name follows the caption through SetCaption().
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int left,
                        int top, int width, int height);
void SetCaption(QPushButton* button, const QString& caption);

}  // namespace mt
