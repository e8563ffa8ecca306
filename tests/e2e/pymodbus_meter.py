#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A meter served by pymodbus, a Modbus server the project did not write.

usage: pymodbus_meter.py rtu|mbap UNIT FIRST WORDS COILS INPUTS

Serves input registers FIRST.. with WORDS (comma-separated, decimal), coils
0.. with COILS and discrete inputs 0.. with INPUTS (strings of 0 and 1) at
unit UNIT on 127.0.0.1, as RTU frames on TCP (rtu) or Modbus TCP (mbap).
Prints "listening on 127.0.0.1:PORT" once the port is chosen.
"""
import logging
import socket
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server import StartTcpServer
from pymodbus.transaction import ModbusRtuFramer, ModbusSocketFramer


def main():
    if len(sys.argv) != 7 or sys.argv[1] not in ("rtu", "mbap"):
        print(__doc__, file=sys.stderr)
        return 2
    framing, unit, first = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    words = [int(w) for w in sys.argv[4].split(",")]
    coils = [c == "1" for c in sys.argv[5]]
    inputs = [c == "1" for c in sys.argv[6]]
    logging.basicConfig(level=logging.CRITICAL)
    logging.getLogger("pymodbus").setLevel(logging.CRITICAL)
    store = ModbusSlaveContext(
        ir=ModbusSequentialDataBlock(first, words),
        co=ModbusSequentialDataBlock(0, coils + [False] * 8),
        di=ModbusSequentialDataBlock(0, inputs + [False] * 8),
        hr=ModbusSequentialDataBlock(0, [0] * 8),
        zero_mode=True)
    context = ModbusServerContext(slaves={unit: store}, single=False)
    # A free port: asked of the system, then given to the server.
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    print(f"listening on 127.0.0.1:{port}", flush=True)
    StartTcpServer(context=context, address=("127.0.0.1", port),
                   framer=ModbusRtuFramer if framing == "rtu" else ModbusSocketFramer)
    return 0


if __name__ == "__main__":
    sys.exit(main())
