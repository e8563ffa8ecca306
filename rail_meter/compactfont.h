#pragma once

#include <QFont>
#include <QList>
#include <QString>

class QLabel;
class QLineEdit;

namespace mt {

// The value frame of the DIN-rail monitor packs 36 fields and their captions
// into a fixed grid of small controls. These helpers pick, from the screen's
// own font, the largest compact font in which the texts fit that grid, so
// the layout holds whatever font and size the desktop uses.

// The width a line edit has for its text (inside its frame and margins).
int LineEditTextRoom(const QLineEdit* field);

// The widest text a time stamp field can get, in `font` ("DD,DD,..." for
// the widest hexadecimal digit).
QString WidestTimeStamp(const QFont& font);

// The largest font not above `maxPixelSize` in which `sample` fits on one line
// into every field; below the largest size it first tries a letter spacing
// half a pixel tighter. Never below 7 pixels.
QFont FittingFieldFont(const QList<QLineEdit*>& fields, const QString& sample, int maxPixelSize);

// The largest font not above `maxPixelSize` in which every label's text,
// wrapped at word or character boundaries, fits into the label. Never below
// 7 pixels.
QFont FittingLabelFont(const QList<QLabel*>& labels, int maxPixelSize);

}  // namespace mt
