// SPDX-License-Identifier: GPL-3.0-or-later
#include "panelmeterwindow.h"

#include "panel_meter/panelfields.h"

#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <array>

#include "monitor/fieldfit.h"
#include "monitor/framebox.h"
#include "monitor/twips.h"
#include "monitor/valuefield.h"
#include "switchpanelview.h"

namespace mt {

namespace {

// Three columns of eight rows in the measurement frame; caption, field and
// unit left edges per column, in twips relative to the frame.
struct Column {
    int captionLeft;
    int fieldLeft;
    int unitLeft;
};
constexpr std::array<Column, 3> kColumns = {
    {{120, 1080, 2400}, {3120, 4200, 5520}, {6240, 7320, 8640}}};
constexpr std::array<int, 8> kRowTops = {360, 840, 1320, 1920, 2400, 2880, 3360, 3840};

using FieldPlace = PanelFieldPlace;
constexpr const auto& kFields = kPanelFields;

// The fields are 1200 x 270 twips (80 x 18 pixels): a thin border and no
// padding leave the most room for the number.
const QString kCompactFields = QStringLiteral(
    "QLineEdit { padding: 0px 1px; margin: 0px; border: 1px solid #8a8a8a; background: white; }");

using ScreenLayout = MonitorWindow::Layout;

ScreenLayout PanelMeterLayout(int timerIntervalMs) {
    ScreenLayout layout{"Form1", MeterKind::PanelMount, {13290, 8640}, 7800};
    layout.primary = {mt::PanelMeterWindow::tr("一次数据采集"),
                      mt::PanelMeterWindow::tr("关闭一次数据采集")};
    layout.secondary = {mt::PanelMeterWindow::tr("二次数据采集"),
                        mt::PanelMeterWindow::tr("关闭二次数据采集")};
    layout.timing = {timerIntervalMs, kPanelPauseMs, false};
    return layout;
}

// A switch channel as a reading: "Picture1.0" for output 1 and so on.
QString SwitchReadingKey(const SwitchPanelView& view, int channel) {
    return QStringLiteral("%1.%2").arg(view.objectName()).arg(channel);
}

}  // namespace

PanelMeterWindow::PanelMeterWindow(SerialPort& port, Services services, QWidget* parent,
                                   int timerIntervalMs, RequestParameters& request)
    : MonitorWindow(PanelMeterLayout(timerIntervalMs), port, std::move(services), request, parent) {
    buildMeasurementFrame();
    finishScreen();
}

void PanelMeterWindow::buildMeasurementFrame() {
    measurementFrame = new FrameBox(tr("仪表检测数据"), screenArea());
    measurementFrame->setObjectName(QStringLiteral("Frame3"));
    measurementFrame->setGeometry(TwipsRect(240, 3120, 12975, 4455));
    measurementFrame->setStyleSheet(kCompactFields);

    QList<QLabel*> captions;
    for (const FieldPlace& place : kFields) {
        const Column& column = kColumns[static_cast<std::size_t>(place.column)];
        ValueFieldPlace layout{place.name,         tr(place.caption),
                               tr(place.unit),     kRowTops[static_cast<std::size_t>(place.row)],
                               column.captionLeft, column.fieldLeft,
                               column.unitLeft};
        const ValueField field = AddValueField(measurementFrame, layout);
        captions << field.caption;
        registerValueField(field);
    }
    const QFont captionFont = FittingLabelFont(captions, QFontInfo(font()).pixelSize());
    for (QLabel* caption : captions) {
        caption->setFont(captionFont);
    }

    const auto heading = [this](const char* name, const QString& text, int top) {
        auto* label = new QLabel(text, measurementFrame);
        label->setObjectName(QString::fromLatin1(name));
        // 240 high rather than 255, so that the heading ends where its
        // picture box begins instead of reaching one pixel into it.
        label->setGeometry(TwipsRect(9480, top, 1095, 240));
    };
    heading("Picture1Heading", tr("开关量输出"), 360);
    heading("Picture2Heading", tr("开关量输入"), 2280);

    outputSwitches = new SwitchPanelView(SwitchPanelKind::Outputs, measurementFrame);
    outputSwitches->setObjectName(QStringLiteral("Picture1"));
    outputSwitches->setGeometry(TwipsRect(9480, 600, 3255, 1575));
    inputSwitches = new SwitchPanelView(SwitchPanelKind::Inputs, measurementFrame);
    inputSwitches->setObjectName(QStringLiteral("Picture2"));
    inputSwitches->setGeometry(TwipsRect(9480, 2520, 3255, 1575));

    for (SwitchPanelView* view : {outputSwitches, inputSwitches}) {
        for (int channel = 0; channel < kSwitchChannels; ++channel) {
            addReading(SwitchReadingKey(*view, channel), view->channelName(channel));
        }
    }
}

QString PanelMeterWindow::modeName() const {
    return acquisition().state().primary.enabled ? tr("一次") : tr("二次");
}

std::span<const PollStep> PanelMeterWindow::schedule() const {
    const AcquisitionState& state = acquisition().state();
    if (state.primary.enabled) {
        return kPrimarySchedule;
    }
    if (state.secondary.enabled) {
        return kSecondarySchedule;
    }
    return {};
}

void PanelMeterWindow::decode(AnswerBytes answer) {
    showDecoded(acquisition().state().primary.enabled ? DecodePrimaryAnswer(answer)
                                                      : DecodeSecondaryAnswer(answer));
}

void PanelMeterWindow::showDecoded(const DecodedAnswer& decoded) {
    showFieldTexts(decoded.fields);
    if (decoded.switches) {
        SwitchPanelView* view =
            decoded.switches->panel == SwitchPanelKind::Outputs ? outputSwitches : inputSwitches;
        view->ShowSwitchStates(decoded.switches->status);
        for (int channel = 0; channel < kSwitchChannels; ++channel) {
            noteReading(SwitchReadingKey(*view, channel), view->stateLabels()[channel]->text());
        }
    }
}

}  // namespace mt
