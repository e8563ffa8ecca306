// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QWidget>

#include "analysis/phasors.h"

namespace mt {

// The phasor diagram as a widget; it paints whatever diagram it was given last.
class PhasorView : public QWidget {
    Q_OBJECT

public:
    explicit PhasorView(QWidget* parent = nullptr);

    void setDiagram(const PhasorDiagram& diagram);
    const PhasorDiagram& diagram() const { return diagram_; }
    // The diagram on white, `size` logical pixels at `scale` device pixels each.
    QImage picture(QSize size, qreal scale = 1.0) const;

    QSize sizeHint() const override { return {460, 460}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PhasorDiagram diagram_;
};

}  // namespace mt
