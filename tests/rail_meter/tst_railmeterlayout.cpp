// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "monitor/portpanel.h"
#include "rail_meter/raildecoder.h"
#include "rail_meter/railmeterwindow.h"
#include "support/answers.h"
#include "support/controls.h"
#include "support/fakeserialport.h"
#include "support/recordingservices.h"
#include "support/visibletext.h"

using namespace mt;
using namespace mt::test;
using mt::test::FakeSerialPort;
using mt::test::RecordingServices;
using mt::test::RegisterAnswer;
using mt::test::TextFullyVisible;

namespace {

// Answers carrying the widest texts each field can get: the most negative
// values and time stamps.
QByteArray WidestAnswerTo(const QByteArray& request) {
    const int count = (static_cast<quint8>(request[4]) << 8) | static_cast<quint8>(request[5]);
    QByteArray data;
    if (count == 10) {  // 32-bit energies: -21474836.48
        for (int i = 0; i < 5; ++i) {
            data += QByteArray::fromHex("80000000");
        }
    } else if (count == 3 || count == 4) {  // demand (-3276.8) and time stamp
        data = count == 4 ? QByteArray::fromHex("8000") : QByteArray();
        data += QByteArray::fromHex("FF0A1F0B30FF");
    } else {  // 16-bit values: -3276.8, -327.68, -32.768
        data = QByteArray(2 * count, '\0');
        for (int i = 0; i < count; ++i) {
            data[2 * i] = '\x80';
        }
    }
    return RegisterAnswer(data);
}

}  // namespace

class TestRailMeterLayout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void filledFieldsAreReadable();

private:
    FakeSerialPort port_;
    RecordingServices recorder_;
    RequestParameters request_;
    std::unique_ptr<RailMeterWindow> form_;
};

void TestRailMeterLayout::initTestCase() {
    form_ = std::make_unique<RailMeterWindow>(port_, recorder_.services(), nullptr, 5000, request_);
    port_.responder = [](const QByteArray& request) {
        return FakeSerialPort::Answer{{WidestAnswerTo(request)}, 0};
    };
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    Ctl<PortPanel>(form_, "PortPanel")->onOpenCloseClicked();
    form_->onPrimaryClicked();
    form_->onPollTimer();
    QCoreApplication::processEvents();
}

// After a tick every field holds its widest text; it must fit into the field,
// every caption into its label, and no two controls of the value frame may
// overlap.
void TestRailMeterLayout::filledFieldsAreReadable() {
    // With METERTEST_SCREENSHOTS set, keep a picture of the filled screen.
    const QString folder = qEnvironmentVariable("METERTEST_SCREENSHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        QVERIFY(form_->grab().save(folder + QStringLiteral("/form2-after-tick.png")));
    }

    for (const std::string_view name : DinRailFieldNames()) {
        QLineEdit* field = form_->valueField(name);
        QVERIFY2(field != nullptr, name.data());
        QVERIFY2(!field->text().isEmpty(), name.data());
        QVERIFY2(field->isVisible(), name.data());
        QVERIFY2(TextFullyVisible(field),
                 qPrintable(QStringLiteral("%1: \"%2\" does not show whole")
                                .arg(QLatin1String(name.data()), field->text())));
    }

    const auto labels =
        Ctl<QGroupBox>(form_, "Frame3")->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    QVERIFY(labels.size() >= 36 + 28);
    for (QLabel* label : labels) {
        const QRect needed = label->fontMetrics().boundingRect(
            label->contentsRect(), Qt::TextWordWrap | int(label->alignment()), label->text());
        QVERIFY2(needed.height() <= label->contentsRect().height() &&
                     needed.width() <= label->contentsRect().width(),
                 qPrintable(QStringLiteral("%1: \"%2\" needs %3x%4, has %5x%6")
                                .arg(label->objectName(), label->text())
                                .arg(needed.width())
                                .arg(needed.height())
                                .arg(label->contentsRect().width())
                                .arg(label->contentsRect().height())));
    }

    QList<QWidget*> controls;
    for (QWidget* w :
         Ctl<QGroupBox>(form_, "Frame3")->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->isVisible() && w != Ctl<QFrame>(form_, "Line1")) {
            controls << w;
        }
    }
    for (int i = 0; i < controls.size(); ++i) {
        QVERIFY2(Ctl<QGroupBox>(form_, "Frame3")->contentsRect().contains(controls[i]->geometry()),
                 qPrintable(controls[i]->objectName()));
        QVERIFY2(!controls[i]->geometry().intersects(Ctl<QFrame>(form_, "Line1")->geometry()),
                 qPrintable(controls[i]->objectName()));
        for (int j = i + 1; j < controls.size(); ++j) {
            QVERIFY2(!controls[i]->geometry().intersects(controls[j]->geometry()),
                     qPrintable(controls[i]->objectName() + QStringLiteral(" / ") +
                                controls[j]->objectName()));
        }
    }
}

QTEST_MAIN(TestRailMeterLayout)
#include "tst_railmeterlayout.moc"
