// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "startscreen.h"

namespace mt {

// The program as it starts, for main() and for anything that measures the
// start: the application's names, and the selection screen whose enter button
// makes the one monitor, with its own serial port and the production
// services. Needs a QApplication.
class Program {
public:
    Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    StartScreen& start() { return *start_; }

private:
    // Lets a monitor's bus overview open a monitor of the other family.
    void letOpenOtherMonitors(QWidget* monitor);

    Services services_;
    // The monitor outlives the selection screen, which closes once it is open.
    std::unique_ptr<QWidget> monitor_;
    // Monitors opened from a bus overview for meters of the other family.
    std::vector<std::unique_ptr<QWidget>> others_;
    std::unique_ptr<StartScreen> start_;
};

}  // namespace mt
