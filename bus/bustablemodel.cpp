// SPDX-License-Identifier: GPL-3.0-or-later
#include "bustablemodel.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>

#include "bus/busreads.h"

namespace mt {

namespace {}  // namespace

// The field texts a value column shows; the voltage is the mean of three.
QStringList BusFieldsOf(int column) {
    switch (column) {
        case BusTableModel::VoltageColumn:
            return {QStringLiteral("UanT"), QStringLiteral("UbnT"), QStringLiteral("UcnT")};
        case BusTableModel::IaColumn:
            return {QStringLiteral("IaT")};
        case BusTableModel::IbColumn:
            return {QStringLiteral("IbT")};
        case BusTableModel::IcColumn:
            return {QStringLiteral("IcT")};
        case BusTableModel::PowerColumn:
            return {QStringLiteral("PsT")};
        case BusTableModel::PowerFactorColumn:
            return {QStringLiteral("PfsT")};
        case BusTableModel::FrequencyColumn:
            return {QStringLiteral("FT")};
        default:
            return {};
    }
}

namespace {

QString Ms(qint64 ms) {
    return ms < 0 ? QStringLiteral("—") : QString::number(ms);
}

}  // namespace

BusTableModel::BusTableModel(const BusPoller& poller, QObject* parent)
    : QAbstractTableModel(parent), poller_(poller) {}

int BusTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(poller_.meters().size());
}

int BusTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

void BusTableModel::reload() {
    beginResetModel();
    endResetModel();
}

void BusTableModel::refreshRow(int row) {
    if (row >= 0 && row < rowCount()) {
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    }
}

bool BusTableModel::fresh(int row, int column) const {
    const BusMeterStatus& meter = poller_.meters().at(row);
    const quint64 wanted = std::max<quint64>(1, poller_.completedRound());
    const QStringList fields = BusFieldsOf(column);
    return !fields.isEmpty() && std::all_of(fields.begin(), fields.end(), [&](const QString& f) {
        return meter.fresh(f, wanted);
    });
}

QString BusTableModel::valueText(int row, int column) const {
    const BusMeterStatus& meter = poller_.meters().at(row);
    const BusFigures figures = BusFiguresOf(meter.texts);
    switch (column) {
        case VoltageColumn:
            return figures.phaseVoltage ? QString::number(*figures.phaseVoltage, 'f', 1)
                                        : QString();
        case PowerColumn:
            if (!figures.pTotal) {
                return {};
            }
            // Shown in kW for both families: the panel-mount meter gives W.
            return QString::number(meter.meter.kind == MeterKind::PanelMount
                                       ? *figures.pTotal / 1000
                                       : *figures.pTotal,
                                   'f', 3);
        default: {
            const QStringList fields = BusFieldsOf(column);
            return fields.isEmpty() ? QString() : meter.texts.value(fields.first()).trimmed();
        }
    }
}

