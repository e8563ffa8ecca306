// SPDX-License-Identifier: GPL-3.0-or-later
#include "netendpoint.h"

#include <algorithm>
#include <charconv>

namespace mt {

bool ValidHostName(std::string_view host) {
    if (host.empty() || host.size() > 253) {
        return false;
    }
    return std::all_of(host.begin(), host.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '.' || c == ':' || c == '_' || c == '%';
    });
}

std::optional<NetworkEndpoint> ParseNetworkEndpoint(std::string_view text) {
    NetworkEndpoint endpoint;
    if (const std::size_t slash = text.rfind('/'); slash != std::string_view::npos) {
        const std::string_view framing = text.substr(slash + 1);
        if (framing == "rtu") {
            endpoint.framing = Framing::RtuOverTcp;
        } else if (framing == "mbap") {
            endpoint.framing = Framing::ModbusTcp;
        } else {
            return std::nullopt;
        }
        text = text.substr(0, slash);
    }
    std::string_view host = text;
    std::string_view port;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (!rest.starts_with(':')) {
                return std::nullopt;
            }
            port = rest.substr(1);
        }
    } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        // One colon: host and port; more: an IPv6 address without a port.
        if (text.find(':') == colon) {
            host = text.substr(0, colon);
            port = text.substr(colon + 1);
            if (port.empty()) {
                return std::nullopt;
            }
        }
    }
    if (!port.empty()) {
        int number = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
        if (error != std::errc() || end != port.data() + port.size() || number < 1 ||
            number > 65535) {
            return std::nullopt;
        }
        endpoint.port = number;
    }
    if (!ValidHostName(host)) {
        return std::nullopt;
    }
    endpoint.host = std::string(host);
    return endpoint;
}

std::string NetworkEndpointText(const NetworkEndpoint& endpoint) {
    const bool v6 = endpoint.host.find(':') != std::string::npos;
    return (v6 ? "[" + endpoint.host + "]" : endpoint.host) + ":" + std::to_string(endpoint.port) +
           (endpoint.framing == Framing::ModbusTcp ? "/mbap" : "/rtu");
}

std::optional<NetworkPortMap> ParseNetworkPortList(std::string_view text) {
    NetworkPortMap ports;
    while (!text.empty()) {
        const size_t end = text.find(';');
        const std::string_view item = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const size_t equals = item.find('=');
        if (equals == std::string_view::npos || equals == 0 || equals > 2) {
            return std::nullopt;
        }
        int number = 0;
        for (const char c : item.substr(0, equals)) {
            if (c < '0' || c > '9') {
                return std::nullopt;
            }
            number = number * 10 + (c - '0');
        }
        const auto endpoint = ParseNetworkEndpoint(item.substr(equals + 1));
        if (number < 1 || number > 16 || !endpoint || ports.count(number) > 0) {
            return std::nullopt;
        }
        ports[number] = *endpoint;
    }
    return ports;
}

}  // namespace mt
