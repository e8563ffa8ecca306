// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/netendpoint.h"

namespace mt {

// A monitor's port panel as it was left: each choice absent when it was
// never saved or its saved value is not one the panel offers.
struct SavedPort {
    std::optional<int> portNumber;  // 1 to 16
    std::optional<int> baud;        // 4800, 9600, 19200 or 38400
    std::optional<char> parity;     // N, E or O
    std::optional<int> dataBits;    // 5 to 8
    std::optional<int> stopBits;    // 1 or 2
    std::optional<int> address;     // 1 to 247

    bool operator==(const SavedPort&) const = default;
};

// What the program remembers between starts. Everything is optional: with
// nothing saved, the program starts as it always did.
struct SavedSettings {
    // "panel" or "rail": the family chosen on the selection screen.
    std::optional<std::string> meter;
    SavedPort panelPort;
    SavedPort railPort;
    // Window places by window name ("monitor-panel", "traffic", ...): the
    // bytes QWidget::saveGeometry gave, kept as base64 text.
    std::map<std::string, std::string> geometries;
    std::optional<int> nominalFrequency;  // 50 or 60, the three-phase analysis
    std::optional<int> trendSpan;         // the trend window's span list, 0 to 4
    // "zh" or "en": the interface language chosen in the menu.
    std::optional<std::string> language;
    // Port numbers that stand for a gateway on the network (工具→网络端口…).
    NetworkPortMap network;
    // 自动重连 per port number, where it was chosen (else: on for a network
    // port, off for a serial one).
    std::map<int, bool> reconnect;

    bool operator==(const SavedSettings&) const = default;
};

// The keys the program writes.
namespace settings_key {
inline constexpr const char* kMeter = "meter";
inline constexpr const char* kNominalFrequency = "analysis/nominalFrequency";
inline constexpr const char* kTrendSpan = "trend/span";
inline constexpr const char* kLanguage = "language";
inline constexpr const char* kWindowsGroup = "windows/";
inline constexpr const char* kNetworkGroup = "network/";      // network/com5 = host:502/mbap
inline constexpr const char* kReconnectGroup = "reconnect/";  // reconnect/com5 = true
// "panel/" or "rail/" followed by one of these.
inline constexpr const char* kPort = "port";
inline constexpr const char* kBaud = "baud";
inline constexpr const char* kParity = "parity";
inline constexpr const char* kDataBits = "dataBits";
inline constexpr const char* kStopBits = "stopBits";
inline constexpr const char* kAddress = "address";
}  // namespace settings_key

// Reads saved values given as key and text. Each value is checked on its
// own: one that is out of range or not a number is left out, and its key
// goes into `ignored` ("key=value"); keys the program does not know are
// left out silently. Total: any strings give a defined result.
SavedSettings ReadSavedSettings(const std::map<std::string, std::string>& values,
                                std::vector<std::string>* ignored);

}  // namespace mt
