#!/usr/bin/env python3
"""Generates src/text/SimplifiedTable.cpp, the traditional-to-simplified table.

The table is one-to-one over two-byte GBK characters, so mapping a GBK text
never changes its byte length. It is built from the Unihan variants data and
UnicodeData.txt of Debian's unicode-data package:

  * every kSimplifiedVariant entry with exactly one value in the BMP, for
    sources from U+4DC0 on (CJK Extension A is left out);
  * every CJK compatibility ideograph U+F900..U+FAFF with a canonical
    decomposition maps to that canonical form, or to the canonical form's own
    simplified variant when it has one;
  * entries whose source or result is not a two-byte GBK character, and
    entries that map a character to itself, are dropped.

Usage: tools/gen_simplified_table.py [unicode-data dir] > src/text/SimplifiedTable.cpp
"""

import bz2
import os
import sys

DATA_DIR = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/unicode"


def open_data(name):
    path = os.path.join(DATA_DIR, name)
    if os.path.exists(path):
        return open(path, encoding="utf-8")
    return bz2.open(path + ".bz2", "rt", encoding="utf-8")


def code_point(field):
    # "U+4E07" or "U+4E07<kLau" -> 0x4E07
    return int(field.split("<")[0][2:], 16)


def read_simplified_variants():
    variants = {}
    unicode_version = "?"
    with open_data("Unihan_Variants.txt") as data:
        for line in data:
            if line.startswith("# Unicode version:"):
                unicode_version = line.split(":", 1)[1].strip()
            if line.startswith("#") or not line.strip():
                continue
            source, field, values = line.rstrip("\n").split("\t")
            if field != "kSimplifiedVariant":
                continue
            variants[code_point(source)] = [code_point(v) for v in values.split()]
    return variants, unicode_version


def read_compatibility_decompositions():
    decompositions = {}
    with open_data("UnicodeData.txt") as data:
        for line in data:
            fields = line.split(";")
            code = int(fields[0], 16)
            decomposition = fields[5]
            if 0xF900 <= code <= 0xFAFF and decomposition and not decomposition.startswith("<"):
                parts = decomposition.split()
                if len(parts) == 1:
                    decompositions[code] = int(parts[0], 16)
    return decompositions


def gbk_code(code):
    """The two-byte GBK code of a character, or None."""
    try:
        encoded = chr(code).encode("gbk")
    except UnicodeEncodeError:
        return None
    if len(encoded) != 2 or encoded.decode("gbk") != chr(code):
        return None
    return encoded[0] << 8 | encoded[1]


def build():
    variants, unicode_version = read_simplified_variants()
    mapping = {}
    for source, values in variants.items():
        if source >= 0x4DC0 and len(values) == 1 and values[0] <= 0xFFFF:
            mapping[source] = values[0]
    for source, canonical in read_compatibility_decompositions().items():
        if source in mapping:
            continue
        target = mapping.get(canonical, canonical)
        mapping[source] = target

    pairs = {}
    for source, target in mapping.items():
        source_code = gbk_code(source)
        target_code = gbk_code(target)
        if source_code is None or target_code is None or source_code == target_code:
            continue
        pairs[source_code] = target_code
    return sorted(pairs.items()), unicode_version


COPYRIGHT_FILE = "/usr/share/doc/unicode-data/copyright"

HEADER = """\
// Derived from the Unicode Character Database (Unihan_Variants.txt and
// UnicodeData.txt, Unicode {version}) by tools/gen_simplified_table.py: this
// file is modified data. It keeps only one-to-one mappings between two-byte
// GBK characters and stores them as GBK codes. Do not edit; run the
// generator again.
//
// The Unicode data files are used under the following terms, as shipped
// with them:
//
"""


def licence_notice():
    """The Unicode licence text as the unicode-data package ships it."""
    with open(COPYRIGHT_FILE, encoding="utf-8", errors="replace") as data:
        text = data.read()
    start = text.index("EXHIBIT 1")
    end = text.index("herein are the property of their respective owners.")
    end += len("herein are the property of their respective owners.")
    lines = text[start:end].splitlines()
    return "".join(("// " + line.rstrip()).rstrip() + "\n" for line in lines)


def main():
    pairs, unicode_version = build()
    out = sys.stdout
    out.write(HEADER.format(version=unicode_version))
    out.write(licence_notice())
    out.write('\n#include "text/SimplifiedTable.h"\n\n')
    out.write("namespace avatrix::simplified {\n\n")
    out.write("// (traditional, simplified) GBK codes, sorted by the first.\n")
    out.write("const CodePair kPairs[] = {\n")
    row = []
    for source, target in pairs:
        row.append("{{0x{:04X}, 0x{:04X}}}".format(source, target))
        if len(row) == 5:
            out.write("    " + ", ".join(row) + ",\n")
            row = []
    if row:
        out.write("    " + ", ".join(row) + ",\n")
    out.write("};\n\nconst std::size_t kPairCount = sizeof kPairs / sizeof kPairs[0];\n")
    out.write("\n}  // namespace avatrix::simplified\n")


if __name__ == "__main__":
    main()
