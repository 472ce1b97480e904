#!/usr/bin/env python3
"""Writes the hostile seeds of the dashboard file fuzz target beside the real exports
(export-*.dsx, written by tst_dashboard with TESSIVAR_DSX_SEEDS=<this folder>): entries
whose maps nest deep, lists and maps that announce impossible counts, a wrong version.
Run from this folder; the files are committed, so this is only needed to add seeds."""

import binascii
import struct


def crc16(data):
    # CRC-16/ISO-3309 (X.25), as qChecksum(..., Qt::ChecksumIso3309).
    crc = 0xFFFF
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0x8408 if crc & 1 else crc >> 1
    return (~crc) & 0xFFFF


def qstring(text):
    data = text.encode("utf-16-be")
    return struct.pack(">I", len(data)) + data


NULL_STRING = b"\xff\xff\xff\xff"


def variant(type_id, payload):
    return struct.pack(">Ib", type_id, 0) + payload


def qmap(entries, count=None):
    return struct.pack(">I", len(entries) if count is None else count) + b"".join(
        qstring(k) + v for k, v in entries)


def entry(client_parameters=qmap([]), local=qmap([]), profiles=None):
    profiles = struct.pack(">I", 1) + qstring("A") if profiles is None else profiles
    return (profiles + NULL_STRING + NULL_STRING + qmap([]) + client_parameters
            + struct.pack(">dddd", 1, 2, 3, 4) + struct.pack(">i", 1) + qstring("com.tessivar.test")
            + qstring("com.tessivar.test.echo") + qstring("Clock") + local)


def dsx(payload):
    return struct.pack(">H", crc16(payload)) + struct.pack(">I", len(payload)) + payload


def nested(depth):
    value = qmap([])
    for _ in range(depth):
        value = qmap([("k", variant(8, value))])
    return value


seeds = {
    "typed-values.dsx": dsx(struct.pack(">i", 1) + entry(qmap([
        ("Text", variant(10, qstring("hello"))), ("Int", variant(2, struct.pack(">i", 7))),
        ("Real", variant(6, struct.pack(">d", 0.5))), ("On", variant(1, b"\x01")),
        ("List", variant(9, struct.pack(">I", 1) + variant(10, qstring("x"))))]))),
    "nested-40.dsx": dsx(struct.pack(">i", 1) + entry(nested(40))),
    "map-count-huge.dsx": dsx(struct.pack(">i", 1) + entry(qmap([], count=0xFFFFFFF0))),
    "profiles-count-huge.dsx": dsx(struct.pack(">i", 1) + entry(profiles=struct.pack(">I", 0xFFFFFFFF))),
    "version-2.dsx": dsx(struct.pack(">i", 2)),
    "two-entries.dsx": dsx(struct.pack(">i", 1) + entry() + entry(local=qmap([("Note", variant(10, qstring("n")))]))),
}
for name, content in seeds.items():
    with open(name, "wb") as out:
        out.write(content)
# The fuzz target also reads its input as the payload of a file with the right checksum:
# every file's payload is a seed of its own (also of the real exports, written before).
import glob
for name in glob.glob("*.dsx"):
    with open(name, "rb") as source, open("payload-" + name[:-4] + ".bin", "wb") as out:
        out.write(source.read()[6:])
