// make_bench_data ROOT PLUGIN [SCALE] [SEED]
//
// Writes a program directory for the benchmarks (ROOT/data with every
// dictionary at full size, ROOT/dataextra/Extradata.dat) and a large synthetic
// plugin shaped like a complete game master: thousands of cells full of object
// references and door links, path grids, NPCs with travel destinations,
// dialogue responses with cell conditions, game settings, skills, classes,
// races, birthsigns, factions, regions and every named object type, and a
// quest mod's worth of topics, greetings, journals and their INFOs. SCALE
// (default 1.0) multiplies the record counts of the plugin; the dictionaries
// keep their size, as shipped ones would. All names are made of invented
// syllables; the same seed always gives the same bytes.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/bytes.h"

namespace {

std::mt19937_64 rng;

int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; }

const char* const kSyllables[] = {"ka", "vel", "dor", "mi", "ra", "thu", "sen", "ol", "bri", "qua",
                                  "zan", "eth", "lo", "ny", "pir", "gas", "fen", "ul", "tor", "wi",
                                  "xa", "ro", "mel", "dis", "ju", "ark", "ven", "sol", "ib", "cre"};
const char* const kSyllables2[] = {"ae", "lin", "gro", "su", "hal", "ef", "ti", "mar", "cos", "un",
                                   "pe", "rak", "vo", "isk", "dal", "yo", "ber", "ga", "nim", "or",
                                   "fla", "te", "zu", "kel", "am", "sti", "wor", "bu", "ic", "hen"};

std::string Word(const char* const* syl, int minS, int maxS) {
    std::string w;
    int n = Rand(minS, maxS);
    for (int i = 0; i < n; ++i) w += syl[Rand(0, 29)];
    w[0] = static_cast<char>(w[0] - 'a' + 'A');
    return w;
}

// A name of one to three words, at most maxLen bytes.
std::string Name(const char* const* syl, size_t maxLen) {
    std::string n = Word(syl, 2, 3);
    int words = Rand(1, 3);
    for (int i = 1; i < words; ++i) {
        n += ' ';
        n += Word(syl, 1, 3);
    }
    if (n.size() > maxLen) n.resize(maxLen);
    while (!n.empty() && n.back() == ' ') n.pop_back();
    return n;
}

std::string Text(size_t bytes) {
    std::string t;
    while (t.size() < bytes) {
        t += Word(kSyllables, 1, 4);
        t += Chance(0.08) ? ".\r\n" : " ";
    }
    t.resize(bytes);
    return t;
}

void PutInt(std::string& s, int32_t v) { qp::AppendLe32(s, v); }

void PutFloat(std::string& s, float f) {
    uint32_t u;
    static_assert(sizeof u == sizeof f);
    std::memcpy(&u, &f, 4);
    PutInt(s, static_cast<int32_t>(u));
}

std::string Bytes(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += static_cast<char>(Rand(0, 255));
    return s;
}

// --- records ---

struct Record {
    std::string type;
    std::string data;
    void Sub(const char* name, const std::string& d) {
        data.append(name, 4);
        PutInt(data, static_cast<int32_t>(d.size()));
        data += d;
    }
    void Z(const char* name, const std::string& text) { Sub(name, text + '\0'); }
    void I(const char* name, int32_t v) {
        std::string d;
        PutInt(d, v);
        Sub(name, d);
    }
};

std::string gPlugin;
int32_t gRecords = 0;

void Emit(const Record& r) {
    gPlugin += r.type;
    PutInt(gPlugin, static_cast<int32_t>(r.data.size()));
    PutInt(gPlugin, 0);
    PutInt(gPlugin, 0);
    gPlugin += r.data;
    ++gRecords;
}

// --- dictionaries ---

struct Pair {
    std::string a, b;
};

void PutCounted(std::string& out, const std::string& s) {
    PutInt(out, static_cast<int32_t>(s.size()));
    out += s;
}

std::string EncodePairs(const std::vector<Pair>& pairs) {
    std::string out;
    for (const Pair& p : pairs) {
        PutCounted(out, p.a);
        PutCounted(out, p.b);
    }
    return out;
}

