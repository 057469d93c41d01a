#include "platform/codepage.h"

#include <array>
#include <cstdint>
#include <cstdio>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace qp {

namespace {

// 0x80..0xFF of each code page.
constexpr char16_t k1250[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};
constexpr char16_t k1251[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
// 1252 differs from Latin-1 only in 0x80..0x9F.
constexpr char16_t k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char16_t kPictureBase = 0x2400;  // U+2400..U+241F: pictures of 0x00..0x1F
constexpr char16_t kPictureDel = 0x2421;   // picture of 0x7F
constexpr char16_t kLineSeparator = 0x2028;
constexpr char16_t kParagraphSeparator = 0x2029;
constexpr char32_t kReplacement = 0xFFFD;

// Every code page's characters and the reverse map, built once.
struct Table {
    std::array<char16_t, 256> chars{};
    std::array<unsigned char, 256> lower{};
    // Characters up to U+FFFF -> byte + 1 (0: none), in pages of 256.
    std::array<std::array<uint16_t, 256>, 256> bytes{};
};

// The lower case of the letters the three code pages hold.
char32_t LowerChar(char32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x178) return 0xFF;
        const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
        if (oddUpper ? (c & 1) : !(c & 1)) return c + 1;
        return c;
    }
    if (c == 0x152 || c == 0x160 || c == 0x17D) return c + 1;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (c == 0x490) return 0x491;
    return c;
}

Table Build(int codePage) {
    Table t;
    for (int b = 0; b < 256; ++b) {
        char16_t c = static_cast<char16_t>(b);
        if (b >= 0x80) {
            if (codePage == kCodePageCentralEuropean) c = k1250[b - 0x80];
            else if (codePage == kCodePageCyrillic) c = k1251[b - 0x80];
            else if (b < 0xA0) c = k1252High[b - 0x80];
        }
        t.chars[static_cast<size_t>(b)] = c;
        t.bytes[c >> 8][c & 0xFF] = static_cast<uint16_t>(b + 1);
    }
    for (int b = 0; b < 256; ++b) {
        const char32_t l = LowerChar(t.chars[static_cast<size_t>(b)]);
        const unsigned lb = l <= 0xFFFF ? t.bytes[l >> 8][l & 0xFF] : 0;
        t.lower[static_cast<size_t>(b)] = lb ? static_cast<unsigned char>(lb - 1) : static_cast<unsigned char>(b);
    }
    return t;
}

const Table& TableOf(int codePage) {
    if (codePage == kCodePageCentralEuropean) {
        static const Table t = Build(kCodePageCentralEuropean);
        return t;
    }
    if (codePage == kCodePageCyrillic) {
        static const Table t = Build(kCodePageCyrillic);
        return t;
    }
    static const Table t = Build(kCodePageWestern);
    return t;
}

bool IsControl(unsigned char b) { return b < 0x20 || b == 0x7F; }
char16_t Picture(unsigned char b) { return b == 0x7F ? kPictureDel : char16_t(kPictureBase + b); }

