// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

#include "link/meterkind.h"

namespace mt {

// One meter of the bus overview's list.
struct BusMeter {
    int address = 1;  // 1 to 247
    MeterKind kind = MeterKind::PanelMount;
    QString name;  // e.g. "1#进线柜"; may be empty
    bool enabled = true;

    bool operator==(const BusMeter&) const = default;
};

// A line of an imported list that was skipped, and why.
struct BusListProblem {
    int line = 0;  // 1-based line number in the file
    QString text;  // the line as it stood
    QString reason;

    bool operator==(const BusListProblem&) const = default;
};

struct BusListImport {
    QList<BusMeter> meters;  // the good rows, in file order
    QList<BusListProblem> problems;
};

// The family as the list writes it ("嵌入式", "导轨式"), and as it reads it:
// those words, the monitors' full family names, or "panel" and "rail" in any
// case.
QString BusFamilyText(MeterKind kind);
// The family as the screens show it, in the interface language.
QString BusFamilyShown(MeterKind kind);
std::optional<MeterKind> BusFamilyOf(const QString& text);

// The list as CSV (the program's CSV: UTF-8 with BOM, CRLF): a heading line
// "地址,名称,类型,启用", then one line per meter, 启用 as 是 or 否.
QByteArray BusListCsv(const QList<BusMeter>& meters);

// Reads a list file written by BusListCsv or by hand: UTF-8 with or without
// BOM, commas (quoted cells as in RFC 4180), an optional heading line, blank
// lines skipped. Columns: address, name, family, enabled; the name, the
// family (panel-mount) and enabled (yes) may be left out. A row whose
// address is not 1 to 247, whose family or enabled cell is unknown, or whose
// address is already taken (by `existing` or an earlier row) is listed with
// its line number and skipped; nothing else is lost.
BusListImport ParseBusList(const QByteArray& file, const QList<BusMeter>& existing = {});

// Adds a meter to the list unless its address is taken; gives whether it did.
bool AddBusMeter(QList<BusMeter>& meters, const BusMeter& meter);

}  // namespace mt
