// SPDX-License-Identifier: GPL-3.0-or-later
#include "trendwindow.h"

#include <qcustomplot.h>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

#include "csv/csvtext.h"

namespace mt {

namespace {

// Ten colours that stay apart on white.
const QColor kColours[] = {{31, 119, 180},  {214, 39, 40},  {44, 160, 44},   {255, 127, 14},
                           {148, 103, 189}, {140, 86, 75},  {227, 119, 194}, {23, 190, 207},
                           {188, 189, 34},  {127, 127, 127}};

constexpr int kRedrawRetryMs = 20;
constexpr qsizetype kSmoothPointLimit = 50000;

QString UnitLabel(const TrendSeries& s) {
    return s.isSwitch ? TrendWindow::tr("状态 (0/1)") : s.unit;
}

QString Heading(const TrendSeries& s) {
    return s.unit.isEmpty() ? s.name : QStringLiteral("%1 (%2)").arg(s.name, s.unit);
}

QString PointText(float value) {
    return std::isnan(value) ? QString() : QString::number(static_cast<double>(value), 'g', 7);
}

}  // namespace

TrendWindow::TrendWindow(const TrendStore& store, std::function<bool()> busy, QWidget* parent)
    : QWidget(parent, Qt::Window), store_(store), busy_(std::move(busy)) {
    setObjectName(QStringLiteral("TrendWindow"));
    setWindowTitle(tr("趋势图"));
    setAccessibleName(windowTitle());

    seriesTree = new QTreeWidget(this);
    seriesTree->setObjectName(QStringLiteral("SeriesTree"));
    seriesTree->setAccessibleName(tr("数值"));
    seriesTree->setHeaderLabel(tr("数值"));
    seriesTree->setMinimumWidth(200);
    buildTree();
    connect(seriesTree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        const QString key = item->data(0, Qt::UserRole).toString();
        if (!fillingTree_ && !key.isEmpty()) {
            setSeriesShown(key, item->checkState(0) == Qt::Checked);
        }
    });

    plot_ = new QCustomPlot(this);
    plot_->setObjectName(QStringLiteral("TrendPlot"));
    plot_->setAccessibleName(tr("趋势图"));
    plot_->setFocusPolicy(Qt::StrongFocus);
    plot_->setMinimumSize(480, 320);
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot_->axisRect()->setRangeDrag(Qt::Horizontal);
    plot_->axisRect()->setRangeZoom(Qt::Horizontal);
    plot_->setSelectionRectMode(QCP::srmNone);
    QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
    ticker->setDateTimeSpec(Qt::LocalTime);
    ticker->setDateTimeFormat(QStringLiteral("HH:mm:ss\nMM-dd"));
    plot_->xAxis->setTicker(ticker);
    plot_->xAxis->setLabel(tr("时间"));
    plot_->yAxis->setVisible(false);
    plot_->legend->setVisible(true);
    plot_->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
    plot_->installEventFilter(this);
    cursorItem = new QCPItemStraightLine(plot_);
    cursorItem->setPen(QPen(Qt::black, 1, Qt::DashLine));
    cursorItem->setVisible(false);

    connect(plot_, &QCustomPlot::legendClick, this,
            [this](QCPLegend*, QCPAbstractLegendItem* item, QMouseEvent*) {
                auto* entry = qobject_cast<QCPPlottableLegendItem*>(item);
                if (entry == nullptr) {
                    return;
                }
                QCPAbstractPlottable* graph = entry->plottable();
                graph->setVisible(!graph->visible());
                entry->setTextColor(graph->visible() ? Qt::black : Qt::gray);
                redrawSoon();
            });
    connect(plot_, &QCustomPlot::mouseWheel, this, [this] { setLive(false); });
    connect(plot_, &QCustomPlot::mousePress, this,
            [this](QMouseEvent* event) { pressedAt_ = event->position(); });
    connect(plot_, &QCustomPlot::mouseMove, this, [this](QMouseEvent* event) {
        if ((event->buttons() & Qt::LeftButton) &&
            (event->position() - pressedAt_).manhattanLength() > 3) {
            setLive(false);
        }
    });
    connect(plot_, &QCustomPlot::mouseRelease, this, [this](QMouseEvent* event) {
        if ((event->position() - pressedAt_).manhattanLength() <= 3 &&
            plot_->axisRect()->rect().contains(event->position().toPoint())) {
            setCursor(plot_->xAxis->pixelToCoord(event->position().x()));
        }
    });
    connect(plot_, &QCustomPlot::selectionChangedByUser, this, [this] { setLive(false); });

