#!/usr/bin/env python3
"""Writes the hand-built word-processor fixtures of this folder: documents of the older
kinds that no current writer produces, in a compound file written here byte by byte.

  doc_8bit.doc       product byte 0x69: 8-bit text from 0x300, double-byte pairs swapped
  doc_fixed400.doc   no piece table: UTF-16 text at 0x400, character count at 0x4C
  doc_word6.doc      a Word 6 header (FIB version 101, product byte 0x4D): CP932 text of
                     ccpText (0x34) bytes from fcMin (0x18), pairs in their usual order
  doc_word95.doc     the same text under a Word 95 header (FIB version 104, product 0x5D)

Each has one root stream, "WordDocument", padded to 4096 bytes so that it lies in regular
sectors (no mini stream is needed).
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SECTOR = 512
FREE, END, FATSECT = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD


def dir_entry(name, kind, start, size, child=FREE):
    encoded = (name + "\0").encode("utf-16-le")
    e = encoded.ljust(64, b"\0")
    e += struct.pack("<HBB", len(encoded), kind, 1)  # name size, type, colour black
    e += struct.pack("<III", FREE, FREE, child)  # left, right, child
    e += b"\0" * 16 + struct.pack("<I", 0) + b"\0" * 16  # class id, state bits, times
    e += struct.pack("<IQ", start, size)
    assert len(e) == 128
    return e


def compound_file(stream):
    assert len(stream) >= 4096 and len(stream) % SECTOR == 0
    data_sectors = len(stream) // SECTOR
    # Sector 0: the FAT; sector 1: the directory; sectors 2...: the stream.
    fat = [FATSECT, END] + [3 + i for i in range(data_sectors - 1)] + [END]
    fat += [FREE] * (SECTOR // 4 - len(fat))
    header = bytes.fromhex("D0CF11E0A1B11AE1") + b"\0" * 16
    header += struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\0" * 6
    header += struct.pack("<IIIIIIIII", 0, 1, 1, 0, 4096, END, 0, END, 0)
    header += struct.pack("<I", 0) + struct.pack("<I", FREE) * 108
    assert len(header) == SECTOR
    directory = dir_entry("Root Entry", 5, END, 0, child=1)
    directory += dir_entry("WordDocument", 2, 2, len(stream))
    directory += b"\0" * (SECTOR - len(directory))
    return header + struct.pack("<128I", *fat) + directory + stream


def pad(stream, size=4096):
    return stream + b"\0" * (size - len(stream))


def eight_bit_doc():
    # The reader recognises a stored pair by its second byte being a lead byte, so the
    # characters chosen have second bytes that are not lead bytes themselves.
    lines = ["8-bit document", "あいうえおの本文", "ASCII and 全角"]
    text = b""
    for line in lines:
        for ch in line:
            b = ch.encode("cp932")
            assert len(b) == 1 or not (0x81 <= b[1] <= 0x9F or 0xE0 <= b[1] <= 0xFC), ch
            text += b[::-1]  # a double-byte character is stored with its bytes swapped
        text += b"\r"
    text += b"tail without CR"
    s = bytearray(0x300)
    s[4] = 0x69
    return pad(bytes(s) + text)


def fixed400_doc():
    text = "固定位置の本文\rSecond line\r\n三行目\r"
    s = bytearray(0x400)
    struct.pack_into("<I", s, 0x4C, len(text))
    return pad(bytes(s) + text.encode("utf-16-le"))


def word6_doc(version, product):
    # Second bytes that are lead bytes (メ 0x83 0x81) or a backslash (ソ 0x83 0x5C) must come
    # out as they are; the bytes after ccpText are not text.
    text = "Word 6/95 文書\rメモ：ソース表示\r\r最後の行\r".encode("cp932")
    start = 0x300
    s = bytearray(start)
    struct.pack_into("<HHHH", s, 0, 0xA5DC, version, 0x2000 | product, 0x0411)  # lid: Japanese
    struct.pack_into("<II", s, 0x18, start, start + len(text))  # fcMin, fcMac
    struct.pack_into("<I", s, 0x34, len(text))  # ccpText
    return pad(bytes(s) + text + "not text\r".encode("ascii"))


for name, stream in (
    ("doc_8bit.doc", eight_bit_doc()),
    ("doc_fixed400.doc", fixed400_doc()),
    ("doc_word6.doc", word6_doc(101, 0x4D)),
    ("doc_word95.doc", word6_doc(104, 0x5D)),
):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(compound_file(stream))
