#!/usr/bin/env python3
"""Prints the ranges of core/case_fold.cpp: every character whose simple case fold differs
from itself, as runs that share one offset and one step (1, or 2 for alternating pairs)."""
import sys


def simple_fold(c):
    upper = c.upper()
    if len(upper) != 1:
        upper = c
    lower = upper.lower()
    return lower if len(lower) == 1 else c


folds = []
for code in range(0x110000):
    if 0xD800 <= code <= 0xDFFF:
        continue
    folded = ord(simple_fold(chr(code)))
    if folded != code:
        folds.append((code, folded - code))

runs = []  # [first, last, offset, step]
for code, offset in folds:
    if runs:
        run = runs[-1]
        step = code - run[1]
        if run[2] == offset and step in (1, 2) and (run[0] == run[1] or run[3] == step):
            run[1], run[3] = code, step
            continue
    runs.append([code, code, offset, 1])

print(f"// {len(runs)} ranges, Unicode {__import__('unicodedata').unidata_version}", file=sys.stderr)
for first, last, offset, step in runs:
    print(f"    {{0x{first:04X}, 0x{last:04X}, {offset}, {step}}},")
