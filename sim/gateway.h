// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "faults.h"
#include "link/mbap.h"
#include "netfaults.h"
#include "slave.h"

namespace mt {

// One meter behind the gateway.
struct GatewayMeter {
    const Slave* slave = nullptr;
    const FaultPlan* plan = nullptr;
    Pacing pacing;
};

// A serial-to-Ethernet gateway in front of the simulated meters: listens on a
// TCP port, takes requests from any number of clients (each on its own), hands
// each to the meter at its address as the line would, and sends the answer
// back at the time the line would have carried it (the meter's turnaround,
// its faults and pacing, the line's character time), then the network's own
// faults. RTU over TCP passes the line's bytes on as they come; Modbus TCP
// sends each answer whole as an ADU of the request's transaction id, and
// exception 0B when the line brought no good answer in the gateway timeout.
class TcpGateway {
public:
    using Log = std::function<void(std::int64_t us, const std::vector<std::uint8_t>& bytes)>;

    TcpGateway(std::vector<GatewayMeter> meters, NetFraming framing, NetFaults faults,
               LineTiming timing, std::uint64_t seed);
    ~TcpGateway();
    TcpGateway(const TcpGateway&) = delete;
    TcpGateway& operator=(const TcpGateway&) = delete;

    // Listens on host:port (port 0: any free one). False and why otherwise.
    bool Listen(const std::string& host, int port, std::string& error);
    int Port() const { return port_; }
    void SetLogs(Log requests, Log answers) {
        logRequest_ = std::move(requests);
        logAnswer_ = std::move(answers);
    }
    // Serves until a byte arrives on `stopFd` (the signal pipe).
    void Run(int stopFd);
    std::uint64_t AnswersSent() const { return answersSent_; }

private:
    struct Client {
        int fd = -1;
        RequestFramer framer;
        std::int64_t lastReceivedUs = 0;
        MbapReader reader;
        std::uint64_t answers = 0;
        bool closing = false;
    };
    struct Scheduled {
        int client = 0;  // its id
        std::vector<std::uint8_t> bytes;
        bool counts = false;  // the last segment of an answer
    };

    void Accept();
    void Receive(int id, std::int64_t now);
    void HandleRtu(int id, const std::vector<std::uint8_t>& frame, std::int64_t now);
    void HandleMbap(int id, const MbapAdu& adu, std::int64_t now);
    const GatewayMeter* MeterAt(std::uint8_t address) const;
    void Schedule(int id, std::int64_t atUs, std::vector<std::uint8_t> bytes, bool counts);
    // The network's faults on a whole answer due at `atUs`.
    void SendAnswer(int id, std::int64_t atUs, std::vector<std::uint8_t> bytes);
    void WriteDue(std::int64_t now);
    void Drop(int id);

    std::vector<GatewayMeter> meters_;
    NetFraming framing_;
    NetFaults faults_;
    LineTiming timing_;
    std::mt19937_64 random_;
    std::map<const Slave*, std::uint64_t> answerNumbers_;
    int listenFd_ = -1;
    int port_ = 0;
    int nextId_ = 1;
    std::map<int, std::unique_ptr<Client>> clients_;
    std::multimap<std::int64_t, Scheduled> queue_;
    std::int64_t startUs_ = 0;
    std::uint64_t answersSent_ = 0;
    Log logRequest_;
    Log logAnswer_;
};

}  // namespace mt