QVariant BusTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const BusMeterStatus& meter = poller_.meters().at(index.row());
    const int column = index.column();
    const bool value = !BusFieldsOf(column).isEmpty();
    const LineCounts& c = meter.counts;
    if (role == kOfflineRole) {
        return meter.state == BusState::Offline;
    }
    if (role == kProblemRole) {
        const bool failing =
            (meter.state == BusState::Online || meter.state == BusState::Offline) &&
            meter.lastOutcome != AnswerOutcome::Accepted;
        const bool wiring = meter.wiring && (*meter.wiring == Verdict::Attention ||
                                             *meter.wiring == Verdict::Fault);
        return meter.state == BusState::Offline || failing || wiring;
    }
    if (role == Qt::CheckStateRole && column == EnabledColumn) {
        return meter.meter.enabled ? Qt::Checked : Qt::Unchecked;
    }
    if (role == Qt::ForegroundRole && value && !fresh(index.row(), column)) {
        return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
    }
    if (role == Qt::ToolTipRole && value && !fresh(index.row(), column) &&
        !valueText(index.row(), column).isEmpty()) {
        return tr("上一轮没有更新");
    }
    if (role == Qt::TextAlignmentRole && column != NameColumn && column != FamilyColumn) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole && role != kSortRole && role != Qt::EditRole) {
        return {};
    }
    const bool sort = role == kSortRole;
    const auto number = [&](qint64 n) -> QVariant {
        return sort ? QVariant(n) : QVariant(QString::number(n));
    };
    switch (column) {
        case AddressColumn:
            return number(meter.meter.address);
        case NameColumn:
            return meter.meter.name;
        case FamilyColumn:
            return BusFamilyShown(meter.meter.kind);
        case EnabledColumn:
            return sort ? QVariant(meter.meter.enabled) : QVariant();
        case StateColumn:
            return BusStateText(meter.state);
        case LastResponseColumn:
            return sort ? QVariant(c.lastResponseMs) : QVariant(Ms(c.lastResponseMs));
        case AverageResponseColumn:
            return sort ? QVariant(c.averageResponseMs()) : QVariant(Ms(c.averageResponseMs()));
        case AcceptedColumn:
            return number(c.accepted);
        case NoAnswerColumn:
            return number(c.noAnswer);
        case BadCrcColumn:
            return number(c.badCrc);
        case ExceptionColumn:
            return number(c.exceptions);
        case MalformedColumn:
            return number(c.malformed);
        case LateColumn:
            return number(c.late);
        case WiringColumn:
            return meter.wiring ? VerdictText(*meter.wiring) : QStringLiteral("—");
        default: {
            const QString text = valueText(index.row(), column);
            if (sort) {
                bool ok = false;
                const double v = text.toDouble(&ok);
                return ok ? QVariant(v) : QVariant();
            }
            return text;
        }
    }
}

QVariant BusTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const QStringList headings = {tr("地址"),
                                         tr("名称"),
                                         tr("类型"),
                                         tr("启用"),
                                         tr("状态"),
                                         tr("相电压 V"),
                                         QStringLiteral("Ia A"),
                                         QStringLiteral("Ib A"),
                                         QStringLiteral("Ic A"),
                                         tr("总有功 kW"),
                                         tr("功率因数"),
                                         tr("频率 Hz"),
                                         tr("响应 ms"),
                                         tr("平均 ms"),
                                         tr("正常"),
                                         tr("无应答"),
                                         tr("校验错误"),
                                         tr("异常"),
                                         tr("格式错误"),
                                         tr("迟到"),
                                         tr("接线")};
    return headings.value(section);
}

Qt::ItemFlags BusTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.column() == NameColumn) {
        flags |= Qt::ItemIsEditable;
    } else if (index.column() == EnabledColumn) {
        flags |= Qt::ItemIsUserCheckable;
    }
    return flags;
}

bool BusTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.row() >= rowCount()) {
        return false;
    }
    BusMeter meter = poller_.meters().at(index.row()).meter;
    if (index.column() == NameColumn && role == Qt::EditRole) {
        meter.name = value.toString().trimmed();
    } else if (index.column() == EnabledColumn && role == Qt::CheckStateRole) {
        meter.enabled = value.toInt() == Qt::Checked;
    } else {
        return false;
    }
    emit edited(index.row(), meter);
    return true;
}

BusFilterModel::BusFilterModel(QObject* parent) : QSortFilterProxyModel(parent) {
    setSortRole(BusTableModel::kSortRole);
}

void BusFilterModel::setFilter(Filter filter) {
    filter_ = filter;
    invalidateFilter();
}

bool BusFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    switch (filter_) {
        case Filter::All:
            return true;
        case Filter::Problems:
            return index.data(BusTableModel::kProblemRole).toBool();
        case Filter::Offline:
            return index.data(BusTableModel::kOfflineRole).toBool();
    }
    return true;
}

}  // namespace mt