// The character at text[i] (a surrogate pair taken whole); i moves past it.
char32_t NextChar(std::u16string_view text, size_t& i) {
    char32_t c = text[i++];
    if (c >= 0xD800 && c <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
        c = 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
    return c;
}

// A character of a field, control pictures standing for their bytes.
bool PutChar(const Table& t, char32_t c, std::string& out, char32_t* missing) {
    if (c >= kPictureBase && c < kPictureBase + 0x20) {
        out.push_back(static_cast<char>(c - kPictureBase));
        return true;
    }
    if (c == kPictureDel) {
        out.push_back('\x7F');
        return true;
    }
    const unsigned b = c <= 0xFFFF ? t.bytes[c >> 8][c & 0xFF] : 0;
    if (!b) {
        if (missing) *missing = c;
        return false;
    }
    out.push_back(static_cast<char>(b - 1));
    return true;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool IsLatinLetter(char32_t c) { return c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7; }
bool IsCyrillicLetter(char32_t c) { return c >= 0x400 && c <= 0x4FF; }

// Letters common in the languages of 1250 (Polish, Czech, Slovak, Hungarian,
// Romanian) and of 1252 (French, Italian, Spanish, Portuguese). Where a byte
// is a common letter in both, it is taken for the Western one (è not č, ê not
// ę, ñ not ń), so that Western text never looks Central European; 1250 text
// shows by the letters whose bytes are rare or no letters in Western text:
// Polish ą ł ś ż, Czech ě ř ů (not ì ø ù), Hungarian ő ű.
constexpr char16_t kTypical1250[] = u"ąćłśźżěřůťďőűľşţĄĆŁŚŹŻĚŘŮŤĎŐŰĽŞŢ";
constexpr char16_t kTypical1252[] = u"àèêòñãåÀÈÊÒÑÃÅ";

bool Holds(std::u16string_view set, char16_t c) { return set.find(c) != std::u16string_view::npos; }

// What each byte tells of a text's code page.
enum : uint8_t {
    kTyp1250 = 1,      // a typical letter of 1250
    kCyrillic = 2,     // a Cyrillic letter in 1251
    kTyp1252 = 4,      // a typical letter of 1252
    kAsciiLetter = 8,
    kWordByte = 16,    // a letter in one of the code pages
};

const std::array<uint8_t, 256>& ByteKinds() {
    static const std::array<uint8_t, 256> kinds = [] {
        std::array<uint8_t, 256> k{};
        for (int b = 0; b < 256; ++b) {
            uint8_t& v = k[static_cast<size_t>(b)];
            if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) v = kAsciiLetter | kWordByte;
            if (b < 0x80) continue;
            const auto u = static_cast<unsigned char>(b);
            const char16_t c50 = ByteToChar(kCodePageCentralEuropean, u);
            const char16_t c51 = ByteToChar(kCodePageCyrillic, u);
            const char16_t c52 = ByteToChar(kCodePageWestern, u);
            if (Holds(kTypical1250, c50)) v |= kTyp1250;
            if (IsCyrillicLetter(c51)) v |= kCyrillic;
            if (Holds(kTypical1252, c52)) v |= kTyp1252;
            if (IsLatinLetter(c50) || IsCyrillicLetter(c51) || IsLatinLetter(c52)) v |= kWordByte;
        }
        return k;
    }();
    return kinds;
}

}  // namespace

bool IsSupportedCodePage(int codePage) {
    return codePage == kCodePageCentralEuropean || codePage == kCodePageCyrillic ||
           codePage == kCodePageWestern;
}

const char* CodePageName(int codePage) {
    if (codePage == kCodePageCentralEuropean) return "Central European";
    if (codePage == kCodePageCyrillic) return "Cyrillic";
    return "Western";
}

int SystemAnsiCodePage() {
#ifdef _WIN32
    return static_cast<int>(GetACP());
#else
    return 0;
#endif
}

char16_t ByteToChar(int codePage, unsigned char b) { return TableOf(codePage).chars[b]; }

int CharToByte(int codePage, char32_t c) {
    if (c > 0xFFFF) return -1;
    const unsigned b = TableOf(codePage).bytes[c >> 8][c & 0xFF];
    return b ? static_cast<int>(b) - 1 : -1;
}

unsigned char LowerByte(int codePage, unsigned char b) { return TableOf(codePage).lower[b]; }

std::string DescribeChar(char32_t c) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    std::string out = code;
    // The character itself only where a terminal or box can show it.
    if (c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0) && c != kReplacement &&
        !(c >= 0xD800 && c <= 0xDFFF) && c <= 0x10FFFF) {
        out += " (";
        AppendUtf8(out, c);
        out += ")";
    }
    return out;
}

std::string MissingCharMessage(int codePage, char32_t c) {
    return "THE CODE PAGE " + std::to_string(codePage) + " HAS NO CHARACTER " + DescribeChar(c) +
           ".\rIT CANNOT BE PART OF A NAME OR TEXT.";
}

std::string ToUtf8(int codePage, std::string_view bytes) {
    const Table& t = TableOf(codePage);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (unsigned char b : bytes) AppendUtf8(out, t.chars[b]);
    return out;
}

bool FromUtf8(int codePage, std::string_view utf8, std::string& bytes, char32_t* missing) {
    const Table& t = TableOf(codePage);
    bytes.clear();
    bytes.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
        char32_t c = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
        bool ok = extra >= 0 && i + 1 + static_cast<size_t>(extra) <= utf8.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const unsigned char cont = static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)]);
            ok = (cont & 0xC0) == 0x80;
            c = (c << 6) | (cont & 0x3F);
        }
        // Overlong forms and surrogates are not characters.
        static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (ok && (c < kLeast[extra < 0 ? 0 : extra] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)) ok = false;
        if (!ok) {
            if (missing) *missing = kReplacement;
            return false;
        }
        const unsigned b = c <= 0xFFFF ? t.bytes[c >> 8][c & 0xFF] : 0;
        if (!b) {
            if (missing) *missing = c;
            return false;
        }
        bytes.push_back(static_cast<char>(b - 1));
        i += 1 + static_cast<size_t>(extra);
    }
    return true;
}