    auto* spanLabel = new QLabel(tr("时间范围(&R)："), this);
    spanList = new QComboBox(this);
    spanList->setObjectName(QStringLiteral("SpanList"));
    spanList->setAccessibleName(tr("时间范围"));
    spanList->addItems({tr("1 分钟"), tr("10 分钟"), tr("1 小时"), tr("8 小时"), tr("全部")});
    spanList->setCurrentIndex(1);
    spanLabel->setBuddy(spanList);
    connect(spanList, &QComboBox::currentIndexChanged, this, &TrendWindow::setSpan);

    liveButton = new QPushButton(tr("回到实时(&L)"), this);
    liveButton->setObjectName(QStringLiteral("LiveButton"));
    liveButton->setAccessibleName(tr("回到实时"));
    liveButton->setEnabled(false);
    connect(liveButton, &QPushButton::clicked, this, [this] { setLive(true); });

    zoomAreaButton = new QPushButton(tr("框选缩放(&Z)"), this);
    zoomAreaButton->setObjectName(QStringLiteral("ZoomAreaButton"));
    zoomAreaButton->setAccessibleName(tr("框选缩放"));
    zoomAreaButton->setCheckable(true);
    connect(zoomAreaButton, &QPushButton::toggled, this,
            [this](bool on) { plot_->setSelectionRectMode(on ? QCP::srmZoom : QCP::srmNone); });
    connect(plot_->selectionRect(), &QCPSelectionRect::accepted, this, [this] { setLive(false); });

    exportButton = new QPushButton(tr("导出(&E)"), this);
    exportButton->setObjectName(QStringLiteral("ExportButton"));
    exportButton->setAccessibleName(tr("导出"));
    auto* exportMenu = new QMenu(exportButton);
    exportMenu->addAction(tr("图片，窗口大小(&P)…"), this, [this] { chooseExport(0); });
    exportMenu->addAction(tr("图片，2 倍大小(&2)…"), this, [this] { chooseExport(1); });
    exportMenu->addAction(QStringLiteral("CSV(&C)…"), this, [this] { chooseExport(2); });
    exportButton->setMenu(exportMenu);

    cursorLine = new QLabel(
        tr("单击曲线区放置光标；拖动平移，滚轮缩放；键盘：←→ 平移，+− 缩放，Home 回到实时。"),
        this);
    cursorLine->setObjectName(QStringLiteral("CursorLine"));
    cursorLine->setWordWrap(true);
    cursorLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    messageLine = new QLabel(this);
    messageLine->setObjectName(QStringLiteral("MessageLine"));

    auto* controls = new QHBoxLayout;
    controls->addWidget(spanLabel);
    controls->addWidget(spanList);
    controls->addWidget(liveButton);
    controls->addWidget(zoomAreaButton);
    controls->addWidget(exportButton);
    controls->addWidget(messageLine, 1);

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addLayout(controls);
    rightLayout->addWidget(plot_, 1);
    rightLayout->addWidget(cursorLine);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(seriesTree);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);
    resize(1100, 640);
}

void TrendWindow::buildTree() {
    fillingTree_ = true;
    QHash<QString, QTreeWidgetItem*> groups;
    for (const TrendSeries& s : store_.series()) {
        QTreeWidgetItem*& group = groups[s.group];
        if (group == nullptr) {
            group = new QTreeWidgetItem(seriesTree, {s.group});
            group->setFlags(Qt::ItemIsEnabled);
            group->setExpanded(true);
        }
        auto* item = new QTreeWidgetItem(group, {Heading(s)});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(0, Qt::Unchecked);
        item->setData(0, Qt::UserRole, s.key);
        items_.insert(s.key, item);
    }
    fillingTree_ = false;
}

