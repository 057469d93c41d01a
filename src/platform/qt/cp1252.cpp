#include "platform/qt/cp1252.h"

namespace qp::cp1252 {

namespace {

// 0x80..0x9F; the undefined positions map to themselves.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char16_t kPictureBase = 0x2400;  // U+2400..U+241F: pictures of 0x00..0x1F
constexpr char16_t kPictureDel = 0x2421;   // picture of 0x7F
constexpr char16_t kLineSeparator = 0x2028;
constexpr char16_t kParagraphSeparator = 0x2029;

bool IsControl(unsigned char b) { return b < 0x20 || b == 0x7F; }

char16_t Picture(unsigned char b) { return b == 0x7F ? kPictureDel : char16_t(kPictureBase + b); }

// The byte a character stands for, control pictures included; '?' if none.
char ToByteOrQuestion(char16_t c) {
    if (c >= kPictureBase && c < kPictureBase + 0x20) return char(c - kPictureBase);
    if (c == kPictureDel) return char(0x7F);
    int b = CharToByte(c);
    return b < 0 ? '?' : char(b);
}

}  // namespace

char16_t ByteToChar(unsigned char b) {
    if (b >= 0x80 && b < 0xA0) return kHigh[b - 0x80];
    return char16_t(b);
}

int CharToByte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c) return 0x80 + i;
    return -1;
}

QString BytesToLine(const std::string& bytes) {
    QString out;
    out.reserve(qsizetype(bytes.size()));
    for (unsigned char b : bytes) out.append(QChar(IsControl(b) ? Picture(b) : ByteToChar(b)));
    return out;
}

std::string LineToBytes(const QString& text) {
    std::string out;
    out.reserve(size_t(text.size()));
    for (QChar c : text) out.push_back(ToByteOrQuestion(c.unicode()));
    return out;
}

QString BytesToPane(const std::string& bytes) {
    QString out;
    out.reserve(qsizetype(bytes.size()));
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b == '\r') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                out.append(QChar(kParagraphSeparator));
                ++i;
            } else {
                out.append(QChar(Picture('\r')));
            }
        } else if (b == '\n') {
            out.append(QChar(kLineSeparator));
        } else if (b == '\t') {
            out.append(QChar('\t'));
        } else {
            out.append(QChar(IsControl(b) ? Picture(b) : ByteToChar(b)));
        }
    }
    return out;
}

std::string PaneToBytes(const QString& raw) {
    std::string out;
    out.reserve(size_t(raw.size()) + 64);
    for (QChar qc : raw) {
        char16_t c = qc.unicode();
        if (c == kParagraphSeparator || c == '\n') {
            // '\n' does not occur in a document's raw text, but a plain
            // string from elsewhere means the same break.
            out += "\r\n";
        } else if (c == kLineSeparator) {
            out.push_back('\n');
        } else if (c == '\r') {
            out += "\r\n";
        } else {
            out.push_back(ToByteOrQuestion(c));
        }
    }
    return out;
}

size_t PaneByteCount(const QString& raw) {
    size_t n = 0;
    for (QChar qc : raw) {
        char16_t c = qc.unicode();
        n += (c == kParagraphSeparator || c == '\n' || c == '\r') ? 2 : 1;
    }
    return n;
}

QString BytesToMessage(const std::string& bytes) {
    QString out;
    out.reserve(qsizetype(bytes.size()));
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b == '\r') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            out.append(QChar('\n'));
        } else if (b == '\n' || b == '\t') {
            out.append(QChar(b));
        } else {
            out.append(QChar(IsControl(b) ? Picture(b) : ByteToChar(b)));
        }
    }
    return out;
}

}  // namespace qp::cp1252
