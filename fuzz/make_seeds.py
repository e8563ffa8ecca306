#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpora: small, real frames of every shape the tool meets.

Run from anywhere: python3 fuzz/make_seeds.py. The output is checked in; run it
again only when the shapes change.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def crc16(data: bytes) -> bytes:
    crc = 0xFFFF
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return struct.pack("<H", crc)


def frame(body: bytes) -> bytes:
    return body + crc16(body)


def register_answer(address: int, function: int, registers: bytes) -> bytes:
    return frame(bytes([address, function, len(registers)]) + registers)


def floats(*values) -> bytes:
    return b"".join(struct.pack(">f", v) for v in values)


def ints16(*values) -> bytes:
    return b"".join(struct.pack(">h", v) for v in values)


def ints32(*values) -> bytes:
    return b"".join(struct.pack(">i", v) for v in values)


def write(target: str, name: str, data: bytes) -> None:
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# Answers of the panel-mount meter: primary (24, 22, 2 registers), secondary
# (23, 8 registers), coils and inputs; of the DIN-rail meter: 23, 6, 3, 4, 10.
PRIMARY_A = register_answer(1, 4, floats(230.1, 229.8, 231.0, 398.5, 399.0, 400.2,
                                         5.1, 4.9, 5.0, 1100.0, 1050.5, 1080.0))
PRIMARY_B = register_answer(1, 4, floats(3230.5, 300.0, 310.0, 290.0, 900.0, 3400.0,
                                         985.0, 50.01, 12345.6, 12.5, 2345.75))
PRIMARY_C = register_answer(1, 4, floats(123.25))
SECONDARY_M = register_answer(1, 4, ints16(2301, 2298, 2310, 3985, 3990, 4002,
                                           5100, 4900, 5000, 1100, 1050, 1080, 3230,
                                           300, 310, 290, 900, 0, 0, 0, 3400, 985, 5001))
SECONDARY_E = register_answer(1, 4, ints32(12345678, 12500, 2345750, -1))
COILS = frame(bytes([1, 1, 1, 0x05]))
INPUTS = frame(bytes([1, 2, 1, 0x0A]))
RAIL_1 = register_answer(1, 4, ints16(*range(2200, 2223)))
RAIL_2 = register_answer(1, 4, ints16(0, 980, 5000, 12000, -12000, 0))
RAIL_3 = register_answer(1, 4, bytes([0x12, 0x05, 0x1F, 0x09, 0x30, 0x00]))
RAIL_4 = register_answer(1, 4, ints16(2300) + bytes([0x26, 0x12, 0x08, 0x10, 0x05, 0xFF]))
RAIL_6 = register_answer(1, 4, ints32(123456, 20000, 30000, 40000, 33456))
EXCEPTION = frame(bytes([1, 0x84, 0x02]))

answers = {
    "primary_a": (24, PRIMARY_A), "primary_b": (22, PRIMARY_B), "primary_c": (2, PRIMARY_C),
    "secondary_m": (23, SECONDARY_M), "secondary_e": (8, SECONDARY_E),
    "coils": (4, COILS), "inputs": (4, INPUTS),
    "rail_1": (23, RAIL_1), "rail_2": (6, RAIL_2), "rail_3": (3, RAIL_3),
    "rail_4": (4, RAIL_4), "rail_6": (10, RAIL_6), "exception": (24, EXCEPTION),
}

# The answer target's third byte chooses the offset its accessors read at.
for name, (count, answer) in answers.items():
    write("link_answer", name, struct.pack(">hB", count, 3) + answer)

for i, text in enumerate(["1", "247", " 5", "7abc", "1.5", "2.5", "abc", "", "-1", "1e2",
                          "255.5", "0.5", "\t12"]):
    write("address", f"text{i:02d}", text.encode())

# Decoder targets take the same answers; the DIN-rail target's first two bytes are the block tag.
for name, (count, answer) in answers.items():
    if name.startswith(("primary", "secondary", "coils", "inputs", "exception")):
        write("panel_decode", name, answer)
for tag, (name, answer) in enumerate([("rail_1", RAIL_1), ("rail_2", RAIL_2), ("rail_3", RAIL_3),
                                      ("rail_4", RAIL_4), ("rail_6", RAIL_6)]):
    write("rail_decode", name, struct.pack(">h", tag) + answer)
write("rail_decode", "rail_4_tag6", struct.pack(">h", 6) + RAIL_4)
write("rail_decode", "rail_4_tag7", struct.pack(">h", 7) + RAIL_4)
for tag in range(6):
    write("rail_decode", f"rail_6_tag{tag}", struct.pack(">h", tag) + RAIL_6)

for i, text in enumerate(["9600,N,8,1", "19200,E,7,2", "4800,o,5,1.5", "38400,M,6,1",
                          "9600,S,8,2", "abc,N,8,1", "9600,N,8", ",,,", "9600 ,N,8,1"]):
    write("settings", f"settings{i:02d}", text.encode())

# Requests as the monitors send them, for the simulator's request parser.
def request(address, function, start, count):
    return frame(struct.pack(">BBHH", address, function, start, count))

requests = [request(1, 4, 10, 24), request(1, 4, 34, 22), request(1, 4, 56, 2),
            request(1, 1, 0, 4), request(1, 2, 0, 4), request(1, 4, 70, 23),
            request(1, 4, 93, 8), request(1, 4, 93, 6), request(1, 4, 1024, 3),
            request(1, 4, 1040, 4), request(1, 4, 8192, 10), request(1, 3, 9472, 10),
            request(2, 4, 10, 24), request(0, 4, 10, 24), request(1, 7, 0, 1)]
# The simulator target's first byte steers how the stream is cut into pieces.
for i, r in enumerate(requests):
    write("sim_request", f"request{i:02d}", bytes([0x07]) + r)
write("sim_request", "two_requests", bytes([0x0F]) + requests[0] + requests[3])
write("sim_request", "noise_then_request", bytes([0x12, 0xFF, 0x00, 0x13]) + requests[5])
