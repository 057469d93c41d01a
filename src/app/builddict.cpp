#include "app/builddict.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>
#include <tuple>

#include "app/shell.h"
#include "base/dirlock.h"
#include "base/workspace.h"
#include "base/paths.h"
#include "convert/dictbuild.h"
#include "dictionary/dictfile.h"
#include "platform/files.h"
#include "plugin/read.h"
#include "ui/builddialog.h"
#include "ui/mainwindow.h"

namespace qp {

const char* const kBuildDictionariesUsage =
    "usage: quillane-cli build-dictionaries FV-FILE OV-FILE [FV-FILE OV-FILE ...] [--root DIR] [--force]\n"
    "  Reads the same master or plugin in its two language versions (FV: before\n"
    "  conversion, OV: after) and writes the dictionary files of the program\n"
    "  directory's data folder. Several pairs make one set, in the game's load\n"
    "  order: a later pair's record replaces an earlier pair's record of the same\n"
    "  ID. Existing dictionaries are replaced only with --force.\n";

namespace {

std::string Named(int codePage) { return std::to_string(codePage) + " " + CodePageName(codePage); }

std::string Format(const char* format, ...) {
    char buffer[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

// Which code page each version looks written in, and the setting that shows
// both; the setting itself is left alone.
std::string CodePageReport(const DictionaryBuild& built) {
    const int fv = LikelyCodePage(built.fvLetters), ov = LikelyCodePage(built.ovLetters);
    std::string out = "Letters typical of each code page (1250 / 1251 / 1252):\n";
    for (const auto& [side, counts, cp] : {std::tuple{"FV", built.fvLetters, fv}, {"OV", built.ovLetters, ov}})
        out += Format("  %s %lld / %lld / %lld: %s\n", side, static_cast<long long>(counts[0]),
                      static_cast<long long>(counts[1]), static_cast<long long>(counts[2]),
                      cp ? ("looks like " + Named(cp)).c_str() : "no letter that tells the code pages apart");
    const int suggested = SuggestedCodePage(built);
    out += Format("Suggested code page: %s (the window's \"Code page\" menu; quillane-cli --codepage %d).\n",
                  Named(suggested).c_str(), suggested);
    if (fv && ov && fv != ov)
        out += Format("In %s the FV names' own letters look wrong; %s shows them.\n", Named(ov).c_str(),
                      Named(fv).c_str());
    return out;
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r') c = '\n';
    return text;
}


}  // namespace

int RunBuildDictionaries(const std::vector<std::string>& files, const std::string* root, bool force,
                         const char* argv0) {
    // One file twice would pair every name with itself.
    for (size_t i = 0; i + 1 < files.size(); i += 2)
        if (SameFile(files[i], files[i + 1])) {
            std::fprintf(stderr, "build-dictionaries: %s and %s are the same file; the two language versions are needed\n",
                         files[i].c_str(), files[i + 1].c_str());
            return 2;
        }
    if (root) {
        if (!DirectoryExists(*root)) {
            std::fprintf(stderr, "build-dictionaries: %s is not a directory\n", root->c_str());
            return 2;
        }
        SetProgramDirectory(*root);
    } else {
        auto failed = InitProgramDirectory(argv0);
        for (const auto& told : {gWs.env.programDirWarning, failed})
            if (told) std::fputs(OneLine(told->title + ": " + told->text + "\n").c_str(), stderr);
        if (failed) return 2;
    }

    FilePairs pairs;
    for (size_t i = 0; i < files.size(); i += 2) pairs.emplace_back(files[i], files[i + 1]);
    DictionaryBuild built;
    if (auto failed = ReadAndBuildDictionaries(pairs, built)) {
        std::fprintf(stderr, "build-dictionaries: %s\n", failed->c_str());
        return 2;
    }
    // A pair that does not look like two versions of one file would spoil
    // the whole set.
    bool warned = false;
    for (size_t i = 0; i < built.pairs.size(); ++i)
        if (!built.pairs[i].warning.empty()) {
            std::fprintf(stderr, "build-dictionaries: warning: pair %zu: %s\n", i + 1, built.pairs[i].warning.c_str());
            warned = true;
        }
    if (warned && !force) {
        std::fputs("build-dictionaries: nothing was written; use --force to build the set anyway.\n", stderr);
        return 2;
    }

    ProgramDirectoryLock lock;
    if (lock.refused) {
        std::fprintf(stderr, "build-dictionaries: %s\n", OneLine(lock.refused->text).c_str());
        return 2;
    }

    // Dictionaries the user already has are not overwritten by accident.
    const std::vector<std::string> existing = ExistingDictionaries();
    if (!existing.empty() && !force) {
        std::fputs("build-dictionaries: these dictionary files exist already; nothing was written.\n"
                   "Use --force to replace them:\n", stderr);
        for (const auto& p : existing) std::fprintf(stderr, "  %s\n", p.c_str());
        return 2;
    }
    if (auto failed = WriteDictionarySet(built)) {
        std::fprintf(stderr, "build-dictionaries: %s\nNothing was written.\n", failed->c_str());
        return 2;
    }
    const std::string report = DictionaryReport(built);
    std::fwrite(report.data(), 1, report.size(), stdout);
    return 0;
}

std::optional<std::string> ReadAndBuildDictionaries(const FilePairs& files, DictionaryBuild& built,
                                                    const std::function<void(const std::string&)>& reading) {
    // The tables must outlive the build, which reads their records in place.
    std::vector<BlockTable> tables(files.size() * 2);
    std::vector<PluginPair> pairs;
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string* names[] = {&files[i].first, &files[i].second};
        for (size_t side = 0; side < 2; ++side) {
            std::string error;
            if (reading) reading(*names[side]);
            if (!ReadPluginFile(*names[side], tables[2 * i + side], error))
                return "cannot read " + *names[side] + ": " + error;
        }
        pairs.push_back({files[i].first, files[i].second, RecordsOf(tables[2 * i]), RecordsOf(tables[2 * i + 1])});
    }
    built = BuildDictionaries(pairs);
    return std::nullopt;
}

std::vector<std::string> ExistingDictionaries() {
    // An empty file (a lookup creates missing ones empty) holds nothing to lose.
    std::vector<std::string> existing;
    for (const std::string& name : DictionaryFileNames()) {
        std::string path = ResolvePath(name);
        if (FileExists(path) && FileSize(path) > 0) existing.push_back(path);
    }
    return existing;
}

std::optional<std::string> WriteDictionarySet(const DictionaryBuild& built) {
    // Every file is complete on disk before the first one takes its place,
    // and they take their places together: a failure leaves the old set whole.
    const std::string dataFolder = FolderPart(ResolvePath("data\\x"));
    const bool hadDataFolder = DirectoryExists(dataFolder);
    auto fail = [&](const std::string& name, const std::string& err) -> std::optional<std::string> {
        if (!hadDataFolder) RemoveFile(dataFolder);  // made for this run, empty again
        return "cannot write " + ResolvePath(name) + ": " + err;
    };
    std::vector<std::unique_ptr<AtomicFile>> out;
    std::vector<AtomicFile*> all;
    for (const BuiltFile& f : built.files) {
        std::string err;
        out.push_back(std::make_unique<AtomicFile>());
        all.push_back(out.back().get());
        EnsureParentFolder(ResolvePath(f.name));
        if (!out.back()->Open(ResolvePath(f.name), &err) || !out.back()->Write(f.bytes, &err) ||
            !out.back()->Finish(&err)) {
            out.clear();
            return fail(f.name, err);
        }
    }
    std::string err;
    size_t failed = 0;
    if (!CommitTogether(all, failed, &err)) return fail(built.files[failed].name, err);
    for (const BuiltFile& f : built.files) ForgetDictionaryFile(f.name);
    RemoveStaleTemporaries(dataFolder);
    return std::nullopt;
}

int SuggestedCodePage(const DictionaryBuild& built) {
    // The converted names are the ones the translator works on; with no
    // letter pointing anywhere, the default fits.
    const int fv = LikelyCodePage(built.fvLetters), ov = LikelyCodePage(built.ovLetters);
    return ov ? ov : fv ? fv : kCodePageWestern;
}

std::string DictionaryReport(const DictionaryBuild& built) {
    const std::string folder = FolderPart(ResolvePath("data\\x"));
    std::string out;
    if (built.pairs.size() == 1) {
        out += Format("Dictionaries from %s (FV) and %s (OV) written to %s\n",
                      FileNamePart(built.pairs[0].fvName).c_str(), FileNamePart(built.pairs[0].ovName).c_str(),
                      folder.c_str());
    } else {
        out += Format("Dictionaries from %zu pairs, in this order, written to %s\n", built.pairs.size(),
                      folder.c_str());
        for (size_t i = 0; i < built.pairs.size(); ++i) {
            const PairFigures& p = built.pairs[i];
            out += Format("  pair %zu: %s (FV) and %s (OV): %d records in both, %d %s", i + 1,
                          FileNamePart(p.fvName).c_str(), FileNamePart(p.ovName).c_str(), p.matched, p.entries,
                          p.entries == 1 ? "entry" : "entries");
            out += p.replaced ? Format(", %d records replaced by a later pair\n", p.replaced) : "\n";
        }
    }
    int total = 0;
    for (const BuiltFile& f : built.files) {
        out += Format("  %-18s %5d %s%s\n", FileNamePart(f.name).c_str(), f.entries, f.triples ? "triple" : "pair",
                      f.entries == 1 ? "" : "s");
        total += f.entries;
    }
    out += Format("  %d entries in %zu files\n", total, built.files.size());
    if (built.oneSided)
        out += Format("%d names or texts present in one version only were left out\n", built.oneSided);
    if (!built.unmatched.empty()) {
        out += "Records without a counterpart:\n";
        for (const auto& l : built.unmatched) out += "  " + l + "\n";
    }
    if (!built.conflicts.empty()) {
        out += "Names with more than one counterpart (the first is kept):\n";
        for (const auto& l : built.conflicts) out += "  " + l + "\n";
    }
    if (!built.ambiguousTopics.empty()) {
        out += "Topics whose responses lie under more than one topic (left out):\n";
        for (const auto& l : built.ambiguousTopics) out += "  " + l + "\n";
    }
    return out + CodePageReport(built);
}

namespace {

Notice Stop(const std::string& text) { return {"INFORMATION", text, Icon::Stop}; }

// The worker's part of "Build": read, build, ask about a doubtful pair,
// write, report.
void BuildDictionariesCommand() {
    const std::string oldStatus = Plat().GetStatusText(kStatusFile);
    auto done = [&] {
        Plat().SetStatusText(kStatusFile, oldStatus);
        Plat().SetStatusText(kStatusProgress, "");
        EnableBuildDialog(true);
        EndBackgroundCommand();
    };
    ProgramDirectoryLock lock;
    if (lock.refused) {
        ShowNotice(*lock.refused);
        return done();
    }
    DictionaryBuild built;
    if (auto failed = ReadAndBuildDictionaries(gWs.buildPairs, built, [](const std::string& file) {
            Plat().SetStatusText(kStatusFile, "File : " + FileNamePart(file));
        })) {
        ShowNotice(Stop("NO DICTIONARY WAS WRITTEN.\r" + *failed));
        return done();
    }
    std::string doubts;
    for (size_t i = 0; i < built.pairs.size(); ++i)
        if (!built.pairs[i].warning.empty()) doubts += "PAIR " + std::to_string(i + 1) + ": " + built.pairs[i].warning + "\r";
    if (!doubts.empty() && Message("QUESTION", doubts + "\rBUILD THE DICTIONARIES ANYWAY?", Icon::Question,
                                   Buttons::YesNoDefaultNo) != Answer::Yes)
        return done();
    if (auto failed = WriteDictionarySet(built)) {
        ShowNotice(Stop("NO DICTIONARY WAS WRITTEN.\r" + *failed));
        return done();
    }
    // The report replaces the dialog; its pairs are kept for the next time.
    std::vector<Row> rows;
    for (size_t i = 0; i < built.pairs.size(); ++i) {
        const PairFigures& p = built.pairs[i];
        rows.push_back({"Pair " + std::to_string(i + 1) + ": " + FileNamePart(p.fvName) + " / " + FileNamePart(p.ovName),
                        std::to_string(p.entries), "", ""});
    }
    int total = 0;
    for (const BuiltFile& f : built.files) {
        int conflicts = 0;
        const std::string prefix = FileNamePart(f.name) + ": ";
        for (const auto* lines : {&built.conflicts, &built.ambiguousTopics})
            for (const std::string& c : *lines) conflicts += c.rfind(prefix, 0) == 0;
        rows.push_back({FileNamePart(f.name), std::to_string(f.entries), std::to_string(conflicts), ""});
        total += f.entries;
    }
    rows.push_back({"In all", std::to_string(total),
                    std::to_string(built.conflicts.size() + built.ambiguousTopics.size()), ""});
    const int codePage = SuggestedCodePage(built);
    std::string text = DictionaryReport(built);
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    Plat().CloseDialog(kWindowBuild);
    OpenBuildReport("Dictionaries written to " + FolderPart(ResolvePath("data\\x")) + ". Suggested code page: " +
                        std::to_string(codePage) + " " + CodePageName(codePage) + ".",
                    std::move(rows), crlf, codePage);
    done();
}

}  // namespace

void StartBuildDictionaries() {
    if (!Plat().IsDialogOpen(kWindowBuild) || gWs.busy) return;
    if (gWs.buildPairs.empty()) {
        Message("INFORMATION", "ADD A PAIR OF FILES FIRST: \"Add pair...\".", Icon::Information);
        return;
    }
    const std::vector<std::string> existing = ExistingDictionaries();
    if (!existing.empty() &&
        Message("QUESTION",
                std::to_string(existing.size()) + " DICTIONARY FILES IN " + FolderPart(ResolvePath("data\\x")) +
                    " HOLD PAIRS OR TEXTS.\rREPLACE THE WHOLE SET WITH THE ONE BUILT FROM THESE PAIRS?",
                Icon::Question, Buttons::YesNoDefaultNo) != Answer::Yes)
        return;
    EnableBuildDialog(false);
    StartBackgroundCommand(&BuildDictionariesCommand);
}

}  // namespace qp
