#!/usr/bin/env python3
"""Writes the demo plugins of invented content, byte for byte the same at
every run, and optionally builds the demo dictionaries from them.

    demo/make_demo.py                    # the plugins only
    demo/make_demo.py build/quillane-cli # and demo/data/, demo/cyrillic/data/ from them

The world: Fennick Vale, a river crossing with an inn, a tollhouse and a
ferry to Gullwater Shore. FV is English; OV is Vellish, a language made up
for this demo. Demo_to_translate.esp is a small mod written for the English
version: it uses the same names and references the same cells.

The second demo, in demo/cyrillic: Harrow Ford, a mill village on a ford
with a boat to Owlmere Shore. FV is English; OV is Zaryan, a language made up
for it and written in Cyrillic letters, its names and texts in code page
1251. Demo_Cyrillic_to_translate.esp is its mod to translate.
"""
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def i32(v):
    return struct.pack("<i", v)


def enc(s):
    # Names and texts in code page 1251; the first demo's are ASCII, the same
    # bytes in every code page.
    return s.encode("cp1251")


def z(s):
    return enc(s) + b"\0"


def sub(name, data):
    return name.encode("ascii") + i32(len(data)) + data


def record(rtype, subs, flags=0):
    body = b"".join(sub(n, d) for n, d in subs)
    return rtype.encode("ascii") + i32(len(body)) + i32(0) + i32(flags) + body


def header(count, description):
    author = b"Quillane demo".ljust(32, b"\0")
    desc = description.encode("ascii").ljust(256, b"\0")
    hedr = struct.pack("<f", 1.3) + i32(0) + author + desc + i32(count)
    return record("TES3", [("HEDR", hedr)])


def plugin(records, description):
    return header(len(records), description) + b"".join(records)


def cell(name, interior, x=0, y=0, refs=()):
    subs = [("NAME", z(name)), ("DATA", i32(1 if interior else 0) + i32(x) + i32(y))]
    for n, (obj, dest) in enumerate(refs, 1):
        subs += [("FRMR", i32(n)), ("NAME", z(obj)), ("DATA", bytes(24)),
                 ("DODT", bytes(24)), ("DNAM", z(dest))]
    return record("CELL", subs)


def pgrd(name, x=0, y=0):
    return record("PGRD", [("DATA", i32(x) + i32(y) + struct.pack("<hh", 256, 0)), ("NAME", z(name))])


def obj(rtype, ident, name, *more):
    return record(rtype, [("NAME", z(ident)), ("MODL", z("demo\\" + ident + ".nif")), ("FNAM", z(name))] + list(more))


def npc(ident, name, cls, travel=(), ai=()):
    more = [("RNAM", z("Imperial")), ("CNAM", z(cls))]
    for dest in travel:
        more += [("DODT", bytes(24)), ("DNAM", z(dest))]
    return record("NPC_", [("NAME", z(ident)), ("FNAM", z(name))] + more + list(ai))


def script(ident, lines):
    # SCHD: the name in 32 bytes, then five counts this demo leaves at zero;
    # SCTX: the source text, lines ended by CR LF.
    schd = ident.encode("ascii").ljust(32, b"\0") + bytes(20)
    return record("SCPT", [("SCHD", schd), ("SCTX", enc("\r\n".join(lines)))])


def escort(cell_name, target="player", hours=24):
    # AI_E (x, y, z, duration, target ID, reset) and the cell it leads to.
    data = struct.pack("<fffh", 0, 0, 0, hours) + target.encode("ascii").ljust(32, b"\0") + struct.pack("<h", 1)
    return [("AI_E", data), ("CNDT", z(cell_name))]


def gmst(ident, value):
    return record("GMST", [("NAME", z(ident)), ("STRV", enc(value))])


def skil(index, desc):
    return record("SKIL", [("INDX", i32(index)), ("SKDT", bytes(24)), ("DESC", enc(desc))])


def info(ident, cell_name, condition_cell, text):
    return record("INFO", [("INAM", z(ident)), ("PNAM", z("")), ("NNAM", z("")),
                           ("DATA", bytes(12)), ("ANAM", z(cell_name)), ("NAME", enc(text)),
                           ("SCVR", b"1BLX0" + enc(condition_cell)), ("INTV", i32(1))])


