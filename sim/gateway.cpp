// SPDX-License-Identifier: GPL-3.0-or-later
#include "gateway.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "link/crc16.h"

namespace mt {

namespace {

std::int64_t NowUs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

constexpr std::int64_t kSplitGapUs = 20000;

// The gateway's exception answer as an RTU frame.
std::vector<std::uint8_t> GatewayException(std::uint8_t unit, std::uint8_t function,
                                           std::uint8_t code) {
    return ExceptionAnswer(unit, function, code);
}

// The RTU frame as the ADU of `transaction`.
std::vector<std::uint8_t> AsAdu(const std::vector<std::uint8_t>& rtu, std::uint16_t transaction) {
    auto adu = RtuToMbap(rtu, transaction);
    return adu ? *adu : std::vector<std::uint8_t>{};
}

bool GoodRtu(const std::vector<std::uint8_t>& frame) {
    return frame.size() >= 4 &&
           Crc16({frame.data(), frame.size() - 2}) ==
               static_cast<std::uint16_t>(frame[frame.size() - 2] | (frame.back() << 8));
}

}  // namespace

TcpGateway::TcpGateway(std::vector<GatewayMeter> meters, NetFraming framing, NetFaults faults,
                       LineTiming timing, std::uint64_t seed)
    : meters_(std::move(meters)),
      framing_(framing),
      faults_(faults),
      timing_(timing),
      random_(seed ^ 0x6A09E667F3BCC909ULL),
      startUs_(NowUs()) {}

TcpGateway::~TcpGateway() {
    for (auto& [id, client] : clients_) {
        ::close(client->fd);
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
    }
}

bool TcpGateway::Listen(const std::string& host, int port, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int status =
            ::getaddrinfo(host.empty() ? nullptr : host.c_str(), service.c_str(), &hints, &found);
        status != 0) {
        error = "cannot listen on " + host + ":" + service + ": " + ::gai_strerror(status);
        return false;
    }
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) {
            continue;
        }
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, 16) == 0) {
            listenFd_ = fd;
            break;
        }
        error = std::strerror(errno);
        ::close(fd);
    }
    ::freeaddrinfo(found);
    if (listenFd_ < 0) {
        error = "cannot listen on " + host + ":" + service + ": " + error;
        return false;
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&bound), &length);
    port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                              : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    return true;
}

void TcpGateway::Run(int stopFd) {
    std::vector<pollfd> fds;
    std::vector<int> ids;
    for (;;) {
        const std::int64_t now = NowUs();
        // Wake for the next due bytes, and for the silence that ends a frame
        // of RTU bytes.
        std::int64_t wakeUs = queue_.empty() ? -1 : queue_.begin()->first;
        for (const auto& [id, client] : clients_) {
            if (framing_ == NetFraming::Rtu && client->framer.Pending()) {
                const std::int64_t silence = client->lastReceivedUs + timing_.SilenceUs();
                wakeUs = wakeUs < 0 ? silence : std::min(wakeUs, silence);
            }
        }
        fds.clear();
        ids.clear();
        fds.push_back({stopFd, POLLIN, 0});
        fds.push_back({listenFd_, POLLIN, 0});
        for (const auto& [id, client] : clients_) {
            fds.push_back({client->fd, POLLIN, 0});
            ids.push_back(id);
        }
        timespec timeout{};
        timespec* timeoutPointer = nullptr;
        if (wakeUs >= 0) {
            const std::int64_t waitUs = std::max<std::int64_t>(0, wakeUs - now);
            timeout.tv_sec = static_cast<time_t>(waitUs / 1000000);
            timeout.tv_nsec = static_cast<long>(waitUs % 1000000 * 1000);
            timeoutPointer = &timeout;
        }
        const int ready = ::ppoll(fds.data(), fds.size(), timeoutPointer, nullptr);
        if (ready < 0 && errno != EINTR) {
            std::perror("metersim: poll");
            return;
        }
        if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
            return;
        }
        const std::int64_t later = NowUs();
        if (ready > 0 && (fds[1].revents & POLLIN) != 0) {
            Accept();
        }
        for (std::size_t i = 0; ready > 0 && i < ids.size(); ++i) {
            if ((fds[i + 2].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                Receive(ids[i], later);
            }
        }
        // RTU frames end with the line's silence.
        for (auto& [id, client] : clients_) {
            if (framing_ == NetFraming::Rtu && client->framer.Pending() &&
                later - client->lastReceivedUs >= timing_.SilenceUs()) {
                std::vector<ReceivedFrame> frames;
                client->framer.Silence(frames);
                for (const ReceivedFrame& frame : frames) {
                    HandleRtu(id, frame.bytes, later);
                }
            }
        }
        WriteDue(later);
    }
}

