// Responses and journal entries at load: every INFO under a dialogue of known
// kind is listed, and one that still carries the game's own text converts
// itself.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

namespace qp {

// The long-text file that offers translations of an INFO under a dialogue
// of this kind: the journal's for kind 4, the responses' for the rest.
const char* InfoDictionary(int kind);

// Fills gWs.infos from the loaded plugin. An INFO whose text equals, byte for
// byte, the first text of its ID's triple in its long-text file takes the
// second text and the flag "L": mods carry the game's responses unchanged by
// the thousand. An INFO before any DIAL, under a DIAL of unknown kind, or
// without INAM is left out and left as it is.
void ListAndConvertResponses();

// What the INFOs converted at load held before, by block: their triples'
// first texts, read again from the long-text files (a load keeps only the
// flag).
std::unordered_map<int32_t, std::string> TextsBeforeConversion();

}  // namespace qp
