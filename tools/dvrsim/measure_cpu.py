#!/usr/bin/env python3
"""dvrsim's CPU time per live picture, with a reader that takes every picture and draws none.

Starts dvrsim on a free loopback port with the given options, logs in, asks for the
multi-channel view of all 16 cameras, reads for a while, and prints pictures per second, dvrsim's
CPU time per picture and its share of one core (from /proc/PID/stat, so Linux only).

    measure_cpu.py DVRSIM [--seconds S] [-- dvrsim options...]
    measure_cpu.py build/tools/dvrsim/dvrsim -- --fps 30
    measure_cpu.py build/tools/dvrsim/dvrsim -- --fps 30 --prerendered 30
"""

import argparse
import os
import socket
import struct
import subprocess
import sys
import tempfile
import time

HEADER = 28
LIVE_IMAGE = 0x1012


def packet(packet_type, data_type, body):
    magic = b"DVR PACKET1.0".ljust(16, b"\0")
    return magic + struct.pack("<III", HEADER + len(body), packet_type, data_type) + body


def login():
    return packet(2, 0x1001, b"admin".ljust(128, b"\0") + b"1".ljust(144, b"\0"))


def live_all():
    return packet(1, 0x1011, struct.pack("<8I", 1, 0, 0xFFFF, 0, 0, 0, 0, 0))


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class Reader:
    """Cuts packets off the stream and counts live pictures."""

    def __init__(self, sock):
        self.sock = sock
        self.buffer = bytearray()
        self.pictures = 0
        self.bytes = 0

    def read_for(self, seconds):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            self.sock.settimeout(max(0.01, end - time.monotonic()))
            try:
                chunk = self.sock.recv(1 << 20)
            except socket.timeout:
                continue
            if not chunk:
                raise SystemExit("dvrsim closed the connection")
            self.buffer += chunk
            self.bytes += len(chunk)
            offset = 0
            while len(self.buffer) - offset >= HEADER:
                total, _, data_type = struct.unpack_from("<III", self.buffer, offset + 16)
                if total < HEADER or total > 8 << 20:
                    raise SystemExit(f"bad packet length {total}")
                if len(self.buffer) - offset < total:
                    break
                if data_type == LIVE_IMAGE:
                    self.pictures += 1
                offset += total
            del self.buffer[:offset]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("dvrsim")
    parser.add_argument("--seconds", type=float, default=10.0)
    argv = sys.argv[1:]
    options = argv[argv.index("--") + 1:] if "--" in argv else []
    args = parser.parse_args(argv[:argv.index("--")] if "--" in argv else argv)
    args.options = options

    with tempfile.TemporaryDirectory() as folder:
        port_file = os.path.join(folder, "port")
        sim = subprocess.Popen([args.dvrsim, "--bind", "127.0.0.1", "--port", "0", "--port-file", port_file]
                               + args.options, stderr=subprocess.DEVNULL)
        try:
            deadline = time.monotonic() + 60
            while not (os.path.exists(port_file) and open(port_file).read().strip()):
                if time.monotonic() > deadline or sim.poll() is not None:
                    raise SystemExit("dvrsim did not start")
                time.sleep(0.05)
            port = int(open(port_file).read())
            startup_cpu = cpu_seconds(sim.pid)
            sock = socket.create_connection(("127.0.0.1", port))
            sock.sendall(login() + live_all())
            reader = Reader(sock)
            reader.read_for(2.0)  # settle
            pictures, volume, cpu, wall = reader.pictures, reader.bytes, cpu_seconds(sim.pid), time.monotonic()
            reader.read_for(args.seconds)
            pictures = reader.pictures - pictures
            volume = reader.bytes - volume
            cpu = cpu_seconds(sim.pid) - cpu
            wall = time.monotonic() - wall
            sock.close()
        finally:
            sim.terminate()
            sim.wait()
    print(f"{' '.join(args.options) or '(defaults)'}: {pictures / wall:.0f} pictures/s, "
          f"{volume / wall / 1e6:.1f} MB/s, {cpu / max(pictures, 1) * 1e6:.0f} us CPU per picture, "
          f"{cpu / wall * 100:.0f}% of a core (start-up {startup_cpu:.2f} s CPU)")


if __name__ == "__main__":
    sys.exit(main())