std::string gRoot;

void WriteFile(const std::string& rel, const std::string& bytes) {
    std::filesystem::path p = std::filesystem::path(gRoot) / rel;
    std::filesystem::create_directories(p.parent_path());
    FILE* f = std::fopen(p.string().c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::perror(p.string().c_str());
        std::exit(1);
    }
    std::fclose(f);
}

// A dictionary of n pairs of distinct first names, with a few repeated first
// names (the first pair wins) and a few pairs whose two names are equal.
std::vector<Pair> MakeDictionary(int n, size_t maxLen, std::set<std::string>& used) {
    std::vector<Pair> out;
    while (static_cast<int>(out.size()) < n) {
        if (!out.empty() && Chance(0.01)) {
            out.push_back({out[static_cast<size_t>(Rand(0, static_cast<int>(out.size()) - 1))].a,
                           Name(kSyllables2, maxLen)});
            continue;
        }
        std::string a = Name(kSyllables, maxLen);
        if (!used.insert(a).second) continue;
        std::string b = Chance(0.01) ? a : Name(kSyllables2, maxLen);
        out.push_back({a, b});
    }
    return out;
}

// Picks the name a record carries: a first name of its dictionary, a second
// name, a name of the external database, or a name found nowhere.
struct NamePool {
    const std::vector<Pair>* dict = nullptr;
    size_t maxLen = 31;
    std::string Pick(const std::vector<Pair>& extra, std::set<std::string>& used) {
        double r = std::uniform_real_distribution<double>(0, 1)(rng);
        if (dict && !dict->empty() && r < 0.40)
            return (*dict)[static_cast<size_t>(Rand(0, static_cast<int>(dict->size()) - 1))].a;
        if (dict && !dict->empty() && r < 0.50)
            return (*dict)[static_cast<size_t>(Rand(0, static_cast<int>(dict->size()) - 1))].b;
        if (r < 0.56) {
            const Pair& p = extra[static_cast<size_t>(Rand(1, static_cast<int>(extra.size()) - 1))];
            return (Chance(0.7) ? p.a : p.b).substr(0, maxLen);
        }
        for (;;) {
            std::string n = Name(kSyllables, maxLen);
            if (used.insert(n).second) return n;
        }
    }
};

int Scaled(int n, double scale) { return std::max(1, static_cast<int>(std::lround(n * scale))); }

