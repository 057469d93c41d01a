#include "convert/dialogue.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/bytes.h"
#include "base/workspace.h"
#include "plugin/blocks.h"

namespace qp {

namespace {

// A subrecord's data with its terminator and zero bytes dropped; "" when missing.
std::string Field(std::string_view record, const char* name) {
    const int p = FindRecordSubrecord(record, name);
    return p < 0 ? std::string() : ReadRecordString(record, p + 8, ReadRecordInt(record, p + 4));
}

// The functions a condition of kind '1' names by a two-digit number.
const char* const kFunctions[] = {
    "Rank Low", "Rank High", "Rank Requirement", "Reputation", "Health Percent", "PC Reputation", "PC Level",
    "PC Health Percent", "PC Magicka", "PC Fatigue", "PC Strength", "PC Block", "PC Armorer", "PC Medium Armor",
    "PC Heavy Armor", "PC Blunt Weapon", "PC Long Blade", "PC Axe", "PC Spear", "PC Athletics", "PC Enchant",
    "PC Destruction", "PC Alteration", "PC Illusion", "PC Conjuration", "PC Mysticism", "PC Restoration",
    "PC Alchemy", "PC Unarmored", "PC Security", "PC Sneak", "PC Acrobatics", "PC Light Armor",
    "PC Short Blade", "PC Marksman", "PC Mercantile", "PC Speechcraft", "PC Hand To Hand", "PC Sex",
    "PC Expelled", "PC Common Disease", "PC Blight Disease", "PC Clothing Modifier", "PC Crime Level",
    "Same Sex", "Same Race", "Same Faction", "Faction Rank Difference", "Detected", "Alarmed", "Choice",
    "PC Intelligence", "PC Willpower", "PC Agility", "PC Speed", "PC Endurance", "PC Personality", "PC Luck",
    "PC Corprus", "Weather", "PC Vampire", "Level", "Attacked", "Talked To PC", "PC Health",
    "Creature Target", "Friend Hit", "Fight", "Hello", "Alarm", "Flee", "Should Attack", "Werewolf",
    "PC Werewolf Kills",
};

const char* const kCompare[] = {"=", "!=", ">", ">=", "<", "<="};

// One SCVR and the value after it, in short.
std::string Condition(std::string_view scvr, std::string_view value, int32_t valueSize, bool isFloat) {
    if (scvr.size() < 5) return {};
    std::string left;
    const std::string name(scvr.substr(5));
    const char type = scvr[1];
    switch (type) {
    case '1': {
        const int code = (scvr[2] - '0') * 10 + (scvr[3] - '0');
        left = code >= 0 && code < static_cast<int>(std::size(kFunctions)) ? kFunctions[code]
                                                                            : "Function " + std::string(scvr.substr(2, 2));
        break;
    }
    case '2': left = "Global " + name; break;
    case '3': left = "Local " + name; break;
    case '4': left = "Journal \"" + name + "\""; break;
    case '5': left = "Item " + name; break;
    case '6': left = "Dead " + name; break;
    case '7': left = "Not ID " + name; break;
    case '8': left = "Not Faction " + name; break;
    case '9': left = "Not Class " + name; break;
    case 'A': left = "Not Race " + name; break;
    case 'B': left = "Not Cell " + name; break;
    case 'C': left = "Not Local " + name; break;
    default: left = std::string(scvr.substr(1, 3)) + " " + name; break;
    }
    const int c = scvr[4] - '0';
    std::string out = left + " " + (c >= 0 && c < 6 ? kCompare[c] : "?") + " ";
    if (valueSize < 4 || value.size() < 4) return out + "?";
    if (isFloat) {
        float f;
        std::memcpy(&f, value.data(), 4);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%g", static_cast<double>(f));
        return out + buf;
    }
    return out + std::to_string(GetLe32(value.data()));
}

// The listed INFO of a block, found among gWs.infos (in block order).
const InfoEntry* Listed(int32_t block, size_t* at = nullptr) {
    const auto& v = gWs.infos;
    auto it = std::lower_bound(v.begin(), v.end(), block, [](const InfoEntry& e, int32_t b) { return e.block < b; });
    if (it == v.end() || it->block != block) return nullptr;
    if (at) *at = static_cast<size_t>(it - v.begin());
    return &*it;
}

}  // namespace

std::string InfoSpeaker(std::string_view record) {
    if (std::string actor = Field(record, "ONAM"); !actor.empty()) return actor;
    std::string out;
    for (const auto& [sub, word] : {std::pair{"RNAM", "race "}, std::pair{"CNAM", "class "},
                                    std::pair{"FNAM", "faction "}, std::pair{"ANAM", "cell "}}) {
        const std::string v = Field(record, sub);
        if (v.empty()) continue;
        if (!out.empty()) out += ", ";
        // "FFFF" as faction: those in no faction.
        out += std::string(word) + (std::string_view(sub) == "FNAM" && v == "FFFF" ? "none" : v);
    }
    return out;
}

std::string InfoConditions(std::string_view record, int kind) {
    std::vector<std::string> parts;
    // DATA: type, then disposition (a journal's index), rank, sex, PC rank.
    const int d = FindRecordSubrecord(record, "DATA");
    if (d >= 0 && ReadRecordInt(record, d + 4) >= 12) {
        const int32_t disposition = ReadRecordInt(record, d + 12);
        const auto byte = [&](int i) { return static_cast<signed char>(record[static_cast<size_t>(d) + 16 + i]); };
        if (kind == 4) {
            parts.push_back("Index " + std::to_string(disposition));
        } else {
            if (disposition > 0) parts.push_back("Disposition >= " + std::to_string(disposition));
            if (byte(0) >= 0) parts.push_back("Rank >= " + std::to_string(byte(0)));
            if (byte(1) == 0) parts.push_back("Male");
            if (byte(1) == 1) parts.push_back("Female");
            if (byte(2) >= 0) parts.push_back("PC rank >= " + std::to_string(byte(2)));
        }
    }
    if (std::string f = Field(record, "DNAM"); !f.empty()) parts.push_back("PC faction " + f);
    WalkRecordSubrecords(record, [&](int o, std::string_view name, int32_t size) {
        if (name == "SCVR") {
            const std::string_view scvr = record.substr(static_cast<size_t>(o) + 8, static_cast<size_t>(size));
            // The value follows as INTV or FLTV.
            const size_t v = static_cast<size_t>(o) + 8 + static_cast<size_t>(size);
            const std::string_view next = v + 8 <= record.size() ? record.substr(v) : std::string_view();
            const bool isFloat = next.substr(0, 4) == "FLTV";
            const bool isInt = next.substr(0, 4) == "INTV";
            const int32_t n = isFloat || isInt ? GetLe32(next.data() + 4) : 0;
            parts.push_back(Condition(scvr, next.size() >= 12 ? next.substr(8, 4) : std::string_view(), n, isFloat));
        } else if (name == "QSTN") {
            parts.push_back("names the quest");
        } else if (name == "QSTF") {
            parts.push_back("finishes the quest");
        } else if (name == "QSTR") {
            parts.push_back("restarts the quest");
        }
        return true;
    });
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : "; ") + p;
    return out;
}

