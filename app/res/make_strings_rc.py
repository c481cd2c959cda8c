#!/usr/bin/env python3
"""Writes strings.rc, the program's string table, from the text table in
app/core/appstrings.cpp (ids from app/core/appstrings.h), so the program and
the portable cores show the same texts. Run it after changing the table;
the unit test appstrings_rc_test fails while the two differ.

Run: python3 app/res/make_strings_rc.py
"""
import os
import re

HERE = os.path.dirname(os.path.abspath(__file__))
CORE = os.path.join(HERE, "..", "core")


def read_ids():
    ids = {}
    for name, value in re.findall(r"\b(IDS_\w+)\s*=\s*(\d+)", open(os.path.join(CORE, "appstrings.h")).read()):
        ids[name] = int(value)
    return ids


def c_literal_bytes(body):
    """The bytes of the concatenated C string literals in body."""
    out = bytearray()
    for lit in re.findall(r'"((?:[^"\\]|\\.)*)"', body):
        i = 0
        while i < len(lit):
            ch = lit[i]
            if ch != "\\":
                out += ch.encode("utf-8")
                i += 1
                continue
            nxt = lit[i + 1]
            if nxt == "x":
                m = re.match(r"[0-9A-Fa-f]+", lit[i + 2:])
                out.append(int(m.group(0), 16))
                i += 2 + len(m.group(0))
                continue
            out.append({"n": 10, "r": 13, "t": 9, "\\": 92, '"': 34, "'": 39}[nxt])
            i += 2
    return bytes(out)


def read_table(ids):
    text = open(os.path.join(CORE, "appstrings.cpp"), encoding="utf-8").read()
    table = text[text.index("kAppStrings[] = {"):text.index("};")]
    entries = []
    for name, body in re.findall(r"\{(IDS_\w+),\s*((?:\"(?:[^\"\\]|\\.)*\"\s*)+)\}", table):
        entries.append((ids[name], c_literal_bytes(body).decode("cp1252")))
    return sorted(entries)


def rc_literal(s):
    return '"' + s.replace("\\", "\\\\").replace('"', '""').replace("\t", "\\t") \
        .replace("\r", "\\r").replace("\n", "\\n") + '"'


def main():
    entries = read_table(read_ids())
    lines = [
        "#pragma code_page(65001)",
        "/* The program's string table, written by make_strings_rc.py from",
        " * app/core/appstrings.cpp: edit the table there, then run the script. */",
        "",
        "STRINGTABLE",
        "BEGIN",
    ]
    lines += ["    %d, %s" % (i, rc_literal(s)) for i, s in entries]
    lines += ["END", ""]
    with open(os.path.join(HERE, "strings.rc"), "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    main()
