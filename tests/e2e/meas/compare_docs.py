#!/usr/bin/env python3
"""Compares a document saved by the program with klvtool's record of the
same scenario: compare_docs.py KLVTOOL PROGRAM.klv REFERENCE.klv

The simulator plays its profiles in real time, so a closing begins at an
arbitrary point between two samples; klvtool's unpaced run begins it on a
sample. The two records therefore agree up to that sub-sample phase: the
figures within a few tenths of a newton (the steep rise makes the peak the
most sensitive), the curves sample by sample within their rise, and exactly
where the force is settled (the clamping force at the end).
"""
import csv
import io
import json
import re
import subprocess
import sys

# figure: (index in the result text, tolerance)
FIGURES = [("effective force", 0, 1.5), ("clamping force", 1, 0.05), ("peak force", 2, 4.0),
           ("K-factor", 3, 0.02), ("pulse duration", 4, 0.02), ("energy", 5, 0.08)]
SAME_KEYS = ["SensorTyp", "SerNo", "Title"]
MEAN_CURVE_DIFFERENCE_N = 0.5


def run(tool, *args):
    return subprocess.run([tool, *args], check=True, capture_output=True).stdout.decode("utf-8")


def numbers(text):
    return [float(x) for x in re.findall(r"-?\d+\.\d+", text)]


def main():
    tool, program, reference = sys.argv[1:4]
    got, want = json.loads(run(tool, "info", program)), json.loads(run(tool, "info", reference))
    errors = []
    for key in SAME_KEYS:
        if got[key] != want[key]:
            errors.append("%s: %r, klvtool %r" % (key, got[key], want[key]))
    for slot in range(1, 5):
        g, w = numbers(got["Descr%d" % slot]), numbers(want["Descr%d" % slot])
        if ("*" in got["Descr%d" % slot].split("\n")[0]) != ("*" in want["Descr%d" % slot].split("\n")[0]):
            errors.append("Descr%d marks another force than klvtool" % slot)
        for name, index, tolerance in FIGURES:
            if abs(g[index] - w[index]) > tolerance:
                errors.append("Descr%d %s: %.2f, klvtool %.2f" % (slot, name, g[index], w[index]))
    curves_got = list(csv.reader(io.StringIO(run(tool, "export", program))))
    curves_want = list(csv.reader(io.StringIO(run(tool, "export", reference))))
    if len(curves_got) != len(curves_want) or curves_got[0] != curves_want[0]:
        errors.append("curves: %d rows %s, klvtool %d rows %s" % (
            len(curves_got), curves_got[0], len(curves_want), curves_want[0]))
    else:
        for column in range(1, len(curves_want[0])):
            diffs = [abs(float(a[column]) - float(b[column]))
                     for a, b in zip(curves_got[1:], curves_want[1:])]
            mean = sum(diffs) / len(diffs)
            if mean > MEAN_CURVE_DIFFERENCE_N or curves_got[-1][column] != curves_want[-1][column]:
                errors.append("curve %s: mean difference %.3f N, last %s / %s" % (
                    curves_want[0][column], mean, curves_got[-1][column], curves_want[-1][column]))
    for error in errors:
        print("differs: " + error)
    print("document %s against klvtool: %s" % (program, "agrees" if not errors else "DIFFERS"))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
