#include "form1.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QPushButton>

#include "portpanel.h"
#include "twips.h"

namespace mt {

Form1::Form1(SerialPort& port, Services services, QWidget* parent)
    : QWidget(parent), port_(port), services_(std::move(services)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kAppTitle + QStringLiteral(" - 嵌入式多功能电力仪表"));
    setFixedSize(TwipsSize(13290, 8640));

    Panel = new PortPanel(port_, services_, this);
    Panel->move(0, 0);

    Frame3 = new QGroupBox(QStringLiteral("仪表检测数据"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setGeometry(TwipsRect(240, 3120, 12975, 4455));

    Command2 = new QPushButton(QStringLiteral("退      出"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setAccessibleName(Command2->text());
    Command2->setGeometry(TwipsRect(8880, 7800, 1300, 375));
    connect(Command2, &QPushButton::clicked, this, [this] { close(); });

    Panel->InitPortLists();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (port_.isOpen()) {
        (void)port_.close();
    }
    services_.endProgram();
    event->accept();
}

}  // namespace mt
