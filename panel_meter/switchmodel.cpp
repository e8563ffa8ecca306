// SPDX-License-Identifier: GPL-3.0-or-later
#include "switchmodel.h"

namespace mt {

namespace {

// Row positions of the four channels (twips inside the panel) and the tops
// of their state labels.
constexpr std::array<int, kSwitchChannels> kRowY = {150, 500, 850, 1200};
constexpr std::array<int, kSwitchChannels> kLabelTop = {120, 480, 840, 1200};

constexpr int kLeftLeadX1 = 120;
constexpr int kLeftLeadX2 = 400;
constexpr int kPivotX = 405;
constexpr int kBladeEndX = 840;
constexpr int kRightLeadX1 = 840;
constexpr int kRightLeadX2 = 1120;
constexpr int kOpenRaise = 150;
constexpr int kLabelLeft = 2040;
constexpr int kLabelHeight = 255;

constexpr std::array<const char*, kSwitchChannels> kOutputLeftLeads = {"Line1", "Line4", "Line5",
                                                                       "Line6"};
constexpr std::array<const char*, kSwitchChannels> kOutputRightLeads = {"Line3", "Line7", "Line8",
                                                                        "Line9"};
constexpr std::array<const char*, kSwitchChannels> kInputLeftLeads = {"Line17", "Line15", "Line14",
                                                                      "Line13"};
constexpr std::array<const char*, kSwitchChannels> kInputRightLeads = {"Line16", "Line12", "Line11",
                                                                       "Line10"};

std::size_t Index(int channel) {
    return static_cast<std::size_t>(channel < 0 ? 0 : channel % kSwitchChannels);
}

}  // namespace

SwitchPanelModel::SwitchPanelModel(SwitchPanelKind kind) : kind_(kind) {
    const int labelWidth = kind == SwitchPanelKind::Outputs ? 975 : 735;
    for (std::size_t k = 0; k < kSwitchChannels; ++k) {
        const int y = kRowY[k];
        leftLeads_[k] = SwitchLine{kLeftLeadX1, y, kLeftLeadX2, y, 1, kSwitchLeadColour};
        rightLeads_[k] = SwitchLine{kRightLeadX1, y, kRightLeadX2, y, 1, kSwitchLeadColour};
        blades_[k] = SwitchLine{kPivotX, y, kBladeEndX, y - kOpenRaise, 2, kSwitchOpenColour};
        labels_[k] =
            SwitchLabel{kLabelLeft, kLabelTop[k], labelWidth, kLabelHeight, kSwitchOpenCaption};
    }
    if (kind == SwitchPanelKind::Inputs) {
        // The input panel's second blade is drawn 10 twips lower than its
        // siblings until its first update puts it in line.
        blades_[1].Y2 = 360;
    }
}

const char* SwitchPanelModel::bladeName() const {
    return kind_ == SwitchPanelKind::Outputs ? "Line2" : "Line18";
}

const char* SwitchPanelModel::labelName() const {
    return kind_ == SwitchPanelKind::Outputs ? "Label32" : "Label57";
}

const char* SwitchPanelModel::leftLeadName(int channel) const {
    return (kind_ == SwitchPanelKind::Outputs ? kOutputLeftLeads : kInputLeftLeads)[Index(channel)];
}

const char* SwitchPanelModel::rightLeadName(int channel) const {
    return (kind_ == SwitchPanelKind::Outputs ? kOutputRightLeads
                                              : kInputRightLeads)[Index(channel)];
}

bool SwitchPanelModel::channelClosed(int channel) const {
    return labels_[Index(channel)].Caption == kSwitchClosedCaption;
}

void SwitchPanelModel::ShowSwitchStates(std::uint8_t status) {
    // v starts at twice the status so that the first halving leaves the
    // status itself; pass k then sees the status shifted right by k.
    auto v = static_cast<std::uint16_t>(status * 2U);
    for (std::size_t k = 0; k < kSwitchChannels; ++k) {
        v = static_cast<std::uint16_t>(v / 2U);
        const bool closed = (v % 2U) == 1U;
        SwitchLine& line = blades_[k];
        line.X2 = kBladeEndX;
        line.Y2 = closed ? line.Y1 : line.Y1 - kOpenRaise;
        line.BorderColor = closed ? kSwitchClosedColour : kSwitchOpenColour;
        labels_[k].Caption = closed ? kSwitchClosedCaption : kSwitchOpenCaption;
    }
}

}  // namespace mt
