// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "platform/portmap.h"
#include "program.h"

int main(int argc, char* argv[]) {
    // Started outside a desktop session: name the runtime folder Qt would fall
    // back to, before Qt looks for it and warns (the port links live there).
    mt::SetRuntimeFolderVariable();
    QApplication app(argc, argv);
    mt::Program program;
    program.start().show();
    return QApplication::exec();
}
