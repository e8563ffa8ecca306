// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace mt {

// How requests travel to a gateway on the network.
enum class Framing {
    RtuOverTcp,  // the RTU frames as they are, CRC included (a transparent gateway)
    ModbusTcp,   // Modbus TCP: the MBAP header, no CRC (the gateway converts to RTU)
};

// What a port number stands for when it is mapped to the network: a serial
// gateway's host (name or address), its TCP port and the framing it speaks.
struct NetworkEndpoint {
    std::string host;
    int port = 502;
    Framing framing = Framing::RtuOverTcp;

    bool operator==(const NetworkEndpoint&) const = default;
};

// The text the settings keep: "host:port/rtu" or "host:port/mbap"; an IPv6
// address in brackets ("[fe80::1]:502/mbap"); without ":port" the port is
// 502, without "/framing" the framing is RTU over TCP. Nothing for a host that
// is empty, longer than 253 characters or holds characters no host name or
// address has, or a port outside 1 to 65535.
std::optional<NetworkEndpoint> ParseNetworkEndpoint(std::string_view text);
std::string NetworkEndpointText(const NetworkEndpoint& endpoint);
// Whether `host` can be a host name or an address (see above).
bool ValidHostName(std::string_view host);

// Port numbers mapped to the network, 1 to 16.
using NetworkPortMap = std::map<int, NetworkEndpoint>;

// A list of mappings in one text, as the environment variable
// METERTEST_NETWORK_PORTS gives it for one run: "N=endpoint" items separated
// by ';' (e.g. "5=127.0.0.1:1502/mbap;6=gw.local"). Nothing unless every item
// is a port number from 1 to 16, given once, with a valid endpoint.
std::optional<NetworkPortMap> ParseNetworkPortList(std::string_view text);

}  // namespace mt
