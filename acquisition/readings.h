// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>

#include "acquisition/acquisition.h"

namespace mt {

// Something on a monitor screen that a tick can refresh: a value field (its
// object name, headed "caption (unit)") or, on the panel-mount screen, a
// switch channel.
struct Reading {
    QString key;
    QString heading;
};

// What one tick refreshed on the screen, once it has ended: the texts
// accepted answers put into readings during the tick (readings not
// refreshed are absent), the acquisition mode's name (empty on a screen
// with one mode), and the tick's request counts.
struct TickReadings {
    TickSummary summary;
    QString mode;
    QHash<QString, QString> texts;
};

}  // namespace mt
