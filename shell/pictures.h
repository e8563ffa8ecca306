// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QSize>

class QPainter;
class QRect;

namespace mt {

// The selection screen's own pictures, drawn in code (no image files): a
// panel meter with a dial for "enter", a door with an arrow for "exit", and
// a quiet background of three phase waves. Drawn at the device pixel ratio
// given, so they stay sharp on high-DPI screens.
QPixmap EnterPicture(QSize size, qreal devicePixelRatio = 1.0);
QPixmap ExitPicture(QSize size, qreal devicePixelRatio = 1.0);
void PaintStartBackground(QPainter& painter, const QRect& area);

}  // namespace mt