# English (FV) and Vellish (OV), side by side.
W = {
    "crossing": ("Fennick Crossing", "Fennikvad"),
    "shore": ("Gullwater Shore", "Maakevik Strand"),
    "inn": ("Fennick Crossing, Lantern Inn", "Fennikvad, Lyktekroa"),
    "toll": ("Fennick Crossing, Tollhouse", "Fennikvad, Tollbua"),
    "boathouse": ("Gullwater Shore, Boathouse", "Maakevik Strand, Naustet"),
    "vale": ("Fennick Vale", "Fennikdalen"),
    "inn_door": ("Inn Door", "Kroedor"),
    "plank_door": ("Plank Door", "Plankedor"),
    "oskar": ("Oskar the Ferryman", "Ferjemann Oskar"),
    "marta": ("Marta", "Marta"),
    "lantern": ("Brass Lantern", "Messinglykt"),
    "toll_coin": ("Toll Token", "Tollmerke"),
    "rules": ("Rules of the Ferry", "Ferjereglane"),
    "rules_text": ("Rule one: pay the toll before you board. Rule two: no goats after dark. "
                   "Rule three: the ferryman is always right.",
                   "Fyrste regel: betal tollen foer du gaar om bord. Andre regel: ingen geiter "
                   "etter myrkret. Tredje regel: ferjemannen har alltid rett."),
    "tollkeeper": ("Tollkeeper", "Tollvaktar"),
    "tollkeeper_desc": ("Tollkeepers count coins, guard bridges and know every traveler by name.",
                        "Tollvaktarar tel myntar, vaktar bruer og kjenner kvar reisande ved namn."),
    "mercantile_desc": ("The art of buying low and selling high.",
                        "Kunsten aa kjoepe billeg og selje dyrt."),
    "sSkillMercantile": ("Mercantile", "Handel"),
    "sTravel": ("Travel", "Reise"),
    "sDemoWelcome": ("Welcome to Fennick Vale, traveler.", "Velkomen til Fennikdalen, vandrar."),
}


def version(o):
    t = {k: v[1 if o else 0] for k, v in W.items()}
    return plugin([
        gmst("sSkillMercantile", t["sSkillMercantile"]),
        gmst("sTravel", t["sTravel"]),
        gmst("sDemoWelcome", t["sDemoWelcome"]),
        skil(24, t["mercantile_desc"]),
        record("CLAS", [("NAME", z("demo_tollkeeper")), ("FNAM", z(t["tollkeeper"])),
                        ("CLDT", bytes(60)), ("DESC", t["tollkeeper_desc"].encode("ascii"))]),
        record("REGN", [("NAME", z("demo_fennick_vale")), ("FNAM", z(t["vale"])), ("WEAT", bytes(8))]),
        obj("DOOR", "demo_inn_door", t["inn_door"]),
        obj("DOOR", "demo_plank_door", t["plank_door"]),
        obj("MISC", "demo_lantern", t["lantern"]),
        obj("MISC", "demo_toll_token", t["toll_coin"]),
        obj("BOOK", "demo_ferry_rules", t["rules"], ("TEXT", t["rules_text"].encode("ascii"))),
        npc("demo_oskar", t["oskar"], "demo_tollkeeper", travel=[t["shore"]]),
        npc("demo_marta", t["marta"], "demo_tollkeeper"),
        cell(t["crossing"], False, 0, 0, refs=[("demo_inn_door", t["inn"]), ("demo_plank_door", t["toll"])]),
        cell(t["crossing"], False, 1, 0),
        cell(t["shore"], False, 0, 1, refs=[("demo_plank_door", t["boathouse"])]),
        cell(t["inn"], True, refs=[("demo_inn_door", t["crossing"])]),
        pgrd(t["inn"]),
        cell(t["toll"], True, refs=[("demo_plank_door", t["crossing"])]),
        cell(t["boathouse"], True, refs=[("demo_plank_door", t["shore"])]),
        record("DIAL", [("NAME", z("ferry")), ("DATA", bytes(1))]),
        info("demo_info_1", t["inn"], t["crossing"], "Mind the goats."),
    ], "Quillane demo: the same plugin in " + ("Vellish" if o else "English"))


