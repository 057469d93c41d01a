#!/usr/bin/env python3
"""Writes the demo plugins of invented content, byte for byte the same at
every run, and optionally builds the demo dictionaries from them.

    demo/make_demo.py                    # the plugins only
    demo/make_demo.py build/quillane-cli # and demo/data/, demo/cyrillic/data/ from them

The world: Fennick Vale, a river crossing with an inn, a tollhouse and a
ferry to Gullwater Shore. FV is English; OV is Vellish, a language made up
for this demo. Demo_to_translate.esp is a small mod written for the English
version: it uses the same names and references the same cells.

Dialogue: the twins hold the topics "ferry" and "latest rumors", a greeting
and the journal of a quest. The mod adds responses to "ferry" (one copied
unchanged, one changed, one new) and to "latest rumors", a topic of its own
whose result adds "latest rumors" (AddTopic), a greeting and a small quest
journal. The Cyrillic demo has the same, smaller.

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


def info(ident, text, cell_name=None, condition_cell=None, speaker=None, result=None, index=0, quest=False):
    # DATA: the dialogue type, the disposition (a journal entry's index),
    # rank, sex, PC rank. A journal's first entry names the quest (QSTN).
    subs = [("INAM", z(ident)), ("PNAM", z("")), ("NNAM", z("")), ("DATA", i32(0) + i32(index) + bytes(4))]
    if speaker:
        subs.append(("ONAM", z(speaker)))
    if cell_name:
        subs.append(("ANAM", z(cell_name)))
    subs.append(("NAME", enc(text)))
    if condition_cell:
        subs += [("SCVR", b"1BLX0" + enc(condition_cell)), ("INTV", i32(1))]
    if result:
        subs.append(("BNAM", enc("\r\n".join(result))))
    if quest:
        subs.append(("QSTN", b"\1"))
    return record("INFO", subs)


# Dialogue kinds, the DATA byte of a DIAL.
TOPIC, GREETING, JOURNAL = 0, 2, 4


def dial(name, kind):
    return record("DIAL", [("NAME", z(name)), ("DATA", bytes([kind]))])


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
    # Dialogue: two topics, a greeting and a quest's journal.
    "t_ferry": ("ferry", "ferje"),
    "t_rumors": ("latest rumors", "siste rykte"),
    "r_goats": ("Mind the goats.", "Pass paa geitene."),
    "r_crossing": ("The ferry crosses to Gullwater Shore twice a day.",
                   "Ferje kryssar til Maakevik Strand to gonger om dagen."),
    "r_swim": ("They say the goats of Fennick Vale can swim.", "Dei seier geitene i Fennikdalen kan symje."),
    "r_toll": ("Oskar has not paid his own toll in years.", "Oskar har ikkje betalt sin eigen toll paa aarevis."),
    "greet": ("Welcome to the crossing, traveler. Ask me about the ferry.",
              "Velkomen til vadet, vandrar. Spoer meg om ferje."),
    "quest": ("The Missing Toll Token", "Det Borkomne Tollmerket"),
    "j_lost": ("Oskar the Ferryman lost his toll token. He thinks a goat ate it.",
               "Ferjemann Oskar har mista tollmerket sitt. Han trur ei geit aat det."),
    "j_found": ("I found the toll token and gave it back to Oskar.",
                "Eg fann tollmerket og gav det tilbake til Oskar."),
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
        dial(t["t_ferry"], TOPIC),
        info("demo_info_1", t["r_goats"], t["inn"], t["crossing"], speaker="demo_oskar"),
        info("demo_ferry_crossing", t["r_crossing"], speaker="demo_oskar"),
        dial(t["t_rumors"], TOPIC),
        info("demo_rumor_swim", t["r_swim"]),
        info("demo_rumor_toll", t["r_toll"], speaker="demo_marta"),
        dial("Greeting 1", GREETING),
        info("demo_greet_oskar", t["greet"], speaker="demo_oskar"),
        dial("demo_toll_token", JOURNAL),
        info("demo_toll_token_0", t["quest"], quest=True),
        info("demo_toll_token_10", t["j_lost"], index=10),
        info("demo_toll_token_100", t["j_found"], index=100),
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
        # Responses added to the game's topic "ferry": one copied unchanged
        # (converted by the dictionary), one changed (offered the game's
        # translation), one new (to translate; its "ferry" loses its link
        # once the topic is converted).
        dial(t["t_ferry"], TOPIC),
        info("demo_info_2", "The ferry leaves at dawn.", t["boathouse"], t["shore"], speaker="demo_ingrid"),
        info("demo_ferry_crossing", t["r_crossing"], speaker="demo_oskar"),
        info("demo_info_1", "Mind the goats, and mind the ferryman.", t["inn"], t["crossing"], speaker="demo_oskar"),
        dial(t["t_rumors"], TOPIC),
        info("demo_rumor_swim", t["r_swim"]),
        info("demo_rumor_goat", "Ingrid the Ferrywoman has lost her lucky goat.", result=['AddTopic "lucky goat"']),
        # A topic of the mod's own, whose result adds one of the game's topics.
        dial("lucky goat", TOPIC),
        info("demo_goat_1", "I carved it from driftwood, and now it is gone. Have you heard the latest rumors?",
             speaker="demo_ingrid", result=['AddTopic "latest rumors"', 'Journal "demo_lucky_goat" 10']),
        dial("Greeting 1", GREETING),
        info("demo_greet_ingrid", "Looking for a boat? Ask me about the lucky goat first.", speaker="demo_ingrid"),
        dial("demo_lucky_goat", JOURNAL),
        info("demo_lucky_goat_0", "The Lucky Goat", quest=True),
        info("demo_lucky_goat_10", "Ingrid the Ferrywoman lost her lucky goat figurine near the boathouse.",
             index=10),
        info("demo_lucky_goat_100", "I found the lucky goat under the boathouse pier and gave it back to Ingrid.",
             index=100),
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
    "t_mill": ("mill", "млин"),
    "t_rumors": ("latest rumors", "останні чутки"),
    "r_wheel": ("The wheel turns.", "Колесо крутиться."),
    "r_flour": ("Flour for the whole dale comes from this mill.", "Борошно для всього долу йде з цього млина."),
    "r_owls": ("They say the owls of Owlmere count the boats.", "Кажуть, сови Совиного Берега рахують човни."),
    "greet": ("Good day. Ask me about the mill.", "Добрий день. Спитай мене про млин."),
    "quest": ("The Cracked Millstone", "Тріснутий Жорно"),
    "j_crack": ("Bogdan the Miller found a crack in his millstone.", "Мірошник Богдан знайшов тріщину в жорні."),
    "j_mend": ("I brought Bogdan a new millstone.", "Я приніс Богданові новий жорно."),
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
        dial(t["t_mill"], TOPIC),
        info("harrow_info_1", t["r_wheel"], t["mill"], t["ford"]),
        info("harrow_mill_flour", t["r_flour"], speaker="harrow_bogdan"),
        dial(t["t_rumors"], TOPIC),
        info("harrow_rumor_owls", t["r_owls"]),
        dial("Greeting 1", GREETING),
        info("harrow_greet_bogdan", t["greet"], speaker="harrow_bogdan"),
        dial("harrow_millstone", JOURNAL),
        info("harrow_millstone_0", t["quest"], quest=True),
        info("harrow_millstone_10", t["j_crack"], index=10),
        info("harrow_millstone_100", t["j_mend"], index=100),
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
        dial(t["t_mill"], TOPIC),
        info("harrow_info_2", "Mind the owls.", t["hut"], t["shore"]),
        info("harrow_mill_flour", t["r_flour"], speaker="harrow_bogdan"),
        dial("chapel bell", TOPIC),
        info("harrow_bell_1", "The chapel bell rang by itself last night. Have you heard the latest rumors?",
             speaker="harrow_mirko", result=['AddTopic "latest rumors"', 'Journal "harrow_chapel_bell" 10']),
        dial("harrow_chapel_bell", JOURNAL),
        info("harrow_chapel_bell_0", "The Chapel Bell", quest=True),
        info("harrow_chapel_bell_10", "Mirko the Boatman says the chapel bell rings by itself at night.", index=10),
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
