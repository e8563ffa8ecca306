// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "monitor/portpanel.h"
#include "rail_meter/form2.h"
#include "rail_meter/raildecoder.h"
#include "support/answers.h"
#include "support/fakeserialport.h"
#include "support/recordingservices.h"
#include "support/visibletext.h"

using namespace mt;
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

class TestForm2Layout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void filledFieldsAreReadable();

private:
    FakeSerialPort port_;
    RecordingServices recorder_;
    RequestParameters request_;
    std::unique_ptr<Form2> form_;
};

void TestForm2Layout::initTestCase() {
    form_ = std::make_unique<Form2>(port_, recorder_.services(), nullptr, 5000, request_);
    port_.responder = [](const QByteArray& request) {
        return FakeSerialPort::Answer{{WidestAnswerTo(request)}, 0};
    };
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    form_->portPanel->onOpenCloseClicked();
    form_->onPrimaryClicked();
    form_->onPollTimer();
    QCoreApplication::processEvents();
}

// After a tick every field holds its widest text; it must fit into the field,
// every caption into its label, and no two controls of the value frame may
// overlap.
void TestForm2Layout::filledFieldsAreReadable() {
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

    const auto labels = form_->valueFrame->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
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
    for (QWidget* w : form_->valueFrame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->isVisible() && w != form_->separatorLine) {
            controls << w;
        }
    }
    for (int i = 0; i < controls.size(); ++i) {
        QVERIFY2(form_->valueFrame->contentsRect().contains(controls[i]->geometry()),
                 qPrintable(controls[i]->objectName()));
        QVERIFY2(!controls[i]->geometry().intersects(form_->separatorLine->geometry()),
                 qPrintable(controls[i]->objectName()));
        for (int j = i + 1; j < controls.size(); ++j) {
            QVERIFY2(!controls[i]->geometry().intersects(controls[j]->geometry()),
                     qPrintable(controls[i]->objectName() + QStringLiteral(" / ") +
                                controls[j]->objectName()));
        }
    }
}

QTEST_MAIN(TestForm2Layout)
#include "tst_form2layout.moc"