def to_translate():
    t = {k: v[0] for k, v in W.items()}
    return plugin([
        gmst("sDemoWelcome", t["sDemoWelcome"]),
        skil(24, t["mercantile_desc"]),
        record("CLAS", [("NAME", z("demo_tollkeeper")), ("FNAM", z(t["tollkeeper"])),
                        ("CLDT", bytes(60)), ("DESC", t["tollkeeper_desc"].encode("ascii"))]),
        record("REGN", [("NAME", z("demo_fennick_vale")), ("FNAM", z(t["vale"])), ("WEAT", bytes(8))]),
        obj("MISC", "demo_lantern", t["lantern"]),
        obj("MISC", "demo_lucky_goat", "Lucky Goat Figurine"),  # new in the mod: no dictionary knows it
        obj("BOOK", "demo_ferry_rules", t["rules"], ("TEXT", t["rules_text"].encode("ascii"))),
        npc("demo_ingrid", "Ingrid the Ferrywoman", "demo_tollkeeper", travel=[t["crossing"], t["shore"]]),
        # A save converts neither a script's cell names nor an AI package's:
        # "Check references..." lists these two at once.
        npc("demo_ferry_guide", "Ferry Guide", "demo_tollkeeper", ai=escort(t["toll"])),
        script("demo_ferry_script", [
            "Begin demo_ferry_script",
            "",
            "short done",
            "",
            "if ( done == 0 )",
            "\tif ( GetPCCell \"" + t["inn"] + "\" )",
            "\t\tPositionCell 0 0 0 0 \"" + t["boathouse"] + "\"",
            "\t\tset done to 1",
            "\tendif",
            "endif",
            "",
            "End"]),
        cell(t["inn"], True, refs=[("demo_inn_door", t["crossing"])]),
        cell(t["boathouse"], True, refs=[("demo_plank_door", t["shore"])]),
        record("DIAL", [("NAME", z("ferry")), ("DATA", bytes(1))]),
        info("demo_info_2", t["boathouse"], t["shore"], "The ferry leaves at dawn."),
    ], "Quillane demo: a mod for the English version, to translate")


# English (FV) and Zaryan (OV), side by side.
W2 = {
    "ford": ("Harrow Ford", "Гаровий Брід"),
    "shore": ("Owlmere Shore", "Совиний Берег"),
    "mill": ("Harrow Ford, Old Mill", "Гаровий Брід, Стара Млинниця"),
    "chapel": ("Harrow Ford, Chapel", "Гаровий Брід, Капличка"),
    "hut": ("Owlmere Shore, Fishers' Hut", "Совиний Берег, Рыбацкая Хатка"),
    "dales": ("Harrow Dales", "Гароўскі Далёкі Дол"),
    "mill_door": ("Mill Door", "Млинські Двері"),
    "oak_door": ("Oak Door", "Дубові Двері"),
    "bogdan": ("Bogdan the Miller", "Мірошник Богдан"),
    "ilse": ("Ilse", "Ільса"),
    "sack": ("Flour Sack", "Мішок Борошна"),
    "charm": ("Millstone Charm", "Жорновий Оберіг"),
    "ledger": ("Miller's Ledger", "Мірошникова Книга"),
    "ledger_text": ("Grind the grain at dawn. Keep the wheel clean. Never let a candle near the flour.",
                    "Мели зерно на світанку. Тримай колесо чистим. Ніколи не неси свічку до борошна."),
    "miller": ("Miller", "Мірошник"),
    "miller_desc": ("Millers grind the grain of the whole dale and know every farmer by his sacks.",
                    "Мірошники мелють зерно всього долу й знають кожного хлібороба за його мішками."),
    "armorer_desc": ("The craft of mending armor and sharpening blades.",
                     "Ремесло латати обладунки та гострити леза."),
    "sSkillArmorer": ("Armorer", "Зброяр"),
    "sTravel": ("Travel", "Подорож"),
    "sHarrowWelcome": ("Welcome to Harrow Ford, wanderer.", "Ласкаво просимо до Гарового Броду, мандрівнику."),
}


