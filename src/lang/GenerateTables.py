#!/usr/bin/env python3
"""Turns the text tables (texts/<tag>.txt, KEY = text) into C++.

TextIds.h lists the keys in English order; LanguageTables.cpp holds one
zlib stream a language, whose content is its texts in that order, each ended
by a NUL. The programs inflate only the language they speak, so the fifteen
tables cost a third of their plain size. A missing text is left empty (the
program shows English for it; the tables' test names it); a key English does
not know is an error, since it can only be a typo.

    GenerateTables.py TEXT_DIR OUT_DIR en de fr ...
"""
import os
import re
import sys
import zlib

LINE = re.compile(r"^([A-Za-z][A-Za-z0-9]*)[ \t]*=[ \t]?(.*)$")
ESCAPE = re.compile(r"\\(x[0-9A-Fa-f]{2}|.)")
SIMPLE = {"r": "\r", "n": "\n", "t": "\t", "\\": "\\", '"': '"'}


def fail(message):
    sys.exit(f"GenerateTables: {message}")


def unescape(tag, key, text):
    def one(m):
        e = m.group(1)
        if e.startswith("x") and len(e) == 3:
            return chr(int(e[1:], 16))
        if e in SIMPLE:
            return SIMPLE[e]
        fail(f"{tag}.txt: {key}: unknown escape \\{e}")

    return ESCAPE.sub(one, text)


def read_table(text_dir, tag):
    texts = {}
    with open(os.path.join(text_dir, f"{tag}.txt"), encoding="utf-8") as f:
        for line in f.read().splitlines():
            if re.match(r"^[ \t]*(#|$)", line):
                continue
            m = LINE.match(line)
            if not m:
                fail(f"{tag}.txt: not KEY = text: {line}")
            key, text = m.groups()
            if key in texts:
                fail(f"{tag}.txt: {key} is given twice")
            texts[key] = unescape(tag, key, text)
    return texts


def write_if_changed(path, content):
    # Rewritten only when changed, so that an edit of one table rebuilds little.
    try:
        with open(path, encoding="utf-8") as f:
            if f.read() == content:
                return
    except FileNotFoundError:
        pass
    with open(path, "w", encoding="utf-8") as f:
        f.write(content)


def main():
    text_dir, out_dir, langs = sys.argv[1], sys.argv[2], sys.argv[3:]
    if not langs or langs[0] != "en":
        fail("English must come first")
    english = read_table(text_dir, "en")
    keys = list(english)
    ids = "// Generated from src/lang/texts/en.txt; do not edit.\n#pragma once\n"
    ids += "#include <cstdint>\n\nenum class TText : uint16_t {\n"
    ids += "".join(f"  {key},\n" for key in keys) + "  Count\n};\n"

    cpp = "// Generated from src/lang/texts/*.txt; do not edit.\n"
    cpp += '#include "lang/LanguageTables.h"\n\n'
    entries = ""
    for tag in langs:
        table = english if tag == "en" else read_table(text_dir, tag)
        for key in table:
            if key not in english:
                fail(f"{tag}.txt: {key} is not a key of en.txt")
        blob = "".join(table.get(key, "") + "\0" for key in keys).encode("utf-8")
        packed = zlib.compress(blob, 9)
        name = "kPacked_" + re.sub(r"\W", "_", tag)
        rows = [", ".join(str(b) for b in packed[i : i + 24]) for i in range(0, len(packed), 24)]
        cpp += f"static const unsigned char {name}[] = {{\n    " + ",\n    ".join(rows) + "};\n"
        entries += f'    {{"{tag}", {name}, sizeof {name}, {len(blob)}u}},\n'
    cpp += f"\nconst TLanguageTable kLanguageTables[] = {{\n{entries}}};\n"
    cpp += f"const unsigned kLanguageTableCount = {len(langs)};\n"

    os.makedirs(os.path.join(out_dir, "lang"), exist_ok=True)
    write_if_changed(os.path.join(out_dir, "lang", "TextIds.h"), ids)
    write_if_changed(os.path.join(out_dir, "lang", "LanguageTables.cpp"), cpp)


main()
