#include "form1.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <array>

#include "portpanel.h"
#include "switchpanelview.h"
#include "twips.h"
#include "valuefield.h"

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

struct FieldPlace {
    const char* name;
    const char* caption;
    const char* unit;
    int column;
    int row;
};

constexpr std::array<FieldPlace, 24> kFields = {{
    {"UanT", "相电压Uan", "V", 0, 0},      {"UbnT", "相电压Ubn", "V", 0, 1},
    {"UcnT", "相电压Ucn", "V", 0, 2},      {"PaT", "有功功率Pa", "W", 0, 3},
    {"PbT", "有功功率Pb", "W", 0, 4},      {"PcT", "有功功率Pc", "W", 0, 5},
    {"PsT", "总有功率P", "W", 0, 6},       {"WPPT", "正有功电能", "kWh", 0, 7},
    {"UabT", "线电压Uab", "V", 1, 0},      {"UbcT", "线电压Ubc", "V", 1, 1},
    {"UcaT", "线电压Uca", "V", 1, 2},      {"QaT", "无功功率Qa", "var", 1, 3},
    {"QbT", "无功功率Qb", "var", 1, 4},    {"QcT", "无功功率Qc", "var", 1, 5},
    {"QsT", "总无功功率Q", "var", 1, 6},   {"WPNT", "负有功电能", "kWh", 1, 7},
    {"IaT", "电流Ia", "A", 2, 0},          {"IbT", "电流Ib", "A", 2, 1},
    {"IcT", "电流Ic", "A", 2, 2},          {"PfsT", "功率因数", "cos φ", 2, 3},
    {"FT", "电网频率", "Hz", 2, 4},        {"SsT", "视在功率", "VA", 2, 5},
    {"WQPT", "正无功电能", "kvarh", 2, 6}, {"WQNT", "负无功电能", "kvarh", 2, 7},
}};

// The fields are 1200 x 270 twips (80 x 18 pixels): a thin border and no
// padding leave the most room for the number.
const QString kCompactFields = QStringLiteral(
    "QLineEdit { padding: 0px 1px; margin: 0px; border: 1px solid #8a8a8a; background: white; }");
// Border and padding of the style above, and the line edit's own margin of
// two pixels, on both sides.
constexpr int kFieldTextInset = 2 * (1 + 1 + 2);
constexpr qreal kSmallestFieldPoints = 7.0;

// Most values fit a field in the normal font. A wide one (a large energy, an
// exponent form) is set condensed and, if still needed, a little smaller, so
// that the whole number stays visible; the tooltip always has it whole.
void FitFieldText(QLineEdit* edit, const QString& text) {
    const int room = edit->width() - kFieldTextInset;
    QFont font = edit->parentWidget()->font();
    if (QFontMetrics(font).horizontalAdvance(text) > room) {
        font.setStretch(QFont::SemiCondensed);
        const bool points = font.pointSizeF() > 0;
        while (QFontMetrics(font).horizontalAdvance(text) > room) {
            if (points && font.pointSizeF() - 0.5 >= kSmallestFieldPoints) {
                font.setPointSizeF(font.pointSizeF() - 0.5);
            } else if (!points && font.pixelSize() > 9) {
                font.setPixelSize(font.pixelSize() - 1);
            } else {
                break;
            }
        }
        edit->setToolTip(text);
    } else {
        edit->setToolTip(QString());
    }
    edit->setFont(font);
    edit->setText(text);
    edit->setCursorPosition(0);
}

// Caption labels get the room between their left edge and their field. When
// a caption does not fit on one line in the platform's font, all captions of
// the frame are set a little smaller (down to four fifths of the size), so
// that they keep one size; a caption that still does not fit wraps onto two
// lines, growing up and down alike.
void FitCaptions(const QList<QLabel*>& captions) {
    if (captions.isEmpty()) {
        return;
    }
    QFont font = captions.front()->font();
    const bool points = font.pointSizeF() > 0;
    const qreal base = points ? font.pointSizeF() : font.pixelSize();
    const auto allFit = [&] {
        const QFontMetrics metrics(font);
        return std::all_of(captions.begin(), captions.end(), [&](const QLabel* caption) {
            return metrics.horizontalAdvance(caption->text()) <= caption->width();
        });
    };
    for (qreal size = base; !allFit() && size - 0.5 >= base * 0.8;) {
        size -= 0.5;
        if (points) {
            font.setPointSizeF(size);
        } else {
            font.setPixelSize(static_cast<int>(size));
        }
    }
    const QFontMetrics metrics(font);
    for (QLabel* caption : captions) {
        caption->setFont(font);
        caption->setWordWrap(false);
        if (metrics.horizontalAdvance(caption->text()) > caption->width()) {
            caption->setWordWrap(true);
            const int grow = Px(375) - caption->height();
            caption->setGeometry(caption->geometry().adjusted(0, -grow / 2, 0, grow - grow / 2));
        }
    }
}

}  // namespace

