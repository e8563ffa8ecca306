// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include "bus/buspoller.h"

namespace mt {

// The overview's table: one row per meter of the poller's list. Values that
// did not come in the last completed round (or in the round under way) are
// greyed, never shown as fresh. The name and the enabled box can be edited;
// the edit goes to `edited`.
class BusTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        AddressColumn,
        NameColumn,
        FamilyColumn,
        EnabledColumn,
        StateColumn,
        VoltageColumn,
        IaColumn,
        IbColumn,
        IcColumn,
        PowerColumn,
        PowerFactorColumn,
        FrequencyColumn,
        LastResponseColumn,
        AverageResponseColumn,
        AcceptedColumn,
        NoAnswerColumn,
        BadCrcColumn,
        ExceptionColumn,
        MalformedColumn,
        LateColumn,
        WiringColumn,
        ColumnCount
    };
    // Sorting by a column uses this role: numbers as numbers.
    static constexpr int kSortRole = Qt::UserRole + 1;
    // Whether the row has a problem (offline, failures, a wiring finding).
    static constexpr int kProblemRole = Qt::UserRole + 2;
    static constexpr int kOfflineRole = Qt::UserRole + 3;

    explicit BusTableModel(const BusPoller& poller, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The list changed: every row is read again.
    void reload();
    // One meter's findings changed.
    void refreshRow(int row);

    // The text of a value cell and whether it is fresh: the figure of
    // `column` for the meter in `row`.
    QString valueText(int row, int column) const;
    bool fresh(int row, int column) const;

signals:
    void edited(int row, const mt::BusMeter& meter);

private:
    const BusPoller& poller_;
};

// The field texts behind a value column of the table (empty for others).
QStringList BusFieldsOf(int column);

// The filter of the table: all, problems only, offline only.
class BusFilterModel : public QSortFilterProxyModel {
    Q_OBJECT

public:
    enum class Filter { All, Problems, Offline };
    explicit BusFilterModel(QObject* parent = nullptr);
    void setFilter(Filter filter);
    Filter filter() const { return filter_; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    Filter filter_ = Filter::All;
};

}  // namespace mt
