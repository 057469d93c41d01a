#include "convert/memory.h"

#include <string_view>
#include <unordered_set>

#include "base/paths.h"
#include "base/workspace.h"
#include "dictionary/dictfile.h"
#include "platform/files.h"

namespace qp {

namespace {

// Writes a memory file whole, or leaves it as it was.
std::optional<Notice> WriteMemoryFile(const char* name, const std::string& bytes) {
    const std::string path = ResolvePath(name);
    std::string err;
    EnsureParentFolder(path);
    const bool ok = WriteFileAtomic(path, bytes, &err);
    ForgetDictionaryFile(name);
    if (!ok) return Notice{"INFORMATION", "THE MEMORY COULD NOT BE WRITTEN.\r" + path + "\r" + err, Icon::Stop};
    return std::nullopt;
}

std::string ReadMemoryFile(const char* name) {
    std::string content;
    const std::string path = ResolvePath(name);
    if (FileExists(path)) ReadWholeFile(path, content);
    return content;
}

}  // namespace

std::string MemoryAfterSave(const std::string& oldContent, const NamePairs& stored) {
    const PairFile old = ParsePairFile(oldContent);
    std::string out;
    std::unordered_set<std::string_view> written;
    for (const auto& [a, b] : stored)
        if (written.insert(a).second) out += EncodePair(a, b);
    for (const auto& [a, b] : old.pairs)
        if (written.insert(a).second) out += EncodePair(a, b);
    return out;
}

std::optional<Notice> RememberText(const std::string& kind, const std::string& before,
                                   const std::string& translation) {
    const TripleFile old = ParseTripleFile(ReadMemoryFile(kMemoryTextFile));
    std::string out;
    WriteCountedString(out, kind);
    WriteCountedString(out, before);
    WriteCountedString(out, translation);
    for (const auto& t : old.triples)
        if (t[0] != kind || t[1] != before)
            for (const auto& s : t) WriteCountedString(out, s);
    return WriteMemoryFile(kMemoryTextFile, out);
}

std::optional<std::string> RememberedText(const std::string& kind, const std::string& before) {
    if (before.empty() || !DictionaryPresent(kMemoryTextFile)) return std::nullopt;
    const auto texts = OpenTripleFile(kMemoryTextFile, false);
    for (const auto& t : texts->triples)
        if (t[0] == kind && t[1] == before) return t[2];
    return std::nullopt;
}

std::optional<Notice> ForgetMemory() {
    for (const char* name : {kMemoryFile, kMemoryTextFile}) {
        const std::string path = ResolvePath(name);
        std::string err;
        ForgetDictionaryFile(name);
        if (FileExists(path) && !RemoveFile(path, &err))
            return Notice{"INFORMATION", "THE MEMORY COULD NOT BE FORGOTTEN.\r" + path + "\r" + err, Icon::Stop};
    }
    return std::nullopt;
}

Notice ForgetMemoryQuestion() {
    return {"ALERT!",
            "FORGET EVERY TRANSLATION THE MEMORY KEEPS FROM EARLIER SAVES\r(MEMORY.DAT AND MEMTEXT.DAT)?\r\r"
            "THE EXTERNAL DATA BASE STAYS AS IT IS.",
            Icon::Warning};
}

Notice MemoryForgotten() { return {"INFORMATION", "MEMORY FORGOTTEN.", Icon::Information}; }

}  // namespace qp