Form1::Form1(SerialPort& port, Services services, QWidget* parent, int timerIntervalMs,
             RequestParameters& request)
    : QWidget(parent), port_(port), services_(std::move(services)) {
    setObjectName(QStringLiteral("Form1"));
    // The screen's serial component goes by the name the screen knows it by.
    port_.setObjectName(QStringLiteral("MSComm1"));
    setWindowTitle(kAppTitle + QStringLiteral(" - 嵌入式多功能电力仪表"));
    setFixedSize(TwipsSize(13290, 8640));

    Panel = new PortPanel(port_, services_, this);
    Panel->move(0, 0);

    buildMeasurementFrame();

    Command1 = MakeButton(this, "Command1", kPrimaryIdle, 720, 7800, 1935, 375);
    Command4 = MakeButton(this, "Command4", kSecondaryIdle, 4920, 7800, 1935, 375);
    Command2 = MakeButton(this, "Command2", kExitCaption, 8880, 7800, 1300, 375);
    Command1->setProperty("tag", QStringLiteral("0"));
    Command4->setProperty("tag", QStringLiteral("0"));

    PanelPoller::Hooks hooks;
    hooks.addressText = [this] { return Panel->addressText(); };
    hooks.reopenPort = [this] { return Panel->reopenPort(); };
    hooks.showAddressInvalid = [this](bool invalid) { Panel->showAddressInvalid(invalid); };
    hooks.show = [this](const DecodedAnswer& decoded) { showDecoded(decoded); };
    poller_ = new PanelPoller(port_, services_, request, std::move(hooks), timerIntervalMs, this);
    Timer1 = poller_->timer();

    connect(poller_, &PanelPoller::modeChanged, this, &Form1::showMode);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2Click);
    connect(Panel, &PortPanel::portClosed, poller_, &PanelPoller::onPortClosed);
    connect(Panel, &PortPanel::portLost, poller_, &PanelPoller::onPortClosed);
    connect(Panel, &PortPanel::portSwitched, poller_, &PanelPoller::onPortSwitched);

    Panel->InitPortLists();
}

void Form1::buildMeasurementFrame() {
    Frame3 = new QGroupBox(QStringLiteral("仪表检测数据"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setGeometry(TwipsRect(240, 3120, 12975, 4455));
    Frame3->setStyleSheet(kCompactFields);

    QList<QLabel*> captions;
    for (const FieldPlace& place : kFields) {
        const Column& column = kColumns[static_cast<std::size_t>(place.column)];
        ValueFieldPlace layout{place.name,
                               QString::fromUtf8(place.caption),
                               QString::fromUtf8(place.unit),
                               kRowTops[static_cast<std::size_t>(place.row)],
                               column.captionLeft,
                               column.fieldLeft,
                               column.unitLeft};
        const ValueField field = AddValueField(Frame3, layout);
        captions << field.caption;
        fields_.insert(QString::fromLatin1(place.name), field.field);
    }
    FitCaptions(captions);

    const auto heading = [this](const char* name, const QString& text, int top) {
        auto* label = new QLabel(text, Frame3);
        label->setObjectName(QString::fromLatin1(name));
        // 240 high rather than 255, so that the heading ends where its
        // picture box begins instead of reaching one pixel into it.
        label->setGeometry(TwipsRect(9480, top, 1095, 240));
    };
    heading("Picture1Heading", QStringLiteral("开关量输出"), 360);
    heading("Picture2Heading", QStringLiteral("开关量输入"), 2280);

    Picture1 = new SwitchPanelView(SwitchPanelKind::Outputs, Frame3);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(TwipsRect(9480, 600, 3255, 1575));
    Picture2 = new SwitchPanelView(SwitchPanelKind::Inputs, Frame3);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(TwipsRect(9480, 2520, 3255, 1575));
}

QLineEdit* Form1::field(const QString& name) const {
    return fields_.value(name, nullptr);
}

void Form1::Command1Click() {
    poller_->toggle(PanelPoller::Mode::Primary);
}

void Form1::Command4Click() {
    poller_->toggle(PanelPoller::Mode::Secondary);
}

void Form1::Command2Click() {
    poller_->end();
    close();
}

void Form1::Timer1Timer() {
    poller_->tick();
}

void Form1::showMode(PanelPoller::Mode mode) {
    const bool primary = mode == PanelPoller::Mode::Primary;
    const bool secondary = mode == PanelPoller::Mode::Secondary;
    SetCaption(Command1, primary ? kPrimaryRunning : kPrimaryIdle);
    Command1->setProperty("tag", primary ? QStringLiteral("1") : QStringLiteral("0"));
    Command1->setEnabled(!secondary);
    SetCaption(Command4, secondary ? kSecondaryRunning : kSecondaryIdle);
    Command4->setProperty("tag", secondary ? QStringLiteral("1") : QStringLiteral("0"));
    Command4->setEnabled(!primary);
}

void Form1::showDecoded(const DecodedAnswer& decoded) {
    for (const FieldText& f : decoded.fields) {
        if (QLineEdit* edit = field(QString::fromLatin1(f.field))) {
            FitFieldText(edit, QString::fromStdString(f.text));
        }
    }
    if (decoded.switches) {
        SwitchPanelView* view =
            decoded.switches->panel == SwitchPanelKind::Outputs ? Picture1 : Picture2;
        view->ShowSwitchStates(decoded.switches->status);
    }
}

void Form1::ShowPrimaryData(AnswerBytes answer) {
    showDecoded(DecodePrimaryAnswer(answer));
}

void Form1::ShowSecondaryData(AnswerBytes answer) {
    showDecoded(DecodeSecondaryAnswer(answer));
}

void Form1::ShowSwitchStates(SwitchPanelKind panel, AnswerBytes answer) {
    if (!HasBytes(answer, 3, 1)) {
        return;
    }
    (panel == SwitchPanelKind::Outputs ? Picture1 : Picture2)->ShowSwitchStates(answer[3]);
}

void Form1::closeEvent(QCloseEvent* event) {
    poller_->end();
    event->accept();
}

}  // namespace mt
