// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QPointF>
#include <QString>
#include <QWidget>
#include <functional>

#include "trend/trendstore.h"
#include "trend/trendview.h"

class QCPAxis;
class QCPGraph;
class QCPItemStraightLine;
class QComboBox;
class QCustomPlot;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace mt {

// 趋势图: any of a monitor's values over time, from the monitor's trend store.
// On the left the screen's fields by group, each with a check box; on the
// right the plot: one y axis per unit, the time axis in local time, gaps
// where a tick brought no value, switch states as steps. The live view
// follows the newest tick over the chosen span; zooming or panning pauses it
// until 回到实时. A click puts the cursor there: its line shows every visible
// series' value at that tick. It redraws only between ticks.
class TrendWindow : public QWidget, public TrendView {
    Q_OBJECT

public:
    // The spans of the live view, in the order of the list.
    static constexpr qint64 kSpanSeconds[] = {60, 600, 3600, 8 * 3600, 0};  // 0: all

    // `busy` tells whether the monitor is inside a tick: redraws wait for its end.
    TrendWindow(const TrendStore& store, std::function<bool()> busy, QWidget* parent);

    // New ticks are in the store: takes them in and redraws (after the tick).
    void refresh() override;

    QWidget* widget() override { return this; }
    void setSeriesShown(const QString& key, bool shown) override;
    bool seriesShown(const QString& key) const override;
    QStringList shownSeries() const;
    void setSpan(int index) override;
    void setLive(bool live);
    bool live() const { return live_; }

    // The cursor at a time (seconds since the epoch) and what it reads.
    void setCursor(double seconds);
    QString cursorText() const { return cursorText_; }

    // The shown series over the shown time range as CSV (the one CSV writer:
    // byte-order mark, CRLF, the time as in recordings, empty cells for gaps).
    QByteArray csvBytes() const;
    bool saveCsv(const QString& path, QString* error) const;
    // The plot as PNG at the window's size times `scale`.
    bool savePng(const QString& path, double scale) const;

    QCustomPlot* plot() const { return plot_; }
    QCPGraph* graphOf(const QString& key) const { return graphs_.value(key, nullptr); }
    // The y axis of a unit, if a shown series has it.
    QCPAxis* axisOf(const QString& unit) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildTree();
    QCPGraph* makeGraph(int series);
    void fillGraph(QCPGraph* graph, int series, int from);
    void takeNewTicks();
    void placeAxes();
    void followLive();
    void redrawSoon();
    void redraw();
    void updateCursorText();
    void chooseExport(int kind);
    void say(const QString& text);

    const TrendStore& store_;
    std::function<bool()> busy_;
    QHash<QString, QCPGraph*> graphs_;
    QHash<QString, QCPAxis*> axes_;
    QHash<QString, QTreeWidgetItem*> items_;
    std::int64_t taken_ = 0;  // store.added() when last taken in
    bool live_ = true;
    bool redrawPending_ = false;
    bool fillingTree_ = false;
    double cursor_ = 0;  // 0: no cursor
    QString cursorText_;
    QPointF pressedAt_;
    int colours_ = 0;

    QTreeWidget* seriesTree = nullptr;
    QCustomPlot* plot_ = nullptr;
    QComboBox* spanList = nullptr;
    QPushButton* liveButton = nullptr;
    QPushButton* exportButton = nullptr;
    QPushButton* zoomAreaButton = nullptr;
    QLabel* cursorLine = nullptr;
    QLabel* messageLine = nullptr;
    QCPItemStraightLine* cursorItem = nullptr;
};

}  // namespace mt
