#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into corpus/<target>/: the
worked address table, and the replies to the three worked requests (block
read of machine 5 at 120, register list and values for 500 into register 300
of machine 3) in the input formats the targets describe."""
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent

# (text, dataType, block parser?, blockCount)
WORKED_ADDRESSES = [
    ("010123", 0, False, 0), ("010123", 6, False, 0), ("01012300", 0, False, 0),
    ("01012300", 6, False, 0), ("0101230", 6, False, 0), ("0101231", 6, False, 0),
    ("0101231", 0, False, 0), ("01012315", 6, False, 0), ("01012316", 6, False, 0),
    ("010123 5", 0, False, 0), ("010123 5", 6, False, 0), ("01123", 0, False, 0),
    ("", 0, False, 0), ("A1012300", 6, False, 0), ("a10123", 0, False, 0),
    ("01012300ABC", 6, False, 0), ("01$STAT", 0, False, 0), ("01$STAT ", 1, False, 0),
    ("01$stat", 1, False, 0), ("99$STAT", 0, False, 0), ("01$STAT", 2, False, 0),
    ("-1$STAT", 0, False, 0), ("+1$STAT", 0, False, 0), (" 7$STAT", 0, False, 0),
    ("7X$STAT", 0, False, 0), ("X7$STAT", 0, False, 0), ("01$STATX", 0, False, 0),
    ("01$STAT  ", 0, False, 0), ("05$COMM", 0, False, 0), ("05$comm", 1, False, 0),
    ("05$COMM", 2, False, 0), ("010120", 0, True, 10), ("010120", 6, True, 10),
    ("010125", 0, True, 10), ("010120", 0, True, 20), ("01012000", 0, True, 10),
    ("01$STAT", 0, True, 1), ("90$COMM", 0, True, 10), ("91$COMM", 0, True, 10),
    ("00$COMM", 0, True, 100), ("00$COMM", 2, True, 10),
]


def checksum(frame):
    return sum(frame[1:35]) % 256


def reply(machine, command, block, status, words):
    frame = bytearray(36)
    frame[0:2] = b"\x02\x4f"
    struct.pack_into("<H", frame, 3, machine)
    frame[5:9] = command.encode() + b"DR"
    struct.pack_into("<HH", frame, 11, block, status)
    struct.pack_into("<10H", frame, 15, *(list(words) + [0] * (10 - len(words))))
    frame[35] = checksum(frame)
    return bytes(frame)


BLOCK_READ_REPLY = reply(5, "PD", 13, 0x1234, range(0xA000, 0xA00A))
LIST_REPLY = reply(3, "LS", 0, 0x0042, [1])
VALUES_REPLY = reply(3, "PS", 0, 0x0042, [1])
TEN_LIST_REPLY = reply(4, "LS", 0, 0x0007, [1] * 10)
TEN_VALUES_REPLY = reply(4, "PS", 0, 0x0007, [1] * 10)


def line(*replies):
    stream = b"".join(replies)
    return struct.pack("<H", len(stream)) + stream


def link_transfer(selector, kind, machine, address, count, words=None, stream=b""):
    fields = struct.pack("<BBBHb", selector, kind, machine, address, count)
    if words is not None:
        fields += struct.pack("<10H", *(list(words) + [0] * (10 - len(words))))
    return fields + line(stream)


LINK_SEEDS = {
    "block_read": link_transfer(0, 0, 5, 120, 10, stream=BLOCK_READ_REPLY),
    "single_write": link_transfer(2, 0, 3, 300, 1, [0, 500], LIST_REPLY + VALUES_REPLY),
    "block_write": link_transfer(3, 0, 4, 200, 10, range(900, 910), TEN_LIST_REPLY + TEN_VALUES_REPLY),
    "noise_then_read": link_transfer(0, 0, 5, 120, 10, stream=b"\x02\x02\x4f\x02\x2f" + BLOCK_READ_REPLY),
    "silent_read_then_enable": link_transfer(0, 0, 7, 0, 10)
    + link_transfer(2, 1, 110, 7, 1, [0, 0]) + link_transfer(0, 0, 7, 0, 10, stream=BLOCK_READ_REPLY),
    "flags_and_status": link_transfer(3, 1, 110, 10, 5, [1, 0, 7, 0, 2])
    + link_transfer(0, 1, 110, 0, 100) + link_transfer(1, 2, 5, 0, 1),
    "port_changes": bytes([7, 6, 5, 1, 20, 1]) + link_transfer(0, 0, 5, 120, 10, stream=BLOCK_READ_REPLY)
    + bytes([4, 3, 50, 8, 5]),
}


def records_transfer(selector, spec, count, words, stream=b""):
    return (bytes([selector]) + struct.pack("<5i", *spec) + struct.pack("<i", count)
            + struct.pack("<10H", *(list(words) + [0] * (10 - len(words)))) + line(stream))


def port_name(name):
    return name.encode().ljust(12, b"\0")


RECORDS_START = (bytes([0]) + port_name("FAKE1") + struct.pack("<4HH", 19200, 8, 0, 0, 0x0303)
                 + bytes([0]) + port_name("FAKE1") + struct.pack("<ii4H", 1, 10, 19200, 8, 0, 0))
RECORDS_SEEDS = {
    "start_and_read": RECORDS_START + records_transfer(3, (5, 0, 120, 255, 16), 10, [], BLOCK_READ_REPLY),
    "start_and_write": RECORDS_START
    + records_transfer(5, (3, 0, 300, 255, 16), 7, [0, 500], LIST_REPLY + VALUES_REPLY),
    "change_and_warm": RECORDS_START + bytes([1]) + port_name("FAKE2") + struct.pack("<i4H", -1, 9600, 8, 0, 0)
    + bytes([2]) + struct.pack("<i", 99) + bytes([7, 1]),
    "flags": RECORDS_START + records_transfer(6, (110, 67, 90, 255, 16), 10, range(10))
    + records_transfer(3, (110, 67, 0, 255, 16), 100, []),
}


def write_corpus(target, seeds):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in seeds.items():
        (folder / name).write_bytes(data)


def address_seed(text, data_type, block, block_count):
    return struct.pack("<Bii", 1 if block else 0, data_type, block_count) + text.encode()


write_corpus("address", {f"worked_{i:02d}": address_seed(*row) for i, row in enumerate(WORKED_ADDRESSES)})
write_corpus("link", LINK_SEEDS)
write_corpus("records", RECORDS_SEEDS)