QCPAxis* TrendWindow::axisOf(const QString& unit) const {
    QCPAxis* axis = axes_.value(unit, nullptr);
    return axis != nullptr && axis->visible() ? axis : nullptr;
}

QCPGraph* TrendWindow::makeGraph(int series) {
    const TrendSeries& s = store_.series()[series];
    const QString unit = UnitLabel(s);
    QCPAxis*& axis = axes_[unit];
    if (axis == nullptr) {
        axis = axes_.size() == 1 ? plot_->yAxis : plot_->axisRect()->addAxis(QCPAxis::atLeft);
        axis->setLabel(unit);
    }
    axis->setVisible(true);
    QCPGraph* graph = plot_->addGraph(plot_->xAxis, axis);
    graph->setName(Heading(s));
    // One pixel wide: wider antialiased lines over a day of points cost
    // hundreds of milliseconds a redraw.
    graph->setPen(QPen(kColours[colours_++ % std::size(kColours)], 1));
    graph->setAdaptiveSampling(true);
    if (s.isSwitch) {
        graph->setLineStyle(QCPGraph::lsStepLeft);
    }
    fillGraph(graph, series, 0);
    return graph;
}

void TrendWindow::fillGraph(QCPGraph* graph, int series, int from) {
    QVector<QCPGraphData> points;
    points.reserve(store_.size() - from);
    for (int k = from; k < store_.size(); ++k) {
        const float v = store_.valueAt(series, k);
        points.append(QCPGraphData(static_cast<double>(store_.timeAt(k)) / 1000.0,
                                   std::isnan(v) ? qQNaN() : static_cast<double>(v)));
    }
    graph->data()->add(points, false);
}

void TrendWindow::setSeriesShown(const QString& key, bool shown) {
    const int series = store_.indexOf(key);
    if (series < 0 || shown == graphs_.contains(key)) {
        return;
    }
    if (shown) {
        graphs_.insert(key, makeGraph(series));
    } else {
        plot_->removeGraph(graphs_.take(key));
        placeAxes();
    }
    if (QTreeWidgetItem* item = items_.value(key); item != nullptr) {
        fillingTree_ = true;
        item->setCheckState(0, shown ? Qt::Checked : Qt::Unchecked);
        fillingTree_ = false;
    }
    redrawSoon();
}

bool TrendWindow::seriesShown(const QString& key) const {
    return graphs_.contains(key);
}

QStringList TrendWindow::shownSeries() const {
    QStringList keys;
    for (const TrendSeries& s : store_.series()) {
        if (graphs_.contains(s.key)) {
            keys << s.key;
        }
    }
    return keys;
}

// Axes without a shown series are hidden (kept for when one comes back).
void TrendWindow::placeAxes() {
    QSet<QString> used;
    for (auto it = graphs_.cbegin(); it != graphs_.cend(); ++it) {
        used.insert(UnitLabel(store_.series()[store_.indexOf(it.key())]));
    }
    for (auto it = axes_.begin(); it != axes_.end(); ++it) {
        it.value()->setVisible(used.contains(it.key()));
    }
}

void TrendWindow::setSpan(int index) {
    if (spanList->currentIndex() != index) {
        spanList->setCurrentIndex(index);
        return;
    }
    setLive(true);
}

void TrendWindow::setLive(bool live) {
    live_ = live;
    liveButton->setEnabled(!live);
    if (live) {
        redrawSoon();
    }
}

void TrendWindow::refresh() {
    redrawSoon();
}

void TrendWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    redrawSoon();
}

void TrendWindow::redrawSoon() {
    if (!redrawPending_) {
        redrawPending_ = true;
        QTimer::singleShot(0, this, &TrendWindow::redraw);
    }
}

