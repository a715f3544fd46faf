#!/usr/bin/python3
"""An independent Modbus RTU slave for the link tests: pymodbus serving
several slave addresses on one serial device.

usage: pymodbus_server.py DEVICE BAUD ADDR[,ADDR...]

Holding and input register r of slave a hold a * 1000 + r for r < 100;
registers from 100 up do not exist (exception 2)."""
import logging
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.server import StartSerialServer


def main():
    device, baud, addrs = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    logging.basicConfig(level=logging.CRITICAL)
    slaves = {}
    for a in (int(x) for x in addrs.split(",")):
        values = [a * 1000 + r for r in range(100)]
        slaves[a] = ModbusSlaveContext(
            hr=ModbusSequentialDataBlock(0, list(values)),
            ir=ModbusSequentialDataBlock(0, list(values)),
            zero_mode=True)
    context = ModbusServerContext(slaves=slaves, single=False)
    print("serving", device, flush=True)
    StartSerialServer(context=context, framer=ModbusRtuFramer, port=device,
                      baudrate=baud, bytesize=8, parity="N", stopbits=1,
                      timeout=1, ignore_missing_slaves=True)


if __name__ == "__main__":
    main()
