// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QList>
#include <QString>

class QLabel;
class QLineEdit;

namespace mt {

// The value frames pack their fields and captions into fixed grids of small
// controls. These helpers fit texts into that grid from the screen's own font,
// so the layout holds whatever font and size the desktop uses. Both monitors
// fit their texts this way: captions share the largest font in which all of
// them fit; each value field has a base font and shows a value that is too
// wide for it condensed and smaller (see ValueFieldEdit).

// Never smaller than this, whatever does not fit.
inline constexpr int kSmallestPixelSize = 7;

// The width a line edit has for its text (inside its frame and margins).
int LineEditTextRoom(const QLineEdit* field);

// The widest text a time stamp field can get, in `font` ("DD,DD,..." for
// the widest hexadecimal digit).
QString WidestTimeStamp(const QFont& font);

// The largest font not above `maxPixelSize` in which `sample` fits on one line
// into every field; below the largest size it first tries a letter spacing
// half a pixel tighter.
QFont FittingFieldFont(const QList<QLineEdit*>& fields, const QString& sample, int maxPixelSize);

// A font in which `text` fits on one line into `room` pixels: `font` itself
// when it fits, else condensed, and smaller until it fits (never below the
// smallest size).
QFont FittingTextFont(const QFont& font, const QString& text, int room);

// The largest font not above `maxPixelSize` in which every label's text,
// wrapped at word or character boundaries, fits into the label.
QFont FittingLabelFont(const QList<QLabel*>& labels, int maxPixelSize);

}  // namespace mt
