// SPDX-License-Identifier: GPL-3.0-or-later
#include "wiring.h"

#include <array>
#include <charconv>
#include <cmath>
#include <complex>
#include <numbers>

#include "metermodel.h"

namespace mt {

namespace {

using Phasor = std::complex<double>;

constexpr double kDegree = std::numbers::pi / 180.0;

std::optional<std::uint8_t> PhaseBits(std::string_view letters) {
    std::uint8_t bits = 0;
    for (const char c : letters) {
        if (c < 'a' || c > 'c') {
            return std::nullopt;
        }
        bits = static_cast<std::uint8_t>(bits | (1U << (c - 'a')));
    }
    if (bits == 0) {
        return std::nullopt;
    }
    return bits;
}

std::string PhaseLetters(std::uint8_t bits) {
    std::string letters;
    for (int k = 0; k < 3; ++k) {
        if ((bits & (1U << k)) != 0) {
            letters += static_cast<char>('a' + k);
        }
    }
    return letters;
}

bool AddOne(std::string_view item, Wiring& w) {
    std::string_view name = item;
    std::string_view value;
    const auto eq = item.find('=');
    if (eq != std::string_view::npos) {
        name = item.substr(0, eq);
        value = item.substr(eq + 1);
    }
    const bool hasValue = eq != std::string_view::npos;
    if (name == "healthy" && !hasValue) {
        w = Wiring{};
        return true;
    }
    if (name == "negative-sequence" && !hasValue) {
        w.negativeSequence = true;
        return true;
    }
    if (name == "three-wire" && !hasValue) {
        w.threeWire = true;
        return true;
    }
    if (name == "reverse-ct" || name == "missing-phase") {
        const auto bits = PhaseBits(value);
        if (!bits) {
            return false;
        }
        auto& target = name == "reverse-ct" ? w.reversedCts : w.missingPhases;
        target = static_cast<std::uint8_t>(target | *bits);
        return true;
    }
    if (name == "swap-currents") {
        if (value.size() != 2 || value[0] == value[1] || !PhaseBits(value)) {
            return false;
        }
        w.swappedCurrents = std::pair{value[0] - 'a', value[1] - 'a'};
        return true;
    }
    if (name == "current-scale") {
        double x = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), x);
        if (value.empty() || ec != std::errc{} || end != value.data() + value.size() ||
            !std::isfinite(x) || x < 0.01 || x > 100) {
            return false;
        }
        w.currentScale = x;
        return true;
    }
    return false;
}

// Degrees in [0, 360).
double Wrapped(double degrees) {
    double d = std::fmod(degrees, 360.0);
    if (d < 0) {
        d += 360.0;
    }
    return d;
}

}  // namespace

bool AddWiringFaults(std::string_view text, Wiring& wiring) {
    Wiring result = wiring;
    std::size_t from = 0;
    while (from <= text.size()) {
        const auto comma = text.find(',', from);
        const auto item =
            text.substr(from, comma == std::string_view::npos ? text.npos : comma - from);
        if (!AddOne(item, result)) {
            return false;
        }
        if (comma == std::string_view::npos) {
            break;
        }
        from = comma + 1;
    }
    wiring = result;
    return true;
}

std::string WiringText(const Wiring& w) {
    std::string text;
    auto add = [&text](const std::string& item) {
        if (!text.empty()) {
            text += ',';
        }
        text += item;
    };
    if (w.reversedCts != 0) {
        add("reverse-ct=" + PhaseLetters(w.reversedCts));
    }
    if (w.missingPhases != 0) {
        add("missing-phase=" + PhaseLetters(w.missingPhases));
    }
    if (w.negativeSequence) {
        add("negative-sequence");
    }
    if (w.swappedCurrents) {
        add(std::string("swap-currents=") + static_cast<char>('a' + w.swappedCurrents->first) +
            static_cast<char>('a' + w.swappedCurrents->second));
    }
    if (w.threeWire) {
        add("three-wire");
    }
    if (w.currentScale != 1) {
        char buffer[32];
        const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, w.currentScale);
        add("current-scale=" + std::string(buffer, ec == std::errc{} ? end : buffer));
    }
    return text.empty() ? "healthy" : text;
}

void ApplyWiring(const Wiring& w, MeterValues& v) {
    if (w.healthy()) {
        return;
    }
    // The supply's phasors: Ua at 0°, the others behind it by the angles
    // between them (ahead of it on a negative-sequence supply). Each current
    // lies its power angle behind its voltage.
    const double sequence = w.negativeSequence ? 1.0 : -1.0;
    const std::array<double, 3> voltageAngle = {0, sequence * v.angle[0],
                                                sequence * (v.angle[0] + v.angle[1])};
    std::array<Phasor, 3> supply{};
    std::array<Phasor, 3> current{};
    for (std::size_t k = 0; k < 3; ++k) {
        const double phi = std::atan2(v.q[k], v.p[k]);
        supply[k] = std::polar(v.u[k], voltageAngle[k] * kDegree);
        current[k] = std::polar(v.i[k], voltageAngle[k] * kDegree - phi);
    }

    // What reaches the meter's terminals.
    std::array<Phasor, 3> volts = supply;
    std::array<Phasor, 3> amps = current;
    if (w.threeWire) {
        volts = {supply[0] - supply[1], Phasor{}, supply[2] - supply[1]};
        amps[1] = Phasor{};
    }
    if (w.swappedCurrents) {
        std::swap(amps[static_cast<std::size_t>(w.swappedCurrents->first)],
                  amps[static_cast<std::size_t>(w.swappedCurrents->second)]);
    }
    for (std::size_t k = 0; k < 3; ++k) {
        if ((w.reversedCts & (1U << k)) != 0) {
            amps[k] = -amps[k];
        }
        if ((w.missingPhases & (1U << k)) != 0) {
            volts[k] = Phasor{};
        }
    }

    // What the meter makes of them.
    v.pTotal = v.qTotal = v.sTotal = 0;
    for (std::size_t k = 0; k < 3; ++k) {
        const Phasor power = volts[k] * std::conj(amps[k]);
        v.u[k] = std::abs(volts[k]);
        v.i[k] = std::abs(amps[k]) * w.currentScale;
        v.p[k] = power.real();
        v.q[k] = power.imag();
        v.s[k] = std::abs(power);
        v.pf[k] = v.s[k] > 0 ? v.p[k] / v.s[k] : 1.0;
        v.pTotal += v.p[k];
        v.qTotal += v.q[k];
        v.sTotal += v.s[k];
    }
    for (std::size_t k = 0; k < 3; ++k) {
        const std::size_t next = (k + 1) % 3;
        v.uLine[k] = std::abs(volts[k] - volts[next]);
        // A missing voltage has no angle: the meter reports 0 against it.
        const bool both = std::abs(volts[k]) > 0 && std::abs(volts[next]) > 0;
        v.angle[k] = both ? Wrapped((std::arg(volts[k]) - std::arg(volts[next])) / kDegree) : 0;
    }
    v.pfTotal = v.sTotal > 0 ? v.pTotal / v.sTotal : 1.0;
}

}  // namespace mt
