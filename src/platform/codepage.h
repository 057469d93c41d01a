// The Windows code pages the game's language versions store their texts in:
// 1250 (Central European), 1251 (Cyrillic) and 1252 (Western). Names and
// texts stay bytes everywhere else; these functions turn them into characters
// for a window or a terminal and back, so that every byte string survives the
// trip unchanged: all 256 byte values in each code page, line breaks included.
// A character typed by the user that the code page lacks is refused, never
// replaced.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qp {

constexpr int kCodePageCentralEuropean = 1250;
constexpr int kCodePageCyrillic = 1251;
constexpr int kCodePageWestern = 1252;

bool IsSupportedCodePage(int codePage);
// "Central European", "Cyrillic" or "Western".
const char* CodePageName(int codePage);
// The ANSI code page of the Windows system this runs on; 0 on a system that
// has none (Linux).
int SystemAnsiCodePage();

// One byte as a character. Every byte has one, distinct from every other
// byte's: the few bytes a code page leaves undefined keep their own value as
// a C1 code point, as Windows itself maps them. An unsupported code page is
// read as 1252.
char16_t ByteToChar(int codePage, unsigned char b);
// The byte of a character, or -1 when the code page has none.
int CharToByte(int codePage, char32_t c);
// The byte of the lower-case form of a letter; any other byte as it is.
unsigned char LowerByte(int codePage, unsigned char b);

// A character for a message: "U+0416 (Ж)".
std::string DescribeChar(char32_t c);
// What a window says when the user types or leaves a character the code page
// lacks, in UTF-8 (the character itself has no byte to be written in):
// "THE CODE PAGE 1251 HAS NO CHARACTER U+0141 (Ł).\r...".
std::string MissingCharMessage(int codePage, char32_t c);

// Bytes as UTF-8 (a terminal, a text file) and back. FromUtf8 fails on a
// character the code page lacks or on bytes that are not UTF-8, naming the
// character (U+FFFD for broken UTF-8) in missing.
std::string ToUtf8(int codePage, std::string_view bytes);
bool FromUtf8(int codePage, std::string_view utf8, std::string& bytes, char32_t* missing = nullptr);

// Single-line fields and list cells: control bytes (0x00-0x1F, 0x7F) become
// the visible Control Pictures U+2400.. (U+2421 for 0x7F), so a field never
// swallows or reinterprets them.
std::u16string BytesToLine(int codePage, std::string_view bytes);
// Fails on the first character the code page lacks, naming it in missing.
bool LineToBytes(int codePage, std::u16string_view text, std::string& bytes,
                 char32_t* missing = nullptr);

// Multi-line panes: "\r\n" is a paragraph break (U+2029, what Enter types), a
// lone "\n" a line separator (U+2028, Shift+Enter), a lone "\r" the visible
// symbol U+240D; a tab stays a tab, the other control bytes become Control
// Pictures. PaneToBytes also takes "\n" and "\r" as paragraph breaks, as an
// edit control or a pasted text may hold them.
std::u16string BytesToPane(int codePage, std::string_view bytes);
bool PaneToBytes(int codePage, std::u16string_view text, std::string& bytes,
                 char32_t* missing = nullptr);
// Bytes PaneToBytes would give for a text it accepts.
size_t PaneByteCount(std::u16string_view text);

// Message box texts: a carriage return (alone or before a line feed) and a
// lone line feed are line breaks.
std::u16string BytesToMessage(int codePage, std::string_view bytes);

// Which code page a text looks written in: a plain count of letters typical
// of each. Words of two or more letters, all Cyrillic, count for 1251; other
// words count their letters typical of 1250 (ą ł ś ż ě ř ů ő ...) and of 1252
// (à è ñ ...); letters both share (é ö ß) count for none. The counts are
// added to counts: [0] 1250, [1] 1251, [2] 1252.
using LetterCounts = std::array<int64_t, 3>;
void CountTypicalLetters(std::string_view text, LetterCounts& counts);
// The code page with the highest count; 0 when nothing counted.
int LikelyCodePage(const LetterCounts& counts);

}  // namespace qp
