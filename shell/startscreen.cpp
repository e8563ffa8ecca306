// SPDX-License-Identifier: GPL-3.0-or-later
#include "startscreen.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "acquisition/meterfamily.h"
#include "pictures.h"
#include "platform/settingsstore.h"

namespace mt {

namespace {

constexpr QSize kPictureSize(44, 44);

QPushButton* MakePictureButton(QWidget* parent, const char* name, const QString& accessibleName,
                               const QPixmap& picture, const QRect& geometry) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(QIcon(picture));
    button->setIconSize(kPictureSize);
    button->setAccessibleName(accessibleName);
    button->setToolTip(accessibleName);
    button->setGeometry(geometry);
    return button;
}

}  // namespace

StartScreen::StartScreen(MonitorFactory factory, Services services, QWidget* parent)
    : QWidget(parent), factory_(std::move(factory)), services_(std::move(services)) {
    setObjectName(QStringLiteral("start"));
    setWindowTitle(AppTitle());
    setFixedSize(400, 230);

    prompt = new QLabel(tr("请选择仪表类型："), this);
    prompt->setObjectName(QStringLiteral("Prompt"));
    prompt->setGeometry(70, 26, 260, 24);

    meterTypeList = new QComboBox(this);
    meterTypeList->setObjectName(QStringLiteral("Combo1"));
    meterTypeList->setAccessibleName(tr("仪表类型"));
    meterTypeList->setEditable(true);
    // Typed text is taken as it stands and never becomes an item.
    meterTypeList->setInsertPolicy(QComboBox::NoInsert);
    meterTypeList->setGeometry(70, 54, 260, 30);
    prompt->setBuddy(meterTypeList);

    const qreal ratio = devicePixelRatioF();
    enterButton = MakePictureButton(this, "Command1", enterName(),
                                    EnterPicture(kPictureSize, ratio), QRect(110, 104, 64, 64));
    exitButton = MakePictureButton(this, "Command2", exitName(), ExitPicture(kPictureSize, ratio),
                                   QRect(226, 104, 64, 64));

    connect(enterButton, &QPushButton::clicked, this, &StartScreen::onEnterClicked);
    connect(exitButton, &QPushButton::clicked, this, &StartScreen::onExitClicked);

    meterTypeList->addItem(MeterFamilyName(MeterKind::PanelMount));
    meterTypeList->addItem(MeterFamilyName(MeterKind::DinRail));
    meterTypeList->setCurrentIndex(0);
    // The family chosen last time, when it is remembered.
    if (services_.settings && services_.settings->saved().meter == "rail") {
        meterTypeList->setCurrentIndex(1);
    }
}

void StartScreen::onEnterClicked() {
    const std::optional<MeterKind> kind = MeterKindOf(meterTypeList->currentText());
    if (!kind) {
        return;
    }
    if (monitor_ == nullptr) {
        monitor_ = factory_(*kind);
        if (monitor_ == nullptr) {
            return;
        }
        if (services_.settings) {
            services_.settings->setMeter(*kind == MeterKind::PanelMount ? "panel" : "rail");
        }
    }
    monitor_->show();
    close();
}

void StartScreen::onExitClicked() {
    endProgram();
    close();
}

void StartScreen::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    PaintStartBackground(painter, rect());
}

void StartScreen::closeEvent(QCloseEvent* event) {
    // Closing the screen before a monitor was opened leaves no window.
    if (monitor_ == nullptr) {
        endProgram();
    }
    event->accept();
}

void StartScreen::endProgram() {
    if (ended_) {
        return;
    }
    ended_ = true;
    services_.endProgram();
}

}  // namespace mt