std::string Id(const std::string& prefix, int i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s_%05d", prefix.c_str(), i);
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_bench_data ROOT PLUGIN [SCALE] [SEED]\n");
        return 2;
    }
    gRoot = argv[1];
    const std::string pluginPath = argv[2];
    const double scale = argc > 3 ? std::atof(argv[3]) : 1.0;
    rng.seed(argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 20240601ULL);

    std::set<std::string> used;

    // Dictionaries of the 25 name lists; cells and regions allow 63 bytes.
    struct DictSpec {
        const char* type;
        const char* file;
        int pairs;
    };
    const DictSpec specs[] = {
        {"CELL", "Celldata.dat", 3000}, {"REGN", "Regndata.dat", 500},
        {"ACTI", "Actidata.dat", 1200}, {"APPA", "Appadata.dat", 500},
        {"ARMO", "Armodata.dat", 1800}, {"BOOK", "Bookdata.dat", 1000},
        {"CLOT", "Clotdata.dat", 1800}, {"CONT", "Contdata.dat", 1500},
        {"DOOR", "Doordata.dat", 900},  {"INGR", "Ingrdata.dat", 700},
        {"CREA", "Creadata.dat", 1800}, {"SPEL", "Speldata.dat", 1500},
        {"ALCH", "Alchdata.dat", 1000}, {"LIGH", "Lighdata.dat", 1200},
        {"LOCK", "Lockdata.dat", 500},  {"MISC", "Miscdata.dat", 2000},
        {"PROB", "Probdata.dat", 500},  {"REPA", "Repadata.dat", 500},
        {"WEAP", "Weapdata.dat", 2000}, {"NPC_", "Npc_data.dat", 3000},
        {"RACE", "Racedata.dat", 500},  {"CLAS", "Clasdata.dat", 500},
        {"BSGN", "Bsgndata.dat", 500},  {"FACT", "Factdata.dat", 500},
    };
    std::map<std::string, std::vector<Pair>> dicts;
    for (const DictSpec& s : specs) {
        size_t maxLen = std::string(s.type) == "CELL" || std::string(s.type) == "REGN" ? 63 : 31;
        dicts[s.type] = MakeDictionary(s.pairs, maxLen, used);
        WriteFile(std::string("data/") + s.file, EncodePairs(dicts[s.type]));
    }

    // The external database: the marker pair, then the user's translations,
    // some of them the same first names as a dictionary (the database wins).
    std::vector<Pair> extra{{"FFFF", "FFFF"}};
    while (extra.size() < 2000) {
        if (Chance(0.15)) {
            const auto& d = dicts[specs[Rand(0, 23)].type];
            extra.push_back({d[static_cast<size_t>(Rand(0, static_cast<int>(d.size()) - 1))].a,
                             Name(kSyllables2, 31)});
        } else {
            std::string a = Name(kSyllables, 31);
            if (used.insert(a).second) extra.push_back({a, Name(kSyllables2, 31)});
        }
    }
    WriteFile("dataextra/Extradata.dat", EncodePairs(extra));

    // Game settings.
    const int gmstCount = Scaled(1500, scale);
    std::vector<Pair> gmstPairs;
    std::vector<std::string> gmstTexts;
    for (int i = 0; i < 2000; ++i) {
        std::string a = Text(static_cast<size_t>(Rand(6, 120)));
        gmstTexts.push_back(a);
        gmstPairs.push_back({a, Text(static_cast<size_t>(Rand(6, 120)))});
    }
    WriteFile("data/Gmstdata.dat", EncodePairs(gmstPairs));

    // Skills and long texts.
    auto triples = [](const std::vector<std::array<std::string, 3>>& t) {
        std::string out;
        for (const auto& x : t)
            for (const auto& s : x) PutCounted(out, s);
        return out;
    };
    std::vector<std::array<std::string, 3>> skil, txtSkil;
    for (int i = 0; i < 27; ++i) {
        std::string id = Word(kSyllables, 2, 3);
        skil.push_back({id, Name(kSyllables, 31), Name(kSyllables2, 31)});
        txtSkil.push_back({id, Text(200), Text(static_cast<size_t>(Rand(150, 400)))});
    }
    WriteFile("data/Skildata.dat", triples(skil));
    WriteFile("data/Txtskildata.dat", triples(txtSkil));

    // The record counts of a complete master at scale 1.
    struct Count {
        const char* type;
        int n;
    };
    const Count objects[] = {
        {"ACTI", 1000}, {"APPA", 200},  {"ARMO", 1500}, {"BOOK", 800},  {"CLOT", 1500},
        {"CONT", 1500}, {"DOOR", 700},  {"INGR", 500},  {"CREA", 1500}, {"SPEL", 1000},
        {"ALCH", 800},  {"LIGH", 1000}, {"LOCK", 100},  {"MISC", 1500}, {"PROB", 100},
        {"REPA", 100},  {"WEAP", 1500},
    };
    const int cellCount = Scaled(2500, scale);
    const int npcCount = Scaled(3000, scale);
    const int infoCount = Scaled(2500, scale);
    const int statCount = Scaled(20000, scale);

    // Header record; the record count is filled in at the end.
    {
        Record h{"TES3", {}};
        std::string hedr;
        PutFloat(hedr, 1.3f);
        PutInt(hedr, 0);  // a plugin: a master could not be saved
        std::string author = "Bench generator";
        author.resize(32, '\0');
        std::string desc = "Synthetic plugin shaped like a complete game master";
        desc.resize(256, '\0');
        hedr += author + desc;
        PutInt(hedr, 0);
        h.Sub("HEDR", hedr);
        Emit(h);
    }

    std::map<std::string, NamePool> pools;
    for (const DictSpec& s : specs) {
        size_t maxLen = std::string(s.type) == "CELL" || std::string(s.type) == "REGN" ? 63 : 31;
        pools[s.type] = NamePool{&dicts[s.type], maxLen};
    }
    auto pick = [&](const char* type) { return pools[type].Pick(extra, used); };

    for (int i = 0; i < gmstCount; ++i) {
        Record r{"GMST", {}};
        char id[32];
        std::snprintf(id, sizeof id, "s%sSetting%04d", Word(kSyllables, 1, 2).c_str(), i);
        r.Z("NAME", id);
        if (i % 10 == 8) {
            r.I("INTV", Rand(0, 1000));
        } else if (i % 10 == 9) {
            std::string f;
            PutFloat(f, static_cast<float>(Rand(0, 1000)) / 7.0f);
            r.Sub("FLTV", f);
        } else {
            r.Sub("STRV", Chance(0.5) ? gmstTexts[static_cast<size_t>(Rand(0, 1999))]
                                      : Text(static_cast<size_t>(Rand(6, 120))));
        }
        Emit(r);
    }

    // Globals, classes, factions, races, sounds, skills, magic effects.
    for (int i = 0; i < Scaled(300, scale); ++i) {
        Record r{"GLOB", {}};
        r.Z("NAME", Id("Glob", i));
        r.Sub("FNAM", "s");
        r.Sub("FLTV", Bytes(4));
        Emit(r);
    }
    std::vector<std::string> classIds, factionIds, raceIds;
    std::vector<std::array<std::string, 3>> txtClas, txtRace, txtBsgn, txtBook;
    for (int i = 0; i < Scaled(80, scale); ++i) {
        Record r{"CLAS", {}};
        std::string id = Id("Class", i);
        classIds.push_back(id);
        r.Z("NAME", id);
        if (!Chance(0.03)) r.Z("FNAM", pick("CLAS"));
        r.Sub("CLDT", Bytes(60));
        r.Sub("DESC", Text(static_cast<size_t>(Rand(100, 400))));
        txtClas.push_back({id, Text(100), Text(static_cast<size_t>(Rand(100, 400)))});
        Emit(r);
    }
    for (int i = 0; i < Scaled(25, scale); ++i) {
        Record r{"FACT", {}};
        std::string id = Id("Faction", i);
        factionIds.push_back(id);
        r.Z("NAME", id);
        r.Z("FNAM", pick("FACT"));
        for (int k = 0; k < 10; ++k) {
            std::string rank = Name(kSyllables, 31);
            rank.resize(32, '\0');
            r.Sub("RNAM", rank);
        }
        r.Sub("FADT", Bytes(240));
        for (int k = 0; k < 3; ++k) {
            r.Z("ANAM", Id("Faction", Rand(0, 24)));
            r.I("INTV", Rand(-2, 2));
        }
        Emit(r);
    }
    for (int i = 0; i < Scaled(10, scale); ++i) {
        Record r{"RACE", {}};
        std::string id = Id("Race", i);
        raceIds.push_back(id);
        r.Z("NAME", id);
        r.Z("FNAM", pick("RACE"));
        r.Sub("RADT", Bytes(140));
        for (int k = 0; k < 4; ++k) {
            std::string s = Id("Spell", Rand(0, 999));
            s.resize(32, '\0');
            r.Sub("NPCS", s);
        }
        r.Sub("DESC", Text(static_cast<size_t>(Rand(200, 600))));
        txtRace.push_back({id, Text(100), Text(static_cast<size_t>(Rand(200, 600)))});
        Emit(r);
    }
    for (int i = 0; i < Scaled(400, scale); ++i) {
        Record r{"SOUN", {}};
        r.Z("NAME", Id("Sound", i));
        r.Z("FNAM", "Fx\\" + Word(kSyllables, 2, 3) + ".wav");
        r.Sub("DATA", Bytes(3));
        Emit(r);
    }
    for (int i = 0; i < 27; ++i) {
        Record r{"SKIL", {}};
        r.I("INDX", i);
        r.Sub("SKDT", Bytes(24));
        r.Sub("DESC", Text(static_cast<size_t>(Rand(150, 400))));
        Emit(r);
    }
    for (int i = 0; i < 143; ++i) {
        Record r{"MGEF", {}};
        r.I("INDX", i);
        r.Sub("MEDT", Bytes(36));
        r.Z("ITEX", "s\\" + Word(kSyllables, 2, 3) + ".tga");
        r.Z("DESC", Text(static_cast<size_t>(Rand(50, 200))));
        Emit(r);
    }
    for (int i = 0; i < Scaled(600, scale); ++i) {
        Record r{"SCPT", {}};
        std::string head = Id("Script", i);
        head.resize(32, '\0');
        r.Sub("SCHD", head + Bytes(20));
        std::string text = "Begin " + Id("Script", i) + "\r\n" + Text(static_cast<size_t>(Rand(100, 1500))) + "\r\nEnd\r\n";
        r.Sub("SCDT", Bytes(text.size() / 3));
        r.Sub("SCTX", text);
        Emit(r);
    }

    // Regions; their names also name exterior cells.
    std::vector<std::string> regionNames;
    for (int i = 0; i < Scaled(20, scale); ++i) {
        Record r{"REGN", {}};
        r.Z("NAME", Id("Region", i));
        std::string fn = pick("REGN");
        regionNames.push_back(fn);
        r.Z("FNAM", fn);
        r.Sub("WEAT", Bytes(8));
        r.Z("BNAM", "");
        r.Sub("CNAM", Bytes(4));
        for (int k = 0; k < Rand(2, 10); ++k) {
            std::string s = Id("Sound", Rand(0, 399));
            s.resize(32, '\0');
            r.Sub("SNAM", s + Bytes(1));
        }
        Emit(r);
    }
    for (int i = 0; i < Scaled(13, scale); ++i) {
        Record r{"BSGN", {}};
        std::string id = Id("Sign", i);
        r.Z("NAME", id);
        r.Z("FNAM", pick("BSGN"));
        r.Z("TNAM", "birthsigns\\" + Word(kSyllables, 2, 3) + ".tga");
        r.Z("DESC", Text(static_cast<size_t>(Rand(80, 200))));
        for (int k = 0; k < 3; ++k) {
            std::string s = Id("Spell", Rand(0, 999));
            s.resize(32, '\0');
            r.Sub("NPCS", s);
        }
        txtBsgn.push_back({id, Text(100), Text(static_cast<size_t>(Rand(80, 200)))});
        Emit(r);
    }
    for (int i = 0; i < Scaled(100, scale); ++i) {
        Record r{"LTEX", {}};
        r.Z("NAME", Id("Tex", i));
        r.I("INTV", i);
        r.Z("DATA", Word(kSyllables, 2, 3) + ".tga");
        Emit(r);
    }
    for (int i = 0; i < statCount; ++i) {
        Record r{"STAT", {}};
        r.Z("NAME", Id("Stat", i));
        r.Z("MODL", "x\\" + Word(kSyllables, 2, 4) + ".nif");
        Emit(r);
    }

    // The named object types.
    std::vector<std::string> objectIds, doorIds, containerIds;
    for (const Count& c : objects) {
        const std::string type = c.type;
        for (int i = 0; i < Scaled(c.n, scale); ++i) {
            Record r{type, {}};
            std::string id = Id(Word(kSyllables, 1, 2) + type.substr(0, 3), i);
            objectIds.push_back(id);
            if (type == "DOOR") doorIds.push_back(id);
            if (type == "CONT") containerIds.push_back(id);
            r.Z("NAME", id);
            if (type == "SPEL") {
                if (!Chance(0.02)) r.Z("FNAM", pick("SPEL"));
                r.Sub("SPDT", Bytes(12));
                for (int k = 0; k < Rand(1, 3); ++k) r.Sub("ENAM", Bytes(24));
                Emit(r);
                continue;
            }
            r.Z("MODL", "m\\" + Word(kSyllables, 2, 4) + ".nif");
            if (!Chance(0.02)) r.Z("FNAM", pick(type.c_str()));
            if (type == "BOOK") {
                r.Sub("BKDT", Bytes(20));
                r.Z("ITEX", "m\\" + Word(kSyllables, 2, 3) + ".tga");
                std::string text = Text(static_cast<size_t>(Rand(1000, 6000)));
                r.Sub("TEXT", text);
                txtBook.push_back({id, Text(200), Text(static_cast<size_t>(Rand(1000, 6000)))});
            } else if (type == "CREA") {
                r.Sub("NPDT", Bytes(96));
                r.I("FLAG", 8);
                for (int k = 0; k < Rand(0, 4); ++k) r.Sub("NPCO", Bytes(4) + std::string(32, 'x'));
                r.Sub("AIDT", Bytes(12));
            } else if (type == "CONT") {
                r.Sub("CNDT", Bytes(4));
                r.I("FLAG", 8);
                for (int k = 0; k < Rand(0, 8); ++k) {
                    std::string item = Id("Item", Rand(0, 9999));
                    item.resize(32, '\0');
                    std::string d;
                    PutInt(d, Rand(1, 5));
                    r.Sub("NPCO", d + item);
                }
            } else if (type == "ARMO" || type == "CLOT") {
                r.Sub(type == "ARMO" ? "AODT" : "CTDT", Bytes(type == "ARMO" ? 24 : 12));
                r.Z("ITEX", "c\\" + Word(kSyllables, 2, 3) + ".tga");
                for (int k = 0; k < Rand(1, 3); ++k) {
                    r.Sub("INDX", Bytes(1));
                    r.Z("BNAM", Word(kSyllables, 2, 3));
                }
            } else {
                r.Sub("DATA", Bytes(static_cast<size_t>(Rand(12, 40))));
                r.Z("ITEX", "m\\" + Word(kSyllables, 2, 3) + ".tga");
            }
            if (Chance(0.1)) r.Z("SCRI", Id("Script", Rand(0, 599)));
            Emit(r);
        }
    }

    // Cell names: interiors named from the cell pool; exteriors carry a
    // region's name or none.
    std::vector<std::string> interiorNames;
    for (int i = 0; i < cellCount; ++i) interiorNames.push_back(pick("CELL"));
    auto randomCell = [&]() -> const std::string& {
        return interiorNames[static_cast<size_t>(Rand(0, cellCount - 1))];
    };
    auto pickRegionName = [&]() -> const std::string& {
        return regionNames[static_cast<size_t>(Rand(0, static_cast<int>(regionNames.size()) - 1))];
    };
    for (int i = 0; i < cellCount; ++i) {
        Record r{"CELL", {}};
        bool interior = i % 5 != 0;
        std::string name = interior ? interiorNames[static_cast<size_t>(i)]
                                    : (Chance(0.4) ? pickRegionName() : std::string());
        r.Z("NAME", name);
        std::string data;
        PutInt(data, interior ? 1 : 2);
        PutInt(data, Rand(-30, 30));
        PutInt(data, Rand(-30, 30));
        r.Sub("DATA", data);
        if (interior)
            r.Sub("AMBI", Bytes(16));
        else
            r.Z("RGNN", Id("Region", Rand(0, static_cast<int>(regionNames.size()) - 1)));
        int refs = Rand(10, 250);
        for (int k = 0; k < refs; ++k) {
            r.I("FRMR", k + 1);
            bool door = Chance(0.06);
            const std::vector<std::string>* pool =
                door ? &doorIds : (Chance(0.5) ? &objectIds : nullptr);
            if (pool && !pool->empty())
                r.Z("NAME", (*pool)[static_cast<size_t>(Rand(0, static_cast<int>(pool->size()) - 1))]);
            else
                r.Z("NAME", Id("Stat", Rand(0, statCount - 1)));
            if (Chance(0.1)) r.Sub("XSCL", Bytes(4));
            if (door) {
                r.Sub("DODT", Bytes(24));
                if (Chance(0.8)) r.Z("DNAM", randomCell());
            }
            r.Sub("DATA", Bytes(24));
        }
        Emit(r);
        {
            Record g{"PGRD", {}};
            g.Sub("DATA", Bytes(12));
            if (Chance(0.9))
                g.Z("NAME", name);
            else
                g.Z("NAME", "");
            int points = Rand(5, 60);
            g.Sub("PGRP", Bytes(static_cast<size_t>(points) * 16));
            g.Sub("PGRC", Bytes(static_cast<size_t>(points) * 8));
            Emit(g);
        }
    }

    // NPCs, some with travel destinations.
    std::vector<std::string> npcIds;
    for (int i = 0; i < npcCount; ++i) {
        Record r{"NPC_", {}};
        std::string id = Id("Npc", i);
        npcIds.push_back(id);
        r.Z("NAME", id);
        r.Z("MODL", "");
        if (!Chance(0.01)) r.Z("FNAM", pick("NPC_"));
        r.Z("RNAM", raceIds[static_cast<size_t>(Rand(0, static_cast<int>(raceIds.size()) - 1))]);
        r.Z("CNAM", classIds[static_cast<size_t>(Rand(0, static_cast<int>(classIds.size()) - 1))]);
        r.Z("ANAM", Chance(0.5) ? factionIds[static_cast<size_t>(Rand(0, static_cast<int>(factionIds.size()) - 1))] : "");
        r.Z("BNAM", "b_n_" + Word(kSyllables, 2, 3) + "_head");
        r.Z("KNAM", "b_n_" + Word(kSyllables, 2, 3) + "_hair");
        r.Sub("NPDT", Bytes(52));
        r.I("FLAG", 0x18);
        for (int k = 0; k < Rand(0, 6); ++k) {
            std::string item = objectIds[static_cast<size_t>(Rand(0, static_cast<int>(objectIds.size()) - 1))];
            item.resize(32, '\0');
            std::string d;
            PutInt(d, Rand(1, 3));
            r.Sub("NPCO", d + item);
        }
        r.Sub("AIDT", Bytes(12));
        if (Chance(0.15)) {
            for (int k = 0; k < Rand(1, 4); ++k) {
                r.Sub("DODT", Bytes(24));
                r.Z("DNAM", randomCell());
            }
        }
        r.Sub("AI_W", Bytes(14));
        Emit(r);
    }

    // Topics and their responses.
    int infoMade = 0;
    for (int t = 0; infoMade < infoCount; ++t) {
        Record d{"DIAL", {}};
        d.Z("NAME", Word(kSyllables, 2, 4) + " " + Word(kSyllables, 1, 3));
        d.Sub("DATA", std::string(1, '\0'));
        Emit(d);
        int n = std::min(Rand(1, 10), infoCount - infoMade);
        for (int k = 0; k < n; ++k, ++infoMade) {
            Record r{"INFO", {}};
            r.Z("INAM", std::to_string(1000000 + infoMade));
            r.Z("PNAM", k ? std::to_string(1000000 + infoMade - 1) : "");
            r.Z("NNAM", k + 1 < n ? std::to_string(1000000 + infoMade + 1) : "");
            r.Sub("DATA", Bytes(12));
            if (Chance(0.3)) r.Z("ONAM", npcIds[static_cast<size_t>(Rand(0, npcCount - 1))]);
            if (Chance(0.3)) r.Z("ANAM", randomCell());
            r.Z("NAME", Text(static_cast<size_t>(Rand(40, 400))));
            for (int c = 0; c < Rand(0, 4); ++c) {
                std::string head = std::to_string(c);
                if (Chance(0.5)) {
                    r.Sub("SCVR", head + "BLX0" + randomCell());
                } else if (Chance(0.5)) {
                    r.Sub("SCVR", head + "1000" + objectIds[static_cast<size_t>(Rand(0, static_cast<int>(objectIds.size()) - 1))]);
                } else {
                    r.Sub("SCVR", head + "CX0" + "0" + Id("Glob", Rand(0, 299)));
                }
                r.I("INTV", Rand(0, 3));
            }
            if (Chance(0.2)) r.Sub("BNAM", Text(static_cast<size_t>(Rand(10, 200))));
            Emit(r);
        }
    }

    // A quest mod's dialogue on top: 30,000 more INFOs under 3,000
    // dialogues, among them greetings and journals; half of the topics are
    // the game's own, known to the topic dictionary. The long-text files know
    // half of them with the same text (the game's own, converted at load)
    // and a quarter with another (offered in the dialog).
    std::vector<std::array<std::string, 3>> txtInfo, txtJour;
    std::vector<Pair> dialPairs;
    for (int t = 0, made = 0; t < Scaled(3000, scale); ++t) {
        const int kind = t % 20 == 7 ? 4 : t % 10 == 3 ? 2 : 0;
        Record d{"DIAL", {}};
        const std::string topic = kind == 4 ? Id("bq", t) : Word(kSyllables2, 2, 4) + " " + Word(kSyllables, 1, 3);
        if (kind == 0 && t % 2 == 0) dialPairs.push_back({topic, Name(kSyllables, 31)});
        d.Z("NAME", topic);
        d.Sub("DATA", std::string(1, static_cast<char>(kind)));
        Emit(d);
        for (int k = 0; k < 10; ++k, ++made) {
            const std::string id = std::to_string(5000000 + made);
            Record r{"INFO", {}};
            r.Z("INAM", id);
            r.Z("PNAM", k ? std::to_string(5000000 + made - 1) : "");
            r.Z("NNAM", k < 9 ? std::to_string(5000000 + made + 1) : "");
            std::string data;
            PutInt(data, 0);
            PutInt(data, kind == 4 ? k * 10 : Rand(0, 60));
            r.Sub("DATA", data + "\xff\xff\xff" + std::string(1, '\0'));
            if (kind != 4 && Chance(0.5)) r.Z("ONAM", npcIds[static_cast<size_t>(Rand(0, npcCount - 1))]);
            const std::string text = Text(static_cast<size_t>(Rand(40, 500)));
            r.Sub("NAME", text);
            if (kind != 4 && Chance(0.4)) {
                r.Sub("SCVR", "04JX3" + Id("bq", Rand(0, 2999)));
                r.I("INTV", Rand(0, 100));
            }
            if (kind == 4 && k == 9) r.Sub("QSTF", std::string(1, '\1'));
            Emit(r);
            const double u = std::uniform_real_distribution<double>(0, 1)(rng);
            if (u < 0.75)
                (kind == 4 ? txtJour : txtInfo)
                    .push_back({id, u < 0.5 ? text : text + ".", Text(static_cast<size_t>(Rand(40, 500)))});
        }
    }

    // The record count of the header.
    {
        uint32_t u = static_cast<uint32_t>(gRecords - 1);
        for (int i = 0; i < 4; ++i) gPlugin[320 + i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    }
    {
        FILE* f = std::fopen(pluginPath.c_str(), "wb");
        if (!f || std::fwrite(gPlugin.data(), 1, gPlugin.size(), f) != gPlugin.size()) {
            std::perror(pluginPath.c_str());
            return 1;
        }
        std::fclose(f);
    }

    WriteFile("data/Txtbookdata.dat", triples(txtBook));
    WriteFile("data/Txtclasdata.dat", triples(txtClas));
    WriteFile("data/Txtracedata.dat", triples(txtRace));
    WriteFile("data/Txtbsgndata.dat", triples(txtBsgn));
    WriteFile("data/Txtinfodata.dat", triples(txtInfo));
    WriteFile("data/Txtjourdata.dat", triples(txtJour));
    WriteFile("data/Dialdata.dat", EncodePairs(dialPairs));

    std::printf("%d records, %zu bytes\n", gRecords, gPlugin.size());
    return 0;
}