void TrendWindow::redraw() {
    // Never inside a tick: its pauses process events, and a redraw there
    // would stretch them.
    if (busy_ && busy_()) {
        QTimer::singleShot(kRedrawRetryMs, this, &TrendWindow::redraw);
        return;
    }
    redrawPending_ = false;
    if (!isVisible()) {
        return;
    }
    takeNewTicks();
    placeAxes();
    if (live_) {
        followLive();
    }
    // Each axis fits what its series show in the time range.
    QHash<QCPAxis*, bool> fitted;
    for (QCPGraph* graph : std::as_const(graphs_)) {
        if (!graph->visible()) {
            continue;
        }
        bool& first = fitted[graph->valueAxis()];
        graph->rescaleValueAxis(first, true);
        first = true;
    }
    for (auto it = fitted.cbegin(); it != fitted.cend(); ++it) {
        QCPRange range = it.key()->range();
        const double margin = range.size() > 0 ? range.size() * 0.05 : 1.0;
        it.key()->setRange(range.lower - margin, range.upper + margin);
    }
    // Smooth lines while few points are in view; plain ones beyond, where
    // smoothing doubles the time of a redraw and shows nothing more.
    const QCPRange range = plot_->xAxis->range();
    qsizetype inView = 0;
    for (QCPGraph* graph : std::as_const(graphs_)) {
        if (graph->visible()) {
            inView += graph->data()->findEnd(range.upper) - graph->data()->findBegin(range.lower);
        }
    }
    plot_->setNotAntialiasedElements(inView > kSmoothPointLimit ? QCP::aePlottables : QCP::aeNone);
    updateCursorText();
    plot_->replot();
}

void TrendWindow::takeNewTicks() {
    const std::int64_t fresh = store_.added() - taken_;
    taken_ = store_.added();
    if (fresh <= 0 && store_.size() > 0) {
        return;
    }
    const bool all = fresh >= store_.size();
    for (auto it = graphs_.cbegin(); it != graphs_.cend(); ++it) {
        const int series = store_.indexOf(it.key());
        if (all) {
            it.value()->data()->clear();
        }
        fillGraph(it.value(), series, all ? 0 : store_.size() - static_cast<int>(fresh));
        if (store_.size() > 0) {
            // Points the store pushed out go from the plot too.
            it.value()->data()->removeBefore(static_cast<double>(store_.timeAt(0)) / 1000.0);
        }
    }
}

void TrendWindow::followLive() {
    const double newest = store_.size() > 0
                              ? static_cast<double>(store_.timeAt(store_.size() - 1)) / 1000.0
                              : static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    const qint64 span = kSpanSeconds[std::clamp(spanList->currentIndex(), 0, 4)];
    // The span, or the history held when it is shorter, so that a young
    // history fills the plot; at least a minute.
    const double first =
        store_.size() > 0 ? static_cast<double>(store_.timeAt(0)) / 1000.0 : newest - 60;
    double oldest = span == 0 ? first : std::max(newest - static_cast<double>(span), first);
    if (newest - oldest < 60) {
        oldest = newest - std::min<double>(60, span == 0 ? 60 : static_cast<double>(span));
    }
    plot_->xAxis->setRange(oldest, newest + (newest - oldest) * 0.02);
}

void TrendWindow::setCursor(double seconds) {
    cursor_ = seconds;
    cursorItem->point1->setCoords(seconds, 0);
    cursorItem->point2->setCoords(seconds, 1);
    cursorItem->setVisible(true);
    updateCursorText();
    plot_->replot();
}

