#!/usr/bin/env python3
"""Compares a document saved by the program with klvtool's record of the
same scenario: compare_docs.py KLVTOOL PROGRAM.klv REFERENCE.klv

The simulator sends the same samples however quickly its host answers, so
the program's run and klvtool's unpaced one record the same curves: the
result texts and the curves must agree exactly. The description (examiner,
vehicle, remarks) is the user's and is not compared.
"""
import csv
import io
import json
import subprocess
import sys

SAME_KEYS = ["SensorTyp", "SerNo", "Title", "Descr1", "Descr2", "Descr3", "Descr4"]


def run(tool, *args):
    return subprocess.run([tool, *args], check=True, capture_output=True).stdout.decode("utf-8")


def main():
    tool, program, reference = sys.argv[1:4]
    got, want = json.loads(run(tool, "info", program)), json.loads(run(tool, "info", reference))
    errors = []
    for key in SAME_KEYS:
        if got[key] != want[key]:
            errors.append("%s: %r, klvtool %r" % (key, got[key], want[key]))
    curves_got = list(csv.reader(io.StringIO(run(tool, "export", program))))
    curves_want = list(csv.reader(io.StringIO(run(tool, "export", reference))))
    if len(curves_got) != len(curves_want) or curves_got[:1] != curves_want[:1]:
        errors.append("curves: %d rows %s, klvtool %d rows %s" % (
            len(curves_got), curves_got[:1], len(curves_want), curves_want[:1]))
    else:
        for row, (a, b) in enumerate(zip(curves_got, curves_want)):
            if a != b:
                errors.append("curves from row %d on: %s, klvtool %s" % (row, a, b))
                break
    for error in errors:
        print("differs: " + error)
    print("document %s against klvtool: %s" % (program, "identical" if not errors else "DIFFERS"))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
