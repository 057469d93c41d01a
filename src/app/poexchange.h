// The loaded plugin's strings exchanged with translation tools as a gettext
// PO file: exported with their identities, before and after conversion, and
// a translated file applied back through the window's own edits.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "base/translatable.h"

namespace qp {

struct PoExportResult {
    std::string text;  // the PO file, UTF-8
    std::array<int, kTextKindCount> counts{};  // entries per kind
};

// Every string of the loaded plugin that an edit can write back (a tab's
// names, the "Edit text" items' texts), in plugin order: msgctxt its
// identity, msgid the text before conversion, msgstr the text after when it
// differs, or a long-text dictionary's or the memory's offer flagged fuzzy.
// Texts go from codePage into UTF-8. kinds: the kinds kept, none for all.
// Call it inside a dictionary command.
PoExportResult ExportTranslation(int codePage, const std::vector<TextKind>& kinds);

// An entry of the file that was not applied, and why.
struct PoSkipped {
    int line = 0;  // of the entry in the file
    std::string identity;  // as the file gives it (UTF-8)
    std::string why;
};

struct PoImportResult {
    // Set when the whole file is refused: nothing was changed. status: 1 a
    // text the code page cannot hold, 2 any other refusal.
    std::string refused;
    int status = 0;
    std::vector<PoSkipped> skipped;
    std::vector<std::string> warnings;  // placeholders dropped or added
    int applied = 0, fuzzy = 0, obsolete = 0, untranslated = 0;
};

// Applies every translated entry of a PO file (its bytes; name for messages)
// to the loaded plugin: names through the name edit's OK, long texts through
// the text edit's SAVE. An entry whose source text or identity the plugin no
// longer has, or that is fuzzy, is skipped and listed; a text the code page
// cannot hold, a name or text past its limit, bad syntax, a master file and
// (strict) a placeholder dropped or added refuse the whole file, with the
// plugin left as it was. Call it inside a dictionary command.
PoImportResult ImportTranslation(const std::string& po, const std::string& name, int codePage, bool strict);

// File > "Export for translation..." and "Import translation...": background
// commands with their requesters; the import applies the file to the loaded
// plugin as edits and lists what it did not apply in the check dialog.
void ExportPoCommand();
void ImportPoCommand();

// The variables the game fills in (%PCName, ^Cell) and the printf codes of
// its settings (%d, %.0f) a text holds, sorted; variables in lower case, as
// the game ignores their case.
std::vector<std::string> Placeholders(const std::string& text);

}  // namespace qp