void TrendWindow::updateCursorText() {
    if (cursor_ == 0 || store_.size() == 0) {
        return;
    }
    // The tick nearest the cursor.
    const auto msecs = static_cast<std::int64_t>(std::llround(cursor_ * 1000));
    int k = std::min(store_.lowerBound(msecs), store_.size() - 1);
    if (k > 0 && msecs - store_.timeAt(k - 1) < store_.timeAt(k) - msecs) {
        --k;
    }
    QStringList parts;
    for (const QString& key : shownSeries()) {
        const int series = store_.indexOf(key);
        const TrendSeries& s = store_.series()[series];
        if (!graphs_.value(key)->visible()) {
            continue;
        }
        const QString value = PointText(store_.valueAt(series, k));
        parts << QStringLiteral("%1 = %2").arg(
            s.name, value.isEmpty() ? QStringLiteral("—") : value + ' ' + s.unit);
    }
    cursorText_ =
        QDateTime::fromMSecsSinceEpoch(store_.timeAt(k)).toString(QStringLiteral("HH:mm:ss")) +
        tr("：") + parts.join(tr("；"));
    cursorLine->setText(cursorText_);
    cursorLine->setAccessibleName(cursorText_);
}

QByteArray TrendWindow::csvBytes() const {
    const QStringList keys = shownSeries();
    QStringList header{tr("时间")};
    QList<int> series;
    for (const QString& key : keys) {
        series << store_.indexOf(key);
        header << Heading(store_.series()[series.back()]);
    }
    QByteArray bytes = CsvByteOrderMark() + CsvLine(header);
    const QCPRange range = plot_->xAxis->range();
    const int from = store_.lowerBound(static_cast<std::int64_t>(std::floor(range.lower * 1000)));
    for (int k = from; k < store_.size(); ++k) {
        if (static_cast<double>(store_.timeAt(k)) / 1000.0 > range.upper) {
            break;
        }
        QStringList cells{CsvTimeText(QDateTime::fromMSecsSinceEpoch(store_.timeAt(k)))};
        for (const int s : series) {
            cells << PointText(store_.valueAt(s, k));
        }
        bytes += CsvLine(cells);
    }
    return bytes;
}

bool TrendWindow::saveCsv(const QString& path, QString* error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(csvBytes()) < 0 || !file.commit()) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

bool TrendWindow::savePng(const QString& path, double scale) const {
    return plot_->savePng(path, plot_->width(), plot_->height(), scale);
}

void TrendWindow::chooseExport(int kind) {
    const bool csv = kind == 2;
    auto* dialog = new QFileDialog(this, csv ? tr("导出趋势数据") : tr("保存趋势图"));
    dialog->setObjectName(QStringLiteral("TrendExportDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilter(csv ? tr("CSV 文件 (*.csv)") : tr("PNG 图片 (*.png)"));
    dialog->setDefaultSuffix(csv ? QStringLiteral("csv") : QStringLiteral("png"));
    dialog->setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog->selectFile(csv ? tr("趋势.csv") : tr("趋势.png"));
    connect(dialog, &QFileDialog::fileSelected, this, [this, kind](const QString& path) {
        QString error;
        const bool ok = kind == 2 ? saveCsv(path, &error) : savePng(path, kind == 1 ? 2.0 : 1.0);
        say(ok ? tr("已保存：%1").arg(path) : tr("没有保存：%1 %2").arg(path, error));
    });
    dialog->open();
}

void TrendWindow::say(const QString& text) {
    messageLine->setText(text);
    messageLine->setAccessibleName(text);
}

bool TrendWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != plot_ || event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    QCPAxis* x = plot_->xAxis;
    const double step = x->range().size() / 10;
    switch (key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right: {
            const double sign = key->key() == Qt::Key_Left ? -1 : 1;
            if (key->modifiers() & Qt::ShiftModifier) {
                setCursor((cursor_ == 0 ? x->range().center() : cursor_) + sign * step / 10);
            } else {
                setLive(false);
                x->moveRange(sign * step);
                plot_->replot();
            }
            return true;
        }
        case Qt::Key_Plus:
        case Qt::Key_Equal:
        case Qt::Key_Minus:
            setLive(false);
            x->scaleRange(key->key() == Qt::Key_Minus ? 1.25 : 0.8, x->range().center());
            plot_->replot();
            return true;
        case Qt::Key_Home:
            setLive(true);
            return true;
        default:
            return QWidget::eventFilter(watched, event);
    }
}

}  // namespace mt
