#include "convert/save.h"

#include <tuple>

#include "app/config.h"
#include "app/globals.h"
#include "app/shell.h"
#include "convert/blockconv.h"
#include "convert/extdb.h"
#include "convert/gmst.h"
#include "convert/links.h"
#include "app/progress.h"
#include "dictionary/dictfile.h"
#include "platform/files.h"
#include "plugin/blocks.h"

namespace qp {

const char* const kMasterSaveMessage = "THIS IS A MASTER FILE FUNCTION NONAVAILABLE.";

namespace {

void SaveFailed(const std::string& file, const std::string& what) {
    Message("INFORMATION", "THE PLUGIN WAS NOT SAVED.\r" + file + "\r" + what +
                               "\rNO FILE WAS CHANGED.",
            Icon::Stop);
}

std::string UnreadableDictionaries() {
    std::string out;
    for (const auto& p : TakeDictionaryProblems())
        if (p.unreadable) out += (out.empty() ? "" : "\r") + p.name + ": " + p.reason;
    return out;
}

}  // namespace

std::string SaveAsOutputPath(const std::string& chosen) {
    std::string folder = FolderPart(chosen);
    std::string name = FileNamePart(chosen);
    for (size_t p; (p = name.find(".esp")) != std::string::npos;) name.erase(p, 4);
    if (name.empty()) return {};
    return folder + name + ".esp";
}

bool RunSaveSequence(const std::string& target) {
    // Everything is converted on the table in memory and only kept when both
    // files are safely written; a failure puts the changed blocks back.
    OpenBlockJournal();
    struct CloseJournal {
        ~CloseJournal() { CloseBlockJournal(); }
    } closeJournal;
    std::vector<std::tuple<int, int, std::string>> stored;  // rows flagged "*"

    // The external database: the marker pair, then every row flagged "*" or
    // "T", tab by tab, top to bottom, as the views show them.
    std::string database = MarkerPair();
    gCellRenames.clear();
    for (int g = kFirstList; g <= kLastList; ++g) {
        std::vector<Row> rows = Plat().ListGetRows(g);
        for (size_t r = 0; r < rows.size(); ++r) {
            const Row& row = rows[r];
            if (row[0] != "*" && row[0] != "T") continue;
            database += EncodePair(row[2], row[3]);
            if (row[0] == "*") {
                ApplyNameEdit(g, static_cast<int>(r), row[3]);
                stored.emplace_back(g, static_cast<int>(r), row[3]);
            }
        }
    }
    ConvertGameSettings();
    ConvertLinks(database);
    gCellRenames.clear();

    auto restore = [] { RollBackBlockJournal(); };
    std::string unreadable = UnreadableDictionaries();
    if (!unreadable.empty()) {
        restore();
        SaveFailed(target, "A DICTIONARY FILE CANNOT BE READ:\r" + unreadable);
        return false;
    }

    // Write both files beside their targets first.
    std::string err;
    AtomicFile plugin;
    if (!plugin.Open(target, &err)) {
        restore();
        SaveFailed(target, err);
        return false;
    }
    const int last = LastBlock();
    for (int b = 0; b <= last; ++b) {
        if (!plugin.Write(gTable.blocks[static_cast<size_t>(b)], &err)) {
            restore();
            SaveFailed(target, err);
            return false;
        }
        ShowBlockProgress("Save Block : ", b, last);
    }
    if (!plugin.Write(gTable.trailer, &err) || !plugin.Finish(&err)) {
        restore();
        SaveFailed(target, err);
        return false;
    }
    const std::string dbPath = ResolvePath(kExternalDatabase);
    std::string oldDatabase;
    const bool hadDatabase = FileExists(dbPath) && ReadWholeFile(dbPath, oldDatabase);
    AtomicFile db;
    EnsureParentFolder(dbPath);
    if (!db.Open(dbPath, &err) || !db.Write(database, &err) || !db.Commit(&err)) {
        restore();
        SaveFailed(dbPath, err);
        return false;
    }
    ForgetDictionaryFile(kExternalDatabase);
    if (!plugin.Commit(&err)) {
        // Put the external database back as it was.
        if (hadDatabase)
            WriteFileAtomic(dbPath, oldDatabase);
        else
            RemoveFile(dbPath);
        restore();
        SaveFailed(target, err);
        return false;
    }
    RemoveFile(ResolvePath("data\\Concat.dat"));
    RemoveFile(ResolvePath("data\\Vfvfdata.dat"));

    for (const auto& [g, r, ov] : stored) {
        Plat().ListSetText(g, r, 0, "T");
        MarkRowStored(g, r, "T", ov);
    }
    return true;
}

void SaveAsCommand() {
    BeginDictionaryCommand();
    if (IsMasterFile()) {
        Message("INFORMATION", kMasterSaveMessage, Icon::Stop);
    } else {
        gConfig.savePath = ReadConfiguredString("Save Path", "SavePath", "C:\\");
        std::string chosen =
            Plat().SaveFileRequester("ESP file to save", gConfig.savePath, "ESP (*.esp)", "*.esp");
        std::string output = chosen.empty() ? std::string() : SaveAsOutputPath(chosen);
        if (output.empty()) {
            // cancelled, or no name left
        } else if (SameFileName(output, gFileInUse)) {
            Message("INFORMATION",
                    "THE NAME OF THE OUTPUT FILE IS IDENTICAL TO THE NAME OF THE INPUT FILE.\r   "
                    "ENTER A DIFFERENT NAME OR USE 'SAVE' TO OVERWRITE THIS FILE.",
                    Icon::Information);
        } else {
            MenuLock();
            if (RunSaveSequence(output)) {
                // The folder is remembered only once the save has succeeded.
                gConfig.savePath = FolderPart(output);
                WriteConfiguration();
                gFileInUse = output;
                Plat().SetStatusText(0, "File : " + FileNamePart(gFileInUse));
            }
            MenuUnlock();
        }
    }
    EndDictionaryCommand();
    EndBackgroundCommand();
}

void SaveCommand() {
    BeginDictionaryCommand();
    if (IsMasterFile()) {
        Message("INFORMATION", kMasterSaveMessage, Icon::Stop);
    } else {
        MenuLock();
        Answer a = Message("QUESTION",
                           "OVERWRITE THE FILE IN USE  :" + std::string(22, ' ') + "\r" + gFileInUse,
                           Icon::Question, Buttons::YesNo);
        if (a == Answer::Yes && RunSaveSequence(gFileInUse))
            Plat().SetStatusText(0, "File : " + FileNamePart(gFileInUse));
        MenuUnlock();
    }
    EndDictionaryCommand();
    EndBackgroundCommand();
}

}  // namespace qp
