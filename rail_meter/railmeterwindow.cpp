// SPDX-License-Identifier: GPL-3.0-or-later
#include "railmeterwindow.h"

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

enum class Kind {
    Plain,   // one-line caption, 1200 x 270 field
    Energy,  // two-line caption, 1200 x 270 field
    Demand,  // two-line caption, 1215 x 285 field, no unit
    Stamp,   // two-line caption, 1695 x 285 field, no unit
};

struct FieldLayout {
    const char* name;
    const char* caption;  // a line break marks where a two-line caption wraps
    const char* unit;
    int top;
    int column;
    Kind kind = Kind::Plain;
};

// clang-format off
constexpr FieldLayout kLayout[] = {
    {"UanT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "相电压Uan"), "V", 360, 0},    {"UabT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "线电压Uab"), "V", 360, 1},
    {"IaT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "电流Ia"), "A", 360, 2},         {"SaT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "视在功率A"), "KVA", 360, 3},
    {"UbnT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "相电压Ubn"), "V", 840, 0},    {"UbcT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "线电压Ubc"), "V", 840, 1},
    {"IbT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "电流Ib"), "A", 840, 2},         {"SbT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "视在功率B"), "KVA", 840, 3},
    {"UcnT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "相电压Ucn"), "V", 1320, 0},   {"UcaT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "线电压Uca"), "V", 1320, 1},
    {"IcT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "电流Ic"), "A", 1320, 2},        {"ScT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "视在功率C"), "KVA", 1320, 3},
    {"PaT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "有功功率Pa"), "KW", 1920, 0},  {"QaT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "无功功率Qa"), "var", 1920, 1},
    {"OaT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "AB电位相位"), QT_TRANSLATE_NOOP("mt::RailMeterWindow", "度"), 1920, 2},  {"SsT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "视在功率"), "KVA", 1920, 3},
    {"PbT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "有功功率Pb"), "KW", 2400, 0},  {"QbT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "无功功率Qb"), "var", 2400, 1},
    {"ObT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "BC电位相位"), QT_TRANSLATE_NOOP("mt::RailMeterWindow", "度"), 2400, 2},  {"PfsT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "功率因数"), "cos φ", 2400, 3},
    {"PcT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "有功功率Pc"), "KW", 2880, 0},  {"QcT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "无功功率Qc"), "var", 2880, 1},
    {"OcT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "CA电位相位"), QT_TRANSLATE_NOOP("mt::RailMeterWindow", "度"), 2880, 2},  {"FT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "电网频率"), "Hz", 2880, 3},
    {"PsT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "总有功率P"), "KW", 3360, 0},   {"QsT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "总无功功率Q"), "var", 3360, 1},
    {"SWT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前总\n有功电能"), "KWh", 3360, 2, Kind::Energy},
    {"WJT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前总尖\n有功电能"), "KWh", 3360, 3, Kind::Energy},
    {"WFT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前总峰\n有功电能"), "KWh", 3840, 0, Kind::Energy},
    {"WPT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前总平\n有功电能"), "KWh", 3840, 1, Kind::Energy},
    {"WGT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前总谷\n有功电能"), "KWh", 3840, 2, Kind::Energy},
    {"FAET", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前正向总\n有功电能"), "KWh", 3840, 3, Kind::Energy},
    {"RAET", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前反向总\n有功电能"), "KWh", 4440, 0, Kind::Energy},
    {"SRET", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前总\n无功电能"), "Kvarh", 4440, 1, Kind::Energy},
    {"FRET", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前正向总\n无功电能"), "Kvarh", 4440, 2, Kind::Energy},
    {"RRET", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前反向总\n无功电能"), "Kvarh", 4440, 3, Kind::Energy},
    {"UMaxT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "电压最大\n需求量"), "", 5160, 0, Kind::Demand},
    {"UMaxTimeT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "电压最大需量\n发生时间"), "", 5160, 1, Kind::Stamp},
    {"IMaxT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "电流最大\n需求量"), "", 5160, 2, Kind::Demand},
    {"IMaxTimeT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "电流最大需量\n发生时间"), "", 5160, 3, Kind::Stamp},
    {"EPP0TimeT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "最近电能\n清零时间"), "", 5880, 0, Kind::Stamp},
};
// clang-format on

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
