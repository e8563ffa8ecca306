// SPDX-License-Identifier: GPL-3.0-or-later
#include "railmeterwindow.h"

#include "rail_meter/railfields.h"

#include <QFontInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <array>

#include "monitor/fieldfit.h"
#include "monitor/framebox.h"
#include "monitor/twips.h"
#include "monitor/valuefield.h"
#include "raildecoder.h"

namespace mt {

namespace {

using ScreenLayout = MonitorWindow::Layout;

ScreenLayout RailMeterLayout(int timerIntervalMs) {
    ScreenLayout layout{"Form2", MeterKind::DinRail, {13290, 10575}, 9840};
    layout.primary = {mt::RailMeterWindow::tr("数据采集"), mt::RailMeterWindow::tr("关闭数据采集")};
    // The second acquisition button exists but is never shown; closing the
    // port returns only the first one to idle.
    layout.secondary = {mt::RailMeterWindow::tr("二次数据采集"),
                        mt::RailMeterWindow::tr("关闭二次数据采集")};
    layout.secondaryVisible = false;
    layout.closeReset = CloseReset::PrimaryButtonOnly;
    layout.timing = {timerIntervalMs, kRailPauseMs, true};
    return layout;
}

// The four columns of the value frame: caption, field and unit, in twips
// relative to the frame.
struct Column {
    int caption;
    int field;
    int unit;
};
constexpr std::array<Column, 4> kColumns{{
    {120, 1080, 2400},
    {3120, 4200, 5520},
    {6240, 7320, 8640},
    {9360, 10440, 11760},
}};

using Kind = RailFieldKind;
using FieldLayout = RailFieldLayout;
constexpr const auto& kLayout = kRailFields;

constexpr int kSeparatorTop = 5040;
// Two lines of caption text need a little more than the 375 twips a wrapped
// caption is usually given; the rows leave room for 480.
constexpr int kTwoLineCaptionHeight = 480;
// The widest text a numeric field can get: the most negative 32-bit energy.
const QString kWidestNumber = QStringLiteral("-21474836.48");

ValueFieldPlace PlacementOf(const FieldLayout& layout) {
    const Column& column = kColumns[static_cast<std::size_t>(layout.column)];
    ValueFieldPlace field{layout.name,
                          mt::RailMeterWindow::tr(layout.caption),
                          mt::RailMeterWindow::tr(layout.unit),
                          layout.top,
                          column.caption,
                          column.field,
                          column.unit};
    switch (layout.kind) {
        case Kind::Plain:
            break;
        case Kind::Energy:
            field.captionHeight = kTwoLineCaptionHeight;
            break;
        case Kind::Demand:
            field.captionHeight = kTwoLineCaptionHeight;
            field.fieldWidth = 1215;
            field.fieldHeight = 285;
            break;
        case Kind::Stamp:
            field.captionHeight = kTwoLineCaptionHeight;
            field.fieldWidth = 1695;
            field.fieldHeight = 285;
            // The second column's time stamp is wider than the column: its
            // caption and field start 120 twips further left.
            if (layout.column == 1) {
                field.captionLeft -= 120;
                field.fieldLeft -= 120;
            }
            break;
    }
    return field;
}

}  // namespace

RailMeterWindow::RailMeterWindow(SerialPort& port, Services services, QWidget* parent,
                                 int timerIntervalMs, RequestParameters& request)
    : MonitorWindow(RailMeterLayout(timerIntervalMs), port, std::move(services), request, parent) {
    valueFrame = new FrameBox(tr("仪表检测数据"), screenArea());
    valueFrame->setObjectName(QStringLiteral("Frame3"));
    valueFrame->setGeometry(TwipsRect(240, 3120, 12975, 6375));
    buildValueFrame();
    finishScreen();
}

void RailMeterWindow::buildValueFrame() {
    QList<QLabel*> labels;
    QList<QLineEdit*> numberFields;
    QList<QLineEdit*> stampFields;
    QList<ValueFieldEdit*> numberEdits;
    QList<ValueFieldEdit*> stampEdits;
    for (const FieldLayout& layout : kLayout) {
        const ValueField made = AddValueField(valueFrame, PlacementOf(layout));
        // Screen readers get the caption as one line.
        const QString caption = made.caption->text().remove(QLatin1Char('\n'));
        made.caption->setAccessibleName(caption);
        made.field->setAccessibleName(caption);
        made.field->setReadOnly(true);
        registerValueField(made);
        labels << made.caption;
        (layout.kind == Kind::Stamp ? stampFields : numberFields) << made.field;
        (layout.kind == Kind::Stamp ? stampEdits : numberEdits) << made.field;
        if (made.unit != nullptr) {
            labels << made.unit;
        }
    }

    // A compact style: captions a pixel below the screen's font, values two,
    // or smaller where the widest texts the fields can get would not fit
    // otherwise. The base fonts are chosen so that every value fits.
    const int screenPixels = QFontInfo(font()).pixelSize();
    const QFont captionFont = FittingLabelFont(labels, screenPixels - 1);
    for (QLabel* label : labels) {
        label->setFont(captionFont);
    }
    const QFont numberFont = FittingFieldFont(numberFields, kWidestNumber, screenPixels - 2);
    for (ValueFieldEdit* field : numberEdits) {
        field->setBaseFont(numberFont);
    }
    const QFont stampFont =
        FittingFieldFont(stampFields, WidestTimeStamp(numberFont), numberFont.pixelSize());
    for (ValueFieldEdit* field : stampEdits) {
        field->setBaseFont(stampFont);
    }

    separatorLine = new QFrame(valueFrame);
    separatorLine->setObjectName(QStringLiteral("Line1"));
    separatorLine->setFrameShape(QFrame::HLine);
    separatorLine->setFrameShadow(QFrame::Plain);
    separatorLine->setLineWidth(1);
    separatorLine->setStyleSheet(QStringLiteral("color: #808080;"));
    separatorLine->setGeometry(TwipsRect(120, kSeparatorTop, 12735, kTwipsPerPixel));
}

std::span<const PollStep> RailMeterWindow::schedule() const {
    return RailPollSchedule;
}

void RailMeterWindow::decode(AnswerBytes answer) {
    showFieldTexts(DecodeDinRailAnswer(answer, acquisition().BlockTag()));
}

}  // namespace mt
