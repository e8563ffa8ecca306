// SPDX-License-Identifier: GPL-3.0-or-later
#include "savedsettings.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>

namespace mt {

namespace {

std::optional<int> Integer(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || at != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> IntegerIn(const std::string& text, int low, int high) {
    const std::optional<int> value = Integer(text);
    return value && *value >= low && *value <= high ? value : std::nullopt;
}

std::optional<int> OneOf(const std::string& text, std::initializer_list<int> allowed) {
    const std::optional<int> value = Integer(text);
    return value && std::find(allowed.begin(), allowed.end(), *value) != allowed.end()
               ? value
               : std::nullopt;
}

std::optional<std::string> WordOf(const std::string& text,
                                  std::initializer_list<const char*> allowed) {
    return std::find(allowed.begin(), allowed.end(), text) != allowed.end()
               ? std::optional<std::string>(text)
               : std::nullopt;
}

bool IsBase64(const std::string& text) {
    return !text.empty() && text.size() <= 4096 &&
           std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '+' || c == '/' || c == '=';
           });
}

}  // namespace

SavedSettings ReadSavedSettings(const std::map<std::string, std::string>& values,
                                std::vector<std::string>* ignored) {
    SavedSettings settings;
    const auto reject = [&](const std::string& key, const std::string& value) {
        if (ignored != nullptr) {
            ignored->push_back(key + "=" + value.substr(0, 40));
        }
    };
    // Takes a value when `read` accepts it, else notes it as ignored.
    const auto take = [&](const std::string& key, const std::string& value, auto read,
                          auto& target) {
        if (const auto parsed = read(value)) {
            target = *parsed;
        } else {
            reject(key, value);
        }
    };
    const std::string windows = settings_key::kWindowsGroup;
    for (const auto& [key, value] : values) {
        using namespace settings_key;
        if (key == kMeter) {
            take(
                key, value,
                [](const std::string& v) {
                    return WordOf(v, {"panel", "rail"});
                },
                settings.meter);
        } else if (key == kNominalFrequency) {
            take(
                key, value,
                [](const std::string& v) {
                    return OneOf(v, {50, 60});
                },
                settings.nominalFrequency);
        } else if (key == kLanguage) {
            take(
                key, value,
                [](const std::string& v) {
                    return WordOf(v, {"zh", "en"});
                },
                settings.language);
        } else if (key == kTrendSpan) {
            take(
                key, value, [](const std::string& v) { return IntegerIn(v, 0, 4); },
                settings.trendSpan);
        } else if (key.starts_with(kNetworkGroup) || key.starts_with(kReconnectGroup)) {
            const bool network = key.starts_with(kNetworkGroup);
            const std::string port =
                key.substr(std::string_view(network ? kNetworkGroup : kReconnectGroup).size());
            const std::optional<int> number =
                port.starts_with("com") ? IntegerIn(port.substr(3), 1, 16) : std::nullopt;
            if (!number) {
                reject(key, value);
            } else if (network) {
                if (const auto endpoint = ParseNetworkEndpoint(value)) {
                    settings.network[*number] = *endpoint;
                } else {
                    reject(key, value);
                }
            } else if (value == "true" || value == "false") {
                settings.reconnect[*number] = value == "true";
            } else {
                reject(key, value);
            }
        } else if (key.starts_with(windows)) {
            const std::string name = key.substr(windows.size());
            if (!name.empty() && IsBase64(value)) {
                settings.geometries[name] = value;
            } else {
                reject(key, value);
            }
        } else if (key.starts_with("panel/") || key.starts_with("rail/")) {
            SavedPort& port = key.starts_with("panel/") ? settings.panelPort : settings.railPort;
            const std::string field = key.substr(key.find('/') + 1);
            if (field == kPort) {
                take(
                    key, value, [](const std::string& v) { return IntegerIn(v, 1, 16); },
                    port.portNumber);
            } else if (field == kBaud) {
                take(
                    key, value,
                    [](const std::string& v) {
                        return OneOf(v, {4800, 9600, 19200, 38400});
                    },
                    port.baud);
            } else if (field == kParity) {
                take(
                    key, value,
                    [](const std::string& v) {
                        return v == "N" || v == "E" || v == "O" ? std::optional<char>(v[0])
                                                                : std::nullopt;
                    },
                    port.parity);
            } else if (field == kDataBits) {
                take(
                    key, value, [](const std::string& v) { return IntegerIn(v, 5, 8); },
                    port.dataBits);
            } else if (field == kStopBits) {
                take(
                    key, value,
                    [](const std::string& v) {
                        return OneOf(v, {1, 2});
                    },
                    port.stopBits);
            } else if (field == kAddress) {
                take(
                    key, value, [](const std::string& v) { return IntegerIn(v, 1, 247); },
                    port.address);
            }
        }
    }
    return settings;
}

}  // namespace mt
