#include "convert/save.h"

#include "base/paths.h"
#include "base/progress.h"
#include "base/workspace.h"
#include "convert/blockconv.h"
#include "convert/extdb.h"
#include "convert/gmst.h"
#include "convert/links.h"
#include "convert/memory.h"
#include "dictionary/dictfile.h"
#include "platform/files.h"
#include "plugin/blocks.h"

namespace qp {

const char* const kMasterSaveMessage = "THIS IS A MASTER FILE FUNCTION NONAVAILABLE.";

namespace {

Notice SaveFailed(const std::string& file, const std::string& what) {
    return {"INFORMATION", "THE PLUGIN WAS NOT SAVED.\r" + file + "\r" + what + "\rNO FILE WAS CHANGED.",
            Icon::Stop};
}


}  // namespace

std::string SaveAsOutputPath(const std::string& chosen) {
    std::string folder = FolderPart(chosen);
    std::string name = FileNamePart(chosen);
    for (size_t p; (p = name.find(".esp")) != std::string::npos;) name.erase(p, 4);
    if (name.empty()) return {};
    return folder + name + ".esp";
}

SaveConversion ConvertAsSaved(ConversionFor purpose) {
    // The external database: the marker pair, then every row flagged "*" or
    // "T", tab by tab, top to bottom, in the order the views show them.
    SaveConversion c;
    c.database = MarkerPair();
    std::string cellRenames;
    for (int g = kFirstList; g <= kLastList; ++g) {
        const std::vector<NameEntry>& rows = gWs.nameLists[g];
        for (size_t r = 0; r < rows.size(); ++r) {
            const NameEntry& row = rows[r];
            if (row.flag != "*" && row.flag != "T" && row.flag != "M") continue;
            c.database += EncodePair(row.fv, row.ov);
            c.remembered.emplace_back(row.fv, row.ov);
            if (row.flag == "M") c.fromMemory.push_back({g, static_cast<int>(r), row.ov});
            if (row.flag == "*") {
                ApplyNameEdit(g, static_cast<int>(r), row.ov, cellRenames);
                c.stored.push_back({g, static_cast<int>(r), row.ov});
            }
        }
    }
    c.topics = TopicRenamesOfPlugin();
    ConvertAddTopics(c.topics);
    if (purpose == ConversionFor::Save) {
        ConvertGameSettings();
        c.links = ConvertLinks(cellRenames, c.database);
    } else {
        // Game settings name no cell.
        c.links = BuildLinkDictionary(cellRenames, c.database, false);
        ConvertLinksThrough(c.links);
    }
    return c;
}

std::optional<Notice> RunSaveSequence(const std::string& target, Notices* notices) {
    // Everything is converted on the table in memory and only kept when both
    // files are safely written; a failure puts the changed blocks back.
    OpenBlockJournal();
    gWs.table.outgrown = -1;
    struct CloseJournal {
        ~CloseJournal() { CloseBlockJournal(); }
    } closeJournal;
    const SaveConversion converted = ConvertAsSaved(ConversionFor::Save);
    const std::string& database = converted.database;

    const std::string dbPath = ResolvePath(kExternalDatabase);
    const bool hadDbFolder = DirectoryExists(FolderPart(dbPath));
    auto restore = [&] {
        RollBackBlockJournal();
        gWs.table.outgrown = -1;
        if (!hadDbFolder) RemoveFile(FolderPart(dbPath));  // made for this save, empty again
    };
    if (gWs.table.outgrown >= 0) {
        const std::string why = OutgrownText(gWs.table.outgrown);
        restore();
        return SaveFailed(target, why);
    }
    std::string unreadable;
    Notices damaged;
    for (const auto& p : TakeDictionaryProblems()) {
        if (p.unreadable)
            unreadable += (unreadable.empty() ? "" : "\r") + p.name + ": " + p.reason;
        else
            damaged.push_back(DamagedDictionaryNotice(p));
    }
    if (!unreadable.empty()) {
        restore();
        return SaveFailed(target, "A DICTIONARY FILE CANNOT BE READ:\r" + unreadable);
    }

    // Write both files beside their targets first.
    std::string err;
    AtomicFile plugin;
    if (!plugin.Open(target, &err)) {
        restore();
        return SaveFailed(target, err);
    }
    const int last = LastBlock();
    for (int b = 0; b <= last; ++b) {
        if (!plugin.Write(gWs.table.blocks[static_cast<size_t>(b)], &err)) {
            restore();
            return SaveFailed(target, err);
        }
        ShowBlockProgress("Save Block : ", b, last);
    }
    if (!plugin.Write(gWs.table.trailer, &err) || !plugin.Finish(&err)) {
        restore();
        return SaveFailed(target, err);
    }
    std::string oldDatabase;
    const bool hadDatabase = FileExists(dbPath) && ReadWholeFile(dbPath, oldDatabase);
    // The memory keeps the pairs of every save; without pairs to keep and
    // without a memory, none is made.
    const std::string memoryPath = ResolvePath(kMemoryFile);
    std::string oldMemory;
    const bool hadMemory = FileExists(memoryPath) && ReadWholeFile(memoryPath, oldMemory);
    const std::string memory = MemoryAfterSave(oldMemory, converted.remembered);
    const bool writeMemory = hadMemory ? memory != oldMemory : !memory.empty();
    auto putBack = [&](const std::string& path, bool had, const std::string& old) {
        if (had)
            WriteFileAtomic(path, old);
        else
            RemoveFile(path);
    };
    AtomicFile db;
    EnsureParentFolder(dbPath);
    if (!db.Open(dbPath, &err) || !db.Write(database, &err) || !db.Commit(&err)) {
        restore();
        return SaveFailed(dbPath, err);
    }
    ForgetDictionaryFile(kExternalDatabase);
    if (writeMemory) {
        const bool ok = WriteFileAtomic(memoryPath, memory, &err);
        ForgetDictionaryFile(kMemoryFile);
        if (!ok) {
            putBack(dbPath, hadDatabase, oldDatabase);
            restore();
            return SaveFailed(memoryPath, err);
        }
    }
    if (!plugin.Commit(&err)) {
        // Put the external database and the memory back as they were.
        putBack(dbPath, hadDatabase, oldDatabase);
        if (writeMemory) putBack(memoryPath, hadMemory, oldMemory);
        restore();
        return SaveFailed(target, err);
    }
    // Only a save that succeeded clears what earlier ones left behind.
    RemoveFile(ResolvePath("data\\Concat.dat"));
    RemoveFile(ResolvePath("data\\Vfvfdata.dat"));
    RemoveStaleTemporaries(FolderPart(target));
    RemoveStaleTemporaries(FolderPart(dbPath));
    if (notices) notices->insert(notices->end(), damaged.begin(), damaged.end());

    for (const auto* rows : {&converted.stored, &converted.fromMemory})
        for (const StoredRow& s : *rows) MarkRowStored(s.list, s.row, "T", s.ov);
    gWs.textsNotSaved.clear();
    return std::nullopt;
}

}  // namespace qp
