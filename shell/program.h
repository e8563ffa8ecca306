// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <memory>

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
    // The monitor outlives the selection screen, which closes once it is open.
    std::unique_ptr<QWidget> monitor_;
    std::unique_ptr<StartScreen> start_;
};

}  // namespace mt