void TcpGateway::Accept() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            return;
        }
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        auto client = std::make_unique<Client>();
        client->fd = fd;
        clients_[nextId_++] = std::move(client);
    }
}

void TcpGateway::Receive(int id, std::int64_t now) {
    const auto found = clients_.find(id);
    if (found == clients_.end()) {
        return;
    }
    Client& client = *found->second;
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(client.fd, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            Drop(id);  // the client went away
            return;
        }
        if (n < 0) {
            return;
        }
        const std::span<const std::uint8_t> bytes(buffer, static_cast<std::size_t>(n));
        if (framing_ == NetFraming::Rtu) {
            std::vector<ReceivedFrame> frames;
            client.framer.Feed(bytes, (now - startUs_) / 1000, frames);
            client.lastReceivedUs = now;
            for (const ReceivedFrame& frame : frames) {
                HandleRtu(id, frame.bytes, now);
            }
        } else {
            client.reader.feed(bytes);
            MbapAdu adu;
            for (auto e = client.reader.next(adu); e != MbapReader::Event::None;
                 e = client.reader.next(adu)) {
                if (e == MbapReader::Event::Adu) {
                    HandleMbap(id, adu, now);
                }
            }
        }
        if (clients_.find(id) == clients_.end()) {
            return;
        }
    }
}

const GatewayMeter* TcpGateway::MeterAt(std::uint8_t address) const {
    for (const GatewayMeter& meter : meters_) {
        if (meter.slave->Address() == address) {
            return &meter;
        }
    }
    return nullptr;
}

void TcpGateway::HandleRtu(int id, const std::vector<std::uint8_t>& frame, std::int64_t now) {
    if (logRequest_) {
        logRequest_(now, frame);
    }
    // A transparent gateway: as on the line, only the meter at the address
    // answers, and nothing answers an address without one.
    const GatewayMeter* meter = frame.empty() ? nullptr : MeterAt(frame.front());
    if (meter == nullptr) {
        return;
    }
    const SlaveReply reply = meter->slave->Handle(frame, (now - startUs_) / 1000);
    if (!reply.HasAnswer()) {
        return;
    }
    std::vector<TimedChunk> chunks = meter->plan->Transmission(
        reply.answer, answerNumbers_[meter->slave]++, timing_, meter->pacing);
    if (chunks.empty()) {
        return;
    }
    std::vector<std::uint8_t> sent;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        if (!chunks[i].noise) {
            sent.insert(sent.end(), chunks[i].bytes.begin(), chunks[i].bytes.end());
        }
    }
    if (logAnswer_) {
        logAnswer_(now + chunks.front().atUs, sent);
    }
    std::bernoulli_distribution drop(faults_.dropRate);
    if (drop(random_)) {
        return;
    }
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        Schedule(id, now + chunks[i].atUs + faults_.delayMs * 1000, std::move(chunks[i].bytes),
                 i + 1 == chunks.size());
    }
}

