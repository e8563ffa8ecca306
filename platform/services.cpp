// SPDX-License-Identifier: GPL-3.0-or-later
#include "services.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include "lineport.h"

namespace mt {

namespace {
struct ServiceTexts {
    Q_DECLARE_TR_FUNCTIONS(ServiceTexts)
};
}  // namespace

QString AppTitle() {
    return ServiceTexts::tr("仪表测试");
}

void SleepThenProcessEvents(int milliseconds) {
    if (milliseconds > 0) {
        QThread::msleep(static_cast<unsigned long>(milliseconds));
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

Services Services::production(QWidget* messageParent) {
    Services services;
    services.pause = &SleepThenProcessEvents;
    QPointer<QWidget> parent(messageParent);
    services.message = [parent](const QString& text, const QString& title, MessageIcon icon) {
        QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                        title, text, QMessageBox::Ok, parent.data());
        box.exec();
    };
    services.endProgram = [] { QCoreApplication::exit(0); };
    services.makePort = []() -> std::unique_ptr<SerialPort> {
        return std::make_unique<LinePort>();
    };
    return services;
}

}  // namespace mt
