#include "convert/checkplugin.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "base/lists.h"
#include "base/workspace.h"
#include "convert/refcheck.h"
#include "convert/save.h"
#include "dictionary/dictfile.h"
#include "plugin/blocks.h"
#include "plugin/responses.h"

namespace qp {

namespace {

// The files whose names count as existing: the 24 name dictionaries (not the
// topics': a topic names no cell) and the external database as it stands on
// disk. The game settings' texts and the long texts name no object; a word
// among them would only hide an unknown name. A missing file is skipped,
// never created.
std::vector<std::shared_ptr<const PairFile>> KnownNameFiles() {
    std::vector<std::string> names;
    for (int g = kFirstList; g < kListTopic; ++g) {
        const std::string name = ListDictionary(g);
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    names.push_back(kExternalDatabase);
    std::vector<std::shared_ptr<const PairFile>> files;
    for (const std::string& name : names)
        if (DictionaryPresent(name)) files.push_back(OpenPairFile(name));
    return files;
}

// The name of every cell of the plugin as the conversion left it.
std::vector<std::string> CellNames() {
    std::vector<std::string> names;
    for (int b = 0; b <= LastBlock(); ++b) {
        const std::string_view record = BlockBytes(b);
        if (RecordType(record) != "CELL") continue;
        // The cell's own NAME comes before those of its references.
        const int o = FindRecordSubrecord(record, "NAME");
        const int size = o < 0 ? 0 : ReadRecordInt(record, o + 4);
        if (size > 1) names.push_back(ReadRecordString(record, o + 8, size - 1));
    }
    return names;
}

// The responses of topics, greetings, voices and persuasion (not journal
// entries, which the player does not click) that lose a link to a converted
// topic: the text before conversion is the one the file held (the game's own,
// for a response the load converted), the text after is the block's.
void CheckResponseLinks(const TopicRenames& topics, std::vector<RefFinding>& findings) {
    if (topics.Empty()) return;
    for (const InfoEntry& info : gWs.infos) {
        if (info.kind == kDialogueJournal) continue;
        const std::string_view record = BlockBytes(info.block);
        const int o = FindRecordSubrecord(record, "NAME");
        if (o < 0) continue;
        const std::string after = ReadRecordString(record, o + 8, ReadRecordInt(record, o + 4));
        const std::string id = ReadRecordId(record);
        std::string before = after;
        if (info.converted) {  // the game's own text, which the dictionary keeps
            const auto file = OpenTripleFile(InfoDictionary(info.kind), false);
            if (const int t = file ? FindTriple(*file, id) : -1; t >= 0) before = file->triples[static_cast<size_t>(t)][1];
        }
        CheckTopicLinks(id, before, after, topics, findings);
    }
}

}  // namespace

CheckOutcome CheckLoadedPlugin() {
    CheckOutcome out;
    if (!gWs.table.loaded) {
        out.notices.push_back({"INFORMATION", "NO PLUGIN IS LOADED.", Icon::Stop});
        return out;
    }
    // The conversion reports its pass; the check leaves the status as it was.
    const std::string progress = Plat().GetStatusText(kStatusProgress);
    OpenBlockJournal();
    const SaveConversion converted = ConvertAsSaved(ConversionFor::Check);
    const auto files = KnownNameFiles();
    std::string unreadable;
    for (const DictionaryProblem& p : TakeDictionaryProblems())
        if (p.unreadable) unreadable += "\r" + p.name + ": " + p.reason;
    if (unreadable.empty()) {
        const std::vector<std::string> cells = CellNames();
        std::vector<std::string_view> known(cells.begin(), cells.end());
        for (const auto& f : files)
            for (const auto& [a, b] : f->pairs) {
                known.push_back(a);
                known.push_back(b);
            }
        const CellNameIndex index(converted.links, known);
        for (int b = 0; b <= LastBlock(); ++b) {
            CheckRecord(BlockBytes(b), index, out.findings);
            CheckScriptTopics(BlockBytes(b), converted.topics, out.findings);
        }
        CheckResponseLinks(converted.topics, out.findings);
        out.checked = true;
    } else {
        out.notices.push_back({"INFORMATION",
                               "THE REFERENCES WERE NOT CHECKED.\rA DICTIONARY FILE CANNOT BE READ:" +
                                   unreadable,
                               Icon::Stop});
    }
    RollBackBlockJournal();
    Plat().SetStatusText(kStatusProgress, progress);
    return out;
}

}  // namespace qp
