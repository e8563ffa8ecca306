#include <QApplication>

#include "program.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    mt::Program program;
    program.start().show();
    return QApplication::exec();
}