std::u16string BytesToLine(int codePage, std::string_view bytes) {
    const Table& t = TableOf(codePage);
    std::u16string out;
    out.reserve(bytes.size());
    for (unsigned char b : bytes) out.push_back(IsControl(b) ? Picture(b) : t.chars[b]);
    return out;
}

bool LineToBytes(int codePage, std::u16string_view text, std::string& bytes, char32_t* missing) {
    const Table& t = TableOf(codePage);
    bytes.clear();
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size();)
        if (!PutChar(t, NextChar(text, i), bytes, missing)) return false;
    return true;
}

std::u16string BytesToPane(int codePage, std::string_view bytes) {
    const Table& t = TableOf(codePage);
    std::u16string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b == '\r') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                out.push_back(kParagraphSeparator);
                ++i;
            } else {
                out.push_back(Picture('\r'));
            }
        } else if (b == '\n') {
            out.push_back(kLineSeparator);
        } else if (b == '\t') {
            out.push_back(u'\t');
        } else {
            out.push_back(IsControl(b) ? Picture(b) : t.chars[b]);
        }
    }
    return out;
}

bool PaneToBytes(int codePage, std::u16string_view text, std::string& bytes, char32_t* missing) {
    const Table& t = TableOf(codePage);
    bytes.clear();
    bytes.reserve(text.size() + 64);
    for (size_t i = 0; i < text.size();) {
        const char32_t c = NextChar(text, i);
        if (c == kParagraphSeparator || c == u'\n') {
            bytes += "\r\n";
        } else if (c == u'\r') {
            bytes += "\r\n";
            if (i < text.size() && text[i] == u'\n') ++i;
        } else if (c == kLineSeparator) {
            bytes.push_back('\n');
        } else if (c == u'\t') {
            bytes.push_back('\t');
        } else if (!PutChar(t, c, bytes, missing)) {
            return false;
        }
    }
    return true;
}

size_t PaneByteCount(std::u16string_view text) {
    size_t n = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == kParagraphSeparator || c == u'\n') {
            n += 2;
        } else if (c == u'\r') {
            n += 2;
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF && i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF) {
            // the second half of a pair; refused on conversion anyway
        } else {
            ++n;
        }
    }
    return n;
}

std::u16string BytesToMessage(int codePage, std::string_view bytes) {
    const Table& t = TableOf(codePage);
    std::u16string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b == '\r') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            out.push_back(u'\n');
        } else if (b == '\n' || b == '\t') {
            out.push_back(b);
        } else {
            out.push_back(IsControl(b) ? Picture(b) : t.chars[b]);
        }
    }
    return out;
}

void CountTypicalLetters(std::string_view text, LetterCounts& counts) {
    const auto& kinds = ByteKinds();
    auto kind = [&](size_t i) { return kinds[static_cast<unsigned char>(text[i])]; };
    for (size_t i = 0; i < text.size();) {
        if (!(kind(i) & kWordByte)) {
            ++i;
            continue;
        }
        size_t end = i;
        bool ascii = false, cyrillic = true;
        for (; end < text.size() && (kind(end) & kWordByte); ++end) {
            ascii = ascii || (kind(end) & kAsciiLetter);
            cyrillic = cyrillic && (kind(end) & kCyrillic);
        }
        // A Cyrillic word has no Latin letter in it; one letter alone (French
        // "à", Russian "и") tells nothing of the script.
        if (cyrillic && end - i >= 2) {
            counts[1] += static_cast<int64_t>(end - i);
        } else {
            for (size_t k = i; k < end; ++k) {
                if (kind(k) & kTyp1250) ++counts[0];
                if (kind(k) & kTyp1252) ++counts[2];
            }
        }
        i = end;
    }
}

int LikelyCodePage(const LetterCounts& counts) {
    // A tie goes to 1252, then 1251.
    int best = 0;
    int64_t most = 0;
    for (int i : {2, 1, 0}) {
        if (counts[static_cast<size_t>(i)] > most) {
            most = counts[static_cast<size_t>(i)];
            best = kCodePageCentralEuropean + i;
        }
    }
    return best;
}

}  // namespace qp
