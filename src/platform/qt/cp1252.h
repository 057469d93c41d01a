// Plugin and dictionary texts are raw bytes in the Windows-1252 code page.
// These functions turn them into text a Qt widget can show and back, so that
// every byte string survives the trip unchanged: all 256 byte values, line
// breaks included. Characters typed by the user that have no byte in the code
// page come back as '?'.
#pragma once

#include <QString>
#include <string>

namespace qp::cp1252 {

// One byte as a character. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their own value as a C1 code point.
char16_t ByteToChar(unsigned char b);
// The byte of a character, or -1 when the code page has none.
int CharToByte(char16_t c);

// Single-line fields and list cells: control bytes (0x00-0x1F, 0x7F) become
// the visible Control Pictures U+2400.. (U+2421 for 0x7F) so that a field
// never swallows or reinterprets them.
QString BytesToLine(const std::string& bytes);
std::string LineToBytes(const QString& text);

// Multi-line panes, in the raw form a QTextDocument holds its text:
// "\r\n" is a paragraph break (U+2029, what Enter types), a lone "\n" a line
// separator (U+2028, Shift+Enter), a lone "\r" the visible symbol U+240D; tab
// stays a tab and the other control bytes become Control Pictures.
QString BytesToPane(const std::string& bytes);
std::string PaneToBytes(const QString& raw);
// Byte length PaneToBytes would give, without building the string.
size_t PaneByteCount(const QString& raw);

// Message box texts: a carriage return (alone or before a line feed) and a
// lone line feed are line breaks.
QString BytesToMessage(const std::string& bytes);

}  // namespace qp::cp1252
