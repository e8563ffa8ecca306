// SPDX-License-Identifier: GPL-3.0-or-later
// The floor that bench_blackbox measures the selection screen's memory
// against: a bare Qt window of the screen's size, linked with Qt Widgets
// alone. With --controls it holds what the selection screen shows (a line of
// Chinese text, an editable list with the two families, two buttons), so that
// the difference is what the program brings beyond the toolkit's own cost of
// such a screen.
//
//   bench_floorwindow [--controls]

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <cstring>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("floor"));
    window.resize(400, 230);
    if (argc > 1 && std::strcmp(argv[1], "--controls") == 0) {
        auto* prompt = new QLabel(QStringLiteral("请选择仪表类型："), &window);
        prompt->move(60, 30);
        auto* list = new QComboBox(&window);
        list->setEditable(true);
        list->addItems({QStringLiteral("嵌入式多功能电力仪表"), QStringLiteral("导轨式电力仪表")});
        list->setGeometry(60, 47, 226, 26);
        (new QPushButton(&window))->setGeometry(96, 90, 56, 56);
        (new QPushButton(&window))->setGeometry(196, 90, 56, 56);
    }
    window.show();
    return QApplication::exec();
}