def cyrillic_version(o):
    t = {k: v[1 if o else 0] for k, v in W2.items()}
    return plugin([
        gmst("sSkillArmorer", t["sSkillArmorer"]),
        gmst("sTravel", t["sTravel"]),
        gmst("sHarrowWelcome", t["sHarrowWelcome"]),
        skil(1, t["armorer_desc"]),
        record("CLAS", [("NAME", z("harrow_miller")), ("FNAM", z(t["miller"])),
                        ("CLDT", bytes(60)), ("DESC", enc(t["miller_desc"]))]),
        record("REGN", [("NAME", z("harrow_dales")), ("FNAM", z(t["dales"])), ("WEAT", bytes(8))]),
        obj("DOOR", "harrow_mill_door", t["mill_door"]),
        obj("DOOR", "harrow_oak_door", t["oak_door"]),
        obj("MISC", "harrow_flour_sack", t["sack"]),
        obj("MISC", "harrow_charm", t["charm"]),
        obj("BOOK", "harrow_ledger", t["ledger"], ("TEXT", enc(t["ledger_text"]))),
        npc("harrow_bogdan", t["bogdan"], "harrow_miller", travel=[t["shore"]]),
        npc("harrow_ilse", t["ilse"], "harrow_miller"),
        cell(t["ford"], False, 4, 2, refs=[("harrow_mill_door", t["mill"]), ("harrow_oak_door", t["chapel"])]),
        cell(t["shore"], False, 4, 3, refs=[("harrow_oak_door", t["hut"])]),
        cell(t["mill"], True, refs=[("harrow_mill_door", t["ford"])]),
        pgrd(t["mill"]),
        cell(t["chapel"], True, refs=[("harrow_oak_door", t["ford"])]),
        cell(t["hut"], True, refs=[("harrow_oak_door", t["shore"])]),
        record("DIAL", [("NAME", z("mill")), ("DATA", bytes(1))]),
        info("harrow_info_1", t["mill"], t["ford"], "The wheel turns."),
    ], "Quillane demo: Harrow Ford in " + ("Zaryan (code page 1251)" if o else "English"))


def cyrillic_to_translate():
    t = {k: v[0] for k, v in W2.items()}
    return plugin([
        gmst("sHarrowWelcome", t["sHarrowWelcome"]),
        skil(1, t["armorer_desc"]),
        record("CLAS", [("NAME", z("harrow_miller")), ("FNAM", z(t["miller"])),
                        ("CLDT", bytes(60)), ("DESC", enc(t["miller_desc"]))]),
        record("REGN", [("NAME", z("harrow_dales")), ("FNAM", z(t["dales"])), ("WEAT", bytes(8))]),
        obj("MISC", "harrow_flour_sack", t["sack"]),
        obj("MISC", "harrow_chapel_bell", "Chapel Bell"),  # new in the mod: no dictionary knows it
        obj("BOOK", "harrow_ledger", t["ledger"], ("TEXT", enc(t["ledger_text"]))),
        npc("harrow_mirko", "Mirko the Boatman", "harrow_miller", travel=[t["ford"], t["shore"]]),
        cell(t["mill"], True, refs=[("harrow_mill_door", t["ford"])]),
        cell(t["hut"], True, refs=[("harrow_oak_door", t["shore"])]),
        record("DIAL", [("NAME", z("mill")), ("DATA", bytes(1))]),
        info("harrow_info_2", t["hut"], t["shore"], "Mind the owls."),
    ], "Quillane demo: a mod for the English version, to translate into Zaryan")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main():
    fv = os.path.join(HERE, "source", "Demo_English.esp")
    ov = os.path.join(HERE, "source", "Demo_Vellish.esp")
    write(fv, version(False))
    write(ov, version(True))
    write(os.path.join(HERE, "plugins", "Demo_to_translate.esp"), to_translate())
    cyr = os.path.join(HERE, "cyrillic")
    fv2 = os.path.join(cyr, "source", "Demo_Cyrillic_English.esp")
    ov2 = os.path.join(cyr, "source", "Demo_Cyrillic_Zaryan.esp")
    write(fv2, cyrillic_version(False))
    write(ov2, cyrillic_version(True))
    write(os.path.join(HERE, "plugins", "Demo_Cyrillic_to_translate.esp"), cyrillic_to_translate())
    if len(sys.argv) > 1:
        for a, b, root in ((fv, ov, HERE), (fv2, ov2, cyr)):
            rc = subprocess.call([sys.argv[1], "build-dictionaries", a, b, "--root", root, "--force"])
            if rc:
                return rc
    return 0


if __name__ == "__main__":
    sys.exit(main())
