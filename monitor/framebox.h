// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGroupBox>
#include <QPixmap>

namespace mt {

// A screen's frame (a group box) that draws itself once into a picture and
// then only copies the part that needs redrawing. The value fields inside
// are redrawn at every tick with the frame beneath them; the style draws a
// frame by stretching a picture over the whole frame (on worker threads),
// however little of it is to be redrawn. The picture is made again when the
// frame's size, title, state or look changes.
class FrameBox : public QGroupBox {
public:
    explicit FrameBox(const QString& title, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPixmap picture_;
    QString pictureTitle_;
};

}  // namespace mt
