#!/usr/bin/env python3
"""Prints the ranges of core/case_fold.cpp: every character whose folded form differs from
itself, as runs that share one offset and one step (1, or 2 for alternating pairs).

Without arguments: Unicode's simple case folding (kFoldRanges).
With --exfat: exFAT's up-case table as mkfs.exfat writes it into a fresh volume (kExfatRanges).
exFAT compares names by up-casing each UTF-16 unit; the form kept is that up-cased character,
except that ASCII capitals are written as small letters, as in the Unicode form, so that an
ASCII name reads the same in both. That keeps exFAT's comparison exact only while no other
character up-cases to an ASCII letter, which is checked here."""
import os
import struct
import subprocess
import sys
import tempfile


def simple_fold(c):
    upper = c.upper()
    if len(upper) != 1:
        upper = c
    lower = upper.lower()
    return lower if len(lower) == 1 else c


def unicode_folds():
    for code in range(0x110000):
        if 0xD800 <= code <= 0xDFFF:
            continue
        folded = ord(simple_fold(chr(code)))
        if folded != code:
            yield code, folded - code


def read_up_case_table(image):
    """The up-case table of an exFAT image, expanded: one entry for each 16-bit unit."""
    with open(image, "rb") as f:
        data = f.read()
    sector = 1 << data[108]
    cluster = sector << data[109]
    heap = struct.unpack_from("<I", data, 88)[0] * sector
    root = heap + (struct.unpack_from("<I", data, 96)[0] - 2) * cluster
    for entry in range(root, root + cluster, 32):
        if data[entry] == 0x82:  # the up-case table's directory entry
            first, length = struct.unpack_from("<IQ", data, entry + 20)
            break
    else:
        sys.exit("no up-case table in the root folder")
    packed = struct.unpack_from(f"<{length // 2}H", data, heap + (first - 2) * cluster)
    table, at = [], 0
    while at < len(packed):
        if packed[at] == 0xFFFF and at + 1 < len(packed):  # a run of characters kept as they are
            table.extend(range(len(table), len(table) + packed[at + 1]))
            at += 2
        else:
            table.append(packed[at])
            at += 1
    return table


def exfat_folds():
    with tempfile.TemporaryDirectory() as scratch:
        image = os.path.join(scratch, "volume.img")
        with open(image, "wb") as f:
            f.truncate(32 << 20)
        subprocess.run(["mkfs.exfat", image], check=True, stdout=subprocess.DEVNULL)
        table = read_up_case_table(image)
    ascii_letters = set(range(ord("A"), ord("Z") + 1)) | set(range(ord("a"), ord("z") + 1))
    for code, upper in enumerate(table):
        if code >= 0x80 and upper in ascii_letters:
            sys.exit(f"U+{code:04X} up-cases to an ASCII letter")
        if ord("A") <= code <= ord("Z"):
            yield code, 32
        elif code >= 0x80 and upper != code:
            yield code, upper - code


def runs_of(folds):
    runs = []  # [first, last, offset, step]
    for code, offset in folds:
        if runs:
            run = runs[-1]
            step = code - run[1]
            if run[2] == offset and step in (1, 2) and (run[0] == run[1] or run[3] == step):
                run[1], run[3] = code, step
                continue
        runs.append([code, code, offset, 1])
    return runs


if sys.argv[1:] == ["--exfat"]:
    runs, source = runs_of(exfat_folds()), "mkfs.exfat's up-case table"
else:
    runs, source = runs_of(unicode_folds()), f"Unicode {__import__('unicodedata').unidata_version}"
print(f"// {len(runs)} ranges, {source}", file=sys.stderr)
for first, last, offset, step in runs:
    print(f"    {{0x{first:04X}, 0x{last:04X}, {offset}, {step}}},")
