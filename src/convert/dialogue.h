// Who says a response, when, and between which others: what a translator
// needs beside the text of an INFO, for the text edit dialog and for the
// comments of an export.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qp {

struct InfoContext {
    std::string topic;       // the DIAL's NAME: a topic, a greeting, a quest ID
    std::string speaker;     // the actor's ID, else the race, class, faction, cell it is limited to
    std::string conditions;  // in short: `Journal "MS_Q" >= 10; Disposition >= 40`
    int32_t previous = -1;   // the blocks of the INFOs before and after it in its dialogue
    int32_t next = -1;
    int kind = -1;           // the DIAL's kind, 0 to 4; -1: no listed INFO
};

// The context of the INFO in this block of the loaded plugin; an empty
// context (kind -1) for a block that is no listed INFO (gWs.infos).
InfoContext DescribeInfo(int32_t block);

// The parts of a record: its speaker and its conditions, as above.
std::string InfoSpeaker(std::string_view record);
std::string InfoConditions(std::string_view record, int kind);

// The dialogue records that the lists leave out as they are, counted over
// the loaded plugin.
struct DialogueFaults {
    int dialWithoutKind = 0;   // no DATA, or a kind the game does not know
    int infoWithoutDial = 0;   // an INFO before any DIAL
    int infoWithoutInam = 0;
    int Total() const { return dialWithoutKind + infoWithoutDial + infoWithoutInam; }
};
DialogueFaults CountDialogueFaults();
// The note the batch tool prints of them; "" when there are none.
std::string DialogueFaultNote(const DialogueFaults& f);

}  // namespace qp
