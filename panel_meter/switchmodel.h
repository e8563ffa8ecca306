// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace mt {

// The two switch panels of the panel-mount monitor: the meter's four relay
// outputs (coils, read with function 1) and its four switch inputs (discrete
// inputs, read with function 2).
enum class SwitchPanelKind { Outputs, Inputs };

// Packed colour numbers, red in the low byte.
inline constexpr std::uint32_t kSwitchClosedColour = 255;  // red
inline constexpr std::uint32_t kSwitchOpenColour = 65280;  // green
inline constexpr std::uint32_t kSwitchLeadColour = 0;      // the default line colour

inline constexpr int kSwitchChannels = 4;

// One line of a switch symbol, end points in twips inside the panel, width
// in pixels.
struct SwitchLine {
    int X1 = 0;
    int Y1 = 0;
    int X2 = 0;
    int Y2 = 0;
    int BorderWidth = 1;
    std::uint32_t BorderColor = kSwitchLeadColour;

    bool operator==(const SwitchLine&) const = default;
};

// The state word beside a switch symbol, geometry in twips inside the panel.
struct SwitchLabel {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    std::string Caption;  // UTF-8
};

inline constexpr const char* kSwitchClosedCaption = "闭合";
inline constexpr const char* kSwitchOpenCaption = "断开";

// What one switch panel shows: per channel a fixed left lead, a fixed right
// lead, a movable blade pivoting at its left end, and a state label. The
// widget that draws the panel paints exactly this; tests read it.
class SwitchPanelModel {
public:
    // The panel as the screen opens: every blade green and raised (open),
    // every label "断开".
    explicit SwitchPanelModel(SwitchPanelKind kind);

    SwitchPanelKind kind() const { return kind_; }

    // Control names: the blade array ("Line2" / "Line18"), the label array
    // ("Label32" / "Label57"), and the names of the fixed leads per channel.
    const char* bladeName() const;
    const char* labelName() const;
    const char* leftLeadName(int channel) const;
    const char* rightLeadName(int channel) const;

    const std::array<SwitchLine, kSwitchChannels>& blades() const { return blades_; }
    const std::array<SwitchLine, kSwitchChannels>& leftLeads() const { return leftLeads_; }
    const std::array<SwitchLine, kSwitchChannels>& rightLeads() const { return rightLeads_; }
    const std::array<SwitchLabel, kSwitchChannels>& labels() const { return labels_; }

    bool channelClosed(int channel) const;

    // Redraws all four channels from a status byte: bit k set closes channel
    // k (red, horizontal blade, "闭合"), bit k clear opens it (green, blade
    // end raised 150 twips above its pivot row, "断开"); bits 4 to 7 are
    // ignored. Channels are written in the order 0 to 3, each with its blade
    // end X, blade end Y, blade colour and label caption in that order; the
    // blade's start point is never written and its Y1 serves as the row.
    void ShowSwitchStates(std::uint8_t status);

private:
    SwitchPanelKind kind_;
    std::array<SwitchLine, kSwitchChannels> blades_{};
    std::array<SwitchLine, kSwitchChannels> leftLeads_{};
    std::array<SwitchLine, kSwitchChannels> rightLeads_{};
    std::array<SwitchLabel, kSwitchChannels> labels_{};
};

}  // namespace mt