void TcpGateway::HandleMbap(int id, const MbapAdu& adu, std::int64_t now) {
    MbapAdu request = adu;
    const std::vector<std::uint8_t> frame = MbapToRtu(request);
    if (logRequest_) {
        logRequest_(now, frame);
    }
    const std::uint8_t function = adu.pdu.empty() ? 0 : adu.pdu.front();
    const std::int64_t timeoutUs = faults_.gatewayTimeoutMs * 1000;
    // Units a line cannot have: the path to them is unavailable.
    if (adu.unit == 0 || adu.unit > 247) {
        SendAnswer(id, now, AsAdu(GatewayException(adu.unit, function, 0x0A), adu.transaction));
        return;
    }
    const GatewayMeter* meter = MeterAt(adu.unit);
    if (meter == nullptr) {
        SendAnswer(id, now + timeoutUs,
                   AsAdu(GatewayException(adu.unit, function, 0x0B), adu.transaction));
        return;
    }
    const SlaveReply reply = meter->slave->Handle(frame, (now - startUs_) / 1000);
    std::vector<TimedChunk> chunks;
    if (reply.HasAnswer()) {
        chunks = meter->plan->Transmission(reply.answer, answerNumbers_[meter->slave]++, timing_,
                                           meter->pacing);
    }
    std::vector<std::uint8_t> line;
    std::int64_t endUs = 0;
    for (const TimedChunk& chunk : chunks) {
        if (!chunk.noise) {
            line.insert(line.end(), chunk.bytes.begin(), chunk.bytes.end());
            endUs = std::max(endUs, chunk.atUs);
        }
    }
    // The gateway hands on what its line brought, when the answer is whole
    // and sound; else it gives up after its timeout.
    if (!GoodRtu(line) || line.front() != adu.unit) {
        SendAnswer(id, now + timeoutUs,
                   AsAdu(GatewayException(adu.unit, function, 0x0B), adu.transaction));
        return;
    }
    if (logAnswer_) {
        logAnswer_(now + endUs, line);
    }
    SendAnswer(id, now + endUs, AsAdu(line, adu.transaction));
}

void TcpGateway::SendAnswer(int id, std::int64_t atUs, std::vector<std::uint8_t> bytes) {
    std::bernoulli_distribution drop(faults_.dropRate);
    std::bernoulli_distribution split(faults_.splitRate);
    if (bytes.empty() || drop(random_)) {
        return;
    }
    atUs += faults_.delayMs * 1000;
    if (bytes.size() >= 2 && split(random_)) {
        const auto cut = static_cast<std::ptrdiff_t>(1 + random_() % (bytes.size() - 1));
        Schedule(id, atUs, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut), false);
        Schedule(id, atUs + kSplitGapUs,
                 std::vector<std::uint8_t>(bytes.begin() + cut, bytes.end()), true);
        return;
    }
    Schedule(id, atUs, std::move(bytes), true);
}

void TcpGateway::Schedule(int id, std::int64_t atUs, std::vector<std::uint8_t> bytes, bool counts) {
    queue_.emplace(atUs, Scheduled{id, std::move(bytes), counts});
}

void TcpGateway::WriteDue(std::int64_t now) {
    while (!queue_.empty() && queue_.begin()->first <= now) {
        const Scheduled due = std::move(queue_.begin()->second);
        queue_.erase(queue_.begin());
        const auto found = clients_.find(due.client);
        if (found == clients_.end()) {
            continue;  // the client went away: its answers with it
        }
        Client& client = *found->second;
        const ssize_t written = ::send(client.fd, due.bytes.data(), due.bytes.size(), MSG_NOSIGNAL);
        (void)written;
        if (due.counts) {
            ++answersSent_;
            ++client.answers;
            if (faults_.closeAfter && client.answers >= *faults_.closeAfter) {
                Drop(due.client);  // the gateway closes the connection (a reboot, a timeout)
            }
        }
    }
}

void TcpGateway::Drop(int id) {
    const auto found = clients_.find(id);
    if (found != clients_.end()) {
        ::close(found->second->fd);
        clients_.erase(found);
    }
}

}  // namespace mt
