// SPDX-License-Identifier: GPL-3.0-or-later
#include "aboutdialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "metertest_version.h"
#include "pictures.h"
#include "platform/portmap.h"

namespace mt {

namespace {

QLabel* AddLine(QWidget* parent, QBoxLayout* layout, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(text);
    layout->addWidget(label);
    return label;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("about"));
    setWindowTitle(title());
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    // The dialog takes the size its texts need, at any scale and font.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setSpacing(8);

    auto* header = new QHBoxLayout;
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture"));
    const QSize pictureSize(56, 56);
    picture->setPixmap(EnterPicture(pictureSize, devicePixelRatioF()));
    picture->setFixedSize(pictureSize);
    header->addWidget(picture, 0, Qt::AlignTop);
    auto* names = new QVBoxLayout;
    programName = AddLine(this, names, "programName", tr("仪表测试 MeterTest"));
    QFont bigger = programName->font();
    bigger.setPointSizeF(bigger.pointSizeF() * 1.4);
    bigger.setBold(true);
    programName->setFont(bigger);
    version = AddLine(this, names, "version", tr("版本 %1").arg(kVersion));
    AddLine(this, names, "purpose", tr("经 RS-485 以 Modbus RTU 读取三相电力仪表的测试工具"));
    header->addLayout(names);
    header->addStretch();
    layout->addLayout(header);

    licence = AddLine(this, layout, "licence",
                      tr("本程序是自由软件，按 GNU 通用公共许可证第 3 版或"
                         "（任选）更新的版本\n（GPL-3.0-or-later）发布。"));
    warranty = AddLine(this, layout, "warranty",
                       tr("本程序不提供任何担保（NO WARRANTY），"
                          "详见许可证全文。"));
    qtVersion =
        AddLine(this, layout, "qtVersion", tr("Qt 版本：%1").arg(QString::fromLatin1(qVersion())));
    portFolder = AddLine(this, layout, "portFolder",
                         tr("串口链接文件夹：%1").arg(QDir::toNativeSeparators(PortLinkFolder())));
    // The folder is for typing elsewhere: let it be selected and copied.
    portFolder->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* buttons = new QDialogButtonBox(this);
    closeButton = buttons->addButton(tr("关闭"), QDialogButtonBox::RejectRole);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setAccessibleName(tr("关闭"));
    closeButton->setDefault(true);
    closeButton->setFocus();
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

AboutDialog* ShowAboutDialog(QWidget* parent) {
    QWidget* window = parent != nullptr ? parent->window() : nullptr;
    auto* dialog = window != nullptr
                       ? window->findChild<AboutDialog*>(QString(), Qt::FindDirectChildrenOnly)
                       : nullptr;
    if (dialog == nullptr) {
        dialog = new AboutDialog(window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

}  // namespace mt
