// The memory of translations across plugins: every save adds the pairs it
// stores in the external database to dataextra\Memory.dat (which, unlike the
// external database, keeps those of earlier plugins), and the text edit
// dialog's SAVE adds its text to dataextra\Memtext.dat. A load converts what
// nothing else knows from the memory (flag "M").
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/notice.h"

namespace qp {

using NamePairs = std::vector<std::pair<std::string, std::string>>;

// The memory file after a save that stores these pairs: one pair per first
// name, the newest first (the save's own, in the order given, then the
// earlier ones). Of a damaged file, what came before the damage is kept.
std::string MemoryAfterSave(const std::string& oldContent, const NamePairs& stored);

// Remembers a long text of this kind (the Edit text item's caption) translated in the
// text edit dialog. Returns what failed.
std::optional<Notice> RememberText(const std::string& kind, const std::string& before,
                                   const std::string& translation);
// The translation the memory holds for this text, if any.
std::optional<std::string> RememberedText(const std::string& kind, const std::string& before);

// Both memory files removed. Returns what failed.
std::optional<Notice> ForgetMemory();
Notice ForgetMemoryQuestion();
Notice MemoryForgotten();

}  // namespace qp
