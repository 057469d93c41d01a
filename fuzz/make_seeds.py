#!/usr/bin/env python3
"""Writes the hand-made seed inputs of the fuzz targets into fuzz/seeds/.

Run it again after changing it; the seeds are small enough to keep in git.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def i32(v):
    return struct.pack("<i", v)


def sub(name, data):
    return name.encode() + i32(len(data)) + data


def z(s):
    return s.encode("latin-1") + b"\0"


def record(rtype, subs, flags=0):
    body = b"".join(subs)
    return rtype.encode() + i32(len(body)) + i32(0) + i32(flags) + body


def header(count, file_type=0):
    hedr = i32(0x3FA66666) + i32(file_type) + b"\0" * 32 + b"\0" * 256 + i32(count)
    return record("TES3", [sub("HEDR", hedr)])


def plugin(records, count=None, file_type=0):
    n = len(records) if count is None else count
    return header(n, file_type) + b"".join(records)


def counted(s):
    b = s.encode("latin-1") if isinstance(s, str) else s
    return i32(len(b)) + b


def pairs(*ps):
    return b"".join(counted(a) + counted(b) for a, b in ps)


def triples(*ts):
    return b"".join(counted(a) + counted(b) + counted(c) for a, b, c in ts)


# Records of every kind the analysis and the save look at.
CELL = record("CELL", [sub("NAME", z("Seyda Neen")), sub("DATA", i32(0) * 3),
                       sub("DNAM", z("Vivec"))])
CELL_UNNAMED = record("CELL", [sub("NAME", z("")), sub("DATA", i32(1) * 3)])
CELL_GROWS = record("CELL", [sub("NAME", z("Vivec"))])
REGN = record("REGN", [sub("NAME", z("bitter_coast")), sub("FNAM", z("Bitter Coast Region"))])
PGRD = record("PGRD", [sub("DATA", i32(0) * 3), sub("NAME", z("Bitter Coast Region"))])
PGRD_NONAME = record("PGRD", [sub("DATA", i32(0) * 3)])
MISC = record("MISC", [sub("NAME", z("misc_bucket")), sub("FNAM", z("Bucket"))])
MISC_COIN = record("MISC", [sub("NAME", z("misc_coin")), sub("FNAM", z("Dwemer Coin"))])
MISC_DONE = record("MISC", [sub("NAME", z("misc_spoon")), sub("FNAM", z("Loeffel"))])
ARMO_NOFNAM = record("ARMO", [sub("NAME", z("armor_id")), sub("MODL", z("a.nif"))])
NPC = record("NPC_", [sub("NAME", z("fargoth")), sub("FNAM", z("Fargoth")),
                      sub("DNAM", z("Balmora"))])
CONT = record("CONT", [sub("NAME", z("chest")), sub("FNAM", z("Fork"))])
SKIL = record("SKIL", [sub("INDX", i32(1)), sub("DESC", z("Repairs armor."))])
SKIL_FAR = record("SKIL", [sub("INDX", i32(99)), sub("DESC", z("x"))])
GMST = record("GMST", [sub("NAME", z("sName")), sub("STRV", b"Bucket")])
GMST_NUM = record("GMST", [sub("NAME", z("iLevel")), sub("INTV", i32(5))])
INFO = record("INFO", [sub("INAM", z("1")), sub("ANAM", z("Seyda Neen")),
                       sub("SCVR", b"0BLX0Vivec"), sub("NAME", z("Hello"))])
DIAL = record("DIAL", [sub("NAME", z("greeting")), sub("DATA", b"\x00")])

ALL = [CELL, CELL_UNNAMED, CELL_GROWS, REGN, PGRD, PGRD_NONAME, MISC, MISC_COIN,
       MISC_DONE, ARMO_NOFNAM, NPC, CONT, SKIL, SKIL_FAR, GMST, GMST_NUM, DIAL, INFO]

# A subrecord chain that claims more bytes than its record holds.
OVERRUN = record("MISC", [sub("NAME", z("misc_x")), b"FNAM" + i32(4000) + z("Bucket")])
NEGATIVE_SUB = record("MISC", [b"NAME" + i32(-8) + z("x"), sub("FNAM", z("Bucket"))])
HUGE_ID = b"ARMO" + i32(12) + i32(0) + i32(0) + b"NAME" + i32(-2147483648) + b"abcd"

LOAD = {
    "header_only.esp": plugin([]),
    "all_types.esp": plugin(ALL),
    "count_zero.esp": plugin(ALL[:5], count=0),
    "count_lies.esp": plugin(ALL[:6], count=2),
    "zero_type_midfile.esp": plugin([CELL, MISC]) + b"\0" * 4 + MISC_COIN,
    "overrun_chain.esp": plugin([OVERRUN, NEGATIVE_SUB, HUGE_ID]),
    "short_header_record.esp": record("TES3", [sub("HEDR", b"\0" * 8)]) + CELL + b"\0" * 300,
    "master.esm": plugin([CELL, MISC], file_type=1),
}

DATABASE = pairs(("FFFF", "FFFF"), ("Balmora", "Balmora-Stadt"), ("Fork", "Gabel"))
DICTIONARY = pairs(("Seyda Neen", "Seyda Nin"), ("Vivec", "Vivec, Stadt der Magie"),
                   ("Bitter Coast Region", "Bittere Kueste"), ("Bucket", "Eimer"),
                   ("Dwemer Coin", "D" * 70), ("Fargoth", "Fargot"))

ROUNDTRIP = {
    "plugin_only.esp": plugin(ALL),
    "with_database": plugin(ALL) + b"@@DB" + DATABASE,
    "with_dictionary": plugin(ALL) + b"@@DB" + DATABASE + b"@@DI" + DICTIONARY,
    "damaged_database": plugin([CELL, MISC, CONT]) + b"@@DB" + DATABASE[:-3] + b"@@DI"
    + DICTIONARY + i32(-5),
    "overrun": plugin([OVERRUN, NEGATIVE_SUB, HUGE_ID, INFO]) + b"@@DB@@DI" + DICTIONARY,
    "master": plugin([CELL, MISC], file_type=1) + b"@@DB" + DATABASE,
}

DICT = {
    "pairs.dat": DICTIONARY,
    "database.dat": DATABASE,
    "triples.dat": triples(("Block", "Block", "Blocken"), ("Armorer", "Armorer", "Schmied")),
    "duplicates.dat": pairs(("a", "b"), ("b", "a"), ("a", "c"), ("c", "c")),
    "damaged.dat": DICTIONARY + i32(-1) + b"xyz",
    "too_long.dat": pairs(("x", "y")) + i32(1000) + b"short",
    "zeros_inside.dat": i32(6) + b"ab\0cd\0" + i32(2) + b"\0\0",
}

INI = {
    "default.ini": b";Quillane Init file\r\n;\r\nPreferenceVersion = 1\r\n;\r\n"
    b"[Block size save]\r\nBank = 50000\r\n;\r\n[Window]\r\nWindowWidth = 800\r\n"
    b"WindowHeight = 600\r\n;\r\n[Plugin Path]\r\nPlugPath = C:\\Games\\\r\n;\r\n"
    b"[Save Path]\r\nSavePath = D:\\Out\\\r\n",
    "mixed.ini": b"[window]\nwindowwidth=  -12\n  WINDOWHEIGHT =99999999999\n"
    b"[Window]\nWindowWidth = 5\n[plugin path\nPlugPath=   a b \r x\n; comment\n"
    b"[Block size save]\nBank=+77abc\n[Save Path]\nSavePath\nSavePath=\n",
    "empty.ini": b"",
}


def write_all(target, files):
    d = os.path.join(HERE, "seeds", target)
    os.makedirs(d, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(d, name), "wb") as f:
            f.write(data)


write_all("load", LOAD)
write_all("roundtrip", ROUNDTRIP)
write_all("dictionary", DICT)
write_all("config", INI)