InfoContext DescribeInfo(int32_t block) {
    InfoContext c;
    size_t at = 0;
    const InfoEntry* e = Listed(block, &at);
    if (!e) return c;
    const std::string_view b = BlockBytes(block);
    c.kind = e->kind;
    c.topic = Field(BlockBytes(e->dialogue), "NAME");
    if (e->kind != 4) c.speaker = InfoSpeaker(b);
    c.conditions = InfoConditions(b, e->kind);
    const auto& v = gWs.infos;
    if (at > 0 && v[at - 1].dialogue == e->dialogue) c.previous = v[at - 1].block;
    if (at + 1 < v.size() && v[at + 1].dialogue == e->dialogue) c.next = v[at + 1].block;
    return c;
}

DialogueFaults CountDialogueFaults() {
    DialogueFaults f;
    bool seenDial = false;
    const int last = LastBlock();
    for (int n = 1; n <= last; ++n) {
        const std::string_view b = BlockBytes(n);
        if (b.substr(0, 4) == "DIAL") {
            seenDial = true;
            if (DialogueKindOf(n) < 0) ++f.dialWithoutKind;
        } else if (b.substr(0, 4) == "INFO") {
            if (!seenDial) ++f.infoWithoutDial;
            else if (FindSubrecord(n, "INAM") < 0) ++f.infoWithoutInam;
        }
    }
    return f;
}

std::string DialogueFaultNote(const DialogueFaults& f) {
    if (f.Total() == 0) return {};
    std::string out = std::to_string(f.Total()) + " dialogue record(s) left as they are, listed nowhere:";
    const auto part = [&](int n, const char* what) {
        if (n) out += " " + std::to_string(n) + " " + what + ";";
    };
    part(f.dialWithoutKind, "DIAL without DATA or of unknown kind (its INFOs with it)");
    part(f.infoWithoutDial, "INFO before any DIAL");
    part(f.infoWithoutInam, "INFO without INAM");
    out.pop_back();
    return out;
}

}  // namespace qp
