#include "app/builddict.h"

#include <cstdio>
#include <memory>
#include <string>
#include <tuple>

#include "base/dirlock.h"
#include "base/paths.h"
#include "base/workspace.h"
#include "convert/dictbuild.h"
#include "dictionary/dictfile.h"
#include "platform/files.h"
#include "plugin/read.h"

namespace qp {

namespace {

}  // namespace

const char* const kBuildDictionariesUsage =
    "usage: quillane-cli build-dictionaries FV-FILE OV-FILE [--root DIR] [--force]\n"
    "  Reads the same master or plugin in its two language versions (FV: before\n"
    "  conversion, OV: after) and writes the dictionary files of the program\n"
    "  directory's data folder. Existing dictionaries are replaced only with --force.\n";

namespace {

std::string Named(int codePage) { return std::to_string(codePage) + " " + CodePageName(codePage); }

// Which code page each version looks written in, and the setting that shows
// both; the setting itself is left alone.
void PrintCodePages(const DictionaryBuild& built) {
    const int fv = LikelyCodePage(built.fvLetters), ov = LikelyCodePage(built.ovLetters);
    std::puts("Letters typical of each code page (1250 / 1251 / 1252):");
    for (const auto& [side, counts, cp] : {std::tuple{"FV", built.fvLetters, fv}, {"OV", built.ovLetters, ov}})
        std::printf("  %s %lld / %lld / %lld: %s\n", side, static_cast<long long>(counts[0]),
                    static_cast<long long>(counts[1]), static_cast<long long>(counts[2]),
                    cp ? ("looks like " + Named(cp)).c_str() : "no letter that tells the code pages apart");
    // The converted names are the ones the translator works on; with no
    // letter pointing anywhere, the default fits.
    const int suggested = ov ? ov : fv ? fv : kCodePageWestern;
    std::printf("Suggested code page: %s (the window's \"Code page\" menu; quillane-cli --codepage %d).\n",
                Named(suggested).c_str(), suggested);
    if (fv && ov && fv != ov)
        std::printf("In %s the FV names' own letters look wrong; %s shows them.\n", Named(ov).c_str(),
                    Named(fv).c_str());
}

}  // namespace

int RunBuildDictionaries(const std::string& fvFile, const std::string& ovFile, const std::string* root,
                         bool force, const char* argv0) {
    const std::string files[2] = {fvFile, ovFile};
    // One file twice would pair every name with itself.
    if (SameFile(files[0], files[1])) {
        std::fprintf(stderr, "build-dictionaries: %s and %s are the same file; the two language versions are needed\n",
                     files[0].c_str(), files[1].c_str());
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
        for (const auto& told : {gWs.env.programDirWarning, failed}) {
            if (!told) continue;
            std::string text = told->title + ": " + told->text + "\n";
            for (char& c : text)
                if (c == '\r') c = '\n';
            std::fputs(text.c_str(), stderr);
        }
        if (failed) return 2;
    }

    // Both versions are read as Load reads a plugin, with the same checks.
    BlockTable fv, ov;
    for (size_t i = 0; i < 2; ++i) {
        std::string error;
        if (!ReadPluginFile(files[i], i == 0 ? fv : ov, error)) {
            std::fprintf(stderr, "build-dictionaries: cannot read %s: %s\n", files[i].c_str(), error.c_str());
            return 2;
        }
    }
    DictionaryBuild built = BuildDictionaries(RecordsOf(fv), RecordsOf(ov));

    ProgramDirectoryLock lock;
    if (lock.refused) {
        std::string text = lock.refused->text;
        for (char& c : text)
            if (c == '\r') c = '\n';
        std::fprintf(stderr, "build-dictionaries: %s\n", text.c_str());
        return 2;
    }

    // Dictionaries the user already has are not overwritten by accident; an
    // empty file (a lookup creates missing ones empty) holds nothing to lose.
    std::vector<std::string> existing;
    for (const BuiltFile& f : built.files) {
        std::string path = ResolvePath(f.name);
        if (FileExists(path) && FileSize(path) > 0) existing.push_back(path);
    }
    if (!existing.empty() && !force) {
        std::fputs("build-dictionaries: these dictionary files exist already; nothing was written.\n"
                   "Use --force to replace them:\n", stderr);
        for (const auto& p : existing) std::fprintf(stderr, "  %s\n", p.c_str());
        return 2;
    }

    // Every file is complete on disk before the first one takes its place,
    // and they take their places together: a failure leaves the old set whole.
    const std::string dataFolder = FolderPart(ResolvePath("data\\x"));
    const bool hadDataFolder = DirectoryExists(dataFolder);
    auto fail = [&](const std::string& name, const std::string& err) {
        if (!hadDataFolder) RemoveFile(dataFolder);  // made for this run, empty again
        std::fprintf(stderr, "build-dictionaries: cannot write %s: %s\nNothing was written.\n",
                     ResolvePath(name).c_str(), err.c_str());
        return 2;
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

    std::printf("Dictionaries from %s (FV) and %s (OV) written to %s\n", FileNamePart(files[0]).c_str(),
                FileNamePart(files[1]).c_str(), FolderPart(ResolvePath("data\\x")).c_str());
    int total = 0;
    for (const BuiltFile& f : built.files) {
        std::printf("  %-18s %5d %s%s\n", FileNamePart(f.name).c_str(), f.entries,
                    f.triples ? "triple" : "pair", f.entries == 1 ? "" : "s");
        total += f.entries;
    }
    std::printf("  %d entries in %zu files\n", total, built.files.size());
    if (built.oneSided)
        std::printf("%d names or texts present in one version only were left out\n", built.oneSided);
    if (!built.unmatched.empty()) {
        std::puts("Records without a counterpart:");
        for (const auto& l : built.unmatched) std::printf("  %s\n", l.c_str());
    }
    if (!built.conflicts.empty()) {
        std::puts("Names with more than one counterpart (the first is kept):");
        for (const auto& l : built.conflicts) std::printf("  %s\n", l.c_str());
    }
    PrintCodePages(built);
    return 0;
}

}  // namespace qp
