// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include "metertest_version.h"
#include "platform/portmap.h"
#include "shell/aboutdialog.h"

using mt::AboutDialog;

class TestAboutDialog : public QObject {
    Q_OBJECT

private:
    QTemporaryDir runtime_;

private slots:
    void initTestCase() {
        QVERIFY(runtime_.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
    }

    void tells_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("says");
        QTest::newRow("name") << "programName"
                              << "仪表测试";
        QTest::newRow("name in Latin letters") << "programName"
                                               << "MeterTest";
        QTest::newRow("version of this build") << "version" << QString::fromLatin1(mt::kVersion);
        QTest::newRow("licence") << "licence"
                                 << "GPL-3.0-or-later";
        QTest::newRow("no warranty") << "warranty"
                                     << "不提供任何担保";
        QTest::newRow("Qt it runs on") << "qtVersion" << QString::fromLatin1(qVersion());
        QTest::newRow("port folder")
            << "portFolder" << QDir::toNativeSeparators(mt::PortLinkFolder());
    }
    void tells() {
        QFETCH(QString, line);
        QFETCH(QString, says);
        AboutDialog dialog;
        const auto* label = dialog.findChild<QLabel*>(line);
        QVERIFY(label != nullptr);
        QVERIFY2(label->text().contains(says), qPrintable(label->text()));
        // Screen readers read what the line shows.
        QCOMPARE(label->accessibleName(), label->text());
    }

    void versionComesFromTheProject() {
        QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$"))
                    .match(QString::fromLatin1(mt::kVersion))
                    .hasMatch());
    }

    // Not modal, so the monitor behind it goes on; asking again raises the
    // same dialog instead of stacking a second one.
    void showsWithoutBlocking() {
        QWidget monitor;
        monitor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&monitor));
        QPointer<AboutDialog> dialog = mt::ShowAboutDialog(&monitor);
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("关于仪表测试"));
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->windowModality(), Qt::NonModal);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(mt::ShowAboutDialog(&monitor), dialog.data());
        QCOMPARE(monitor.findChildren<AboutDialog*>().size(), 1);
    }

    // Closed from the keyboard or by its button, it goes away for good.
    void closes_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Esc") << "escape";
        QTest::newRow("Enter") << "enter";
        QTest::newRow("close button") << "click";
    }
    void closes() {
        QFETCH(QString, how);
        QWidget monitor;
        monitor.show();
        QPointer<AboutDialog> dialog = mt::ShowAboutDialog(&monitor);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QCOMPARE(dialog->closeButton->accessibleName(), QStringLiteral("关闭"));
        if (how == "escape") {
            QTest::keyClick(dialog, Qt::Key_Escape);
        } else if (how == "enter") {
            QTest::keyClick(dialog, Qt::Key_Return);
        } else {
            QTest::mouseClick(dialog->closeButton, Qt::LeftButton);
        }
        QTRY_VERIFY(dialog.isNull());
        QVERIFY(monitor.isVisible());
    }

    // Every line is shown whole: the dialog is as large as its texts.
    void textsFit() {
        AboutDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const auto labels = dialog.findChildren<QLabel*>();
        for (const QLabel* label : labels) {
            QVERIFY2(label->width() >= label->sizeHint().width() &&
                         label->height() >= label->sizeHint().height(),
                     qPrintable(label->objectName()));
            QVERIFY(dialog.rect().contains(label->geometry()));
        }
    }
};

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
