// Code pages: every byte survives each way a window or a terminal shows it,
// letters fold within their code page, and characters a code page lacks are
// refused by name.
#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace {

std::string AllBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b) s.push_back(static_cast<char>(b));
    return s + "\r\n\n\r\r\n";
}

TEST(CodePage, EveryByteRoundTripsEveryWay) {
    const std::string all = AllBytes();
    for (int cp : {1250, 1251, 1252}) {
        std::string back;
        EXPECT_TRUE(qp::LineToBytes(cp, qp::BytesToLine(cp, all), back));
        EXPECT_EQ(back, all) << cp << " line";
        EXPECT_TRUE(qp::PaneToBytes(cp, qp::BytesToPane(cp, all), back));
        EXPECT_EQ(back, all) << cp << " pane";
        EXPECT_EQ(qp::PaneByteCount(qp::BytesToPane(cp, all)), all.size());
        EXPECT_TRUE(qp::FromUtf8(cp, qp::ToUtf8(cp, all), back));
        EXPECT_EQ(back, all) << cp << " UTF-8";
        std::u16string line = qp::BytesToLine(cp, all);
        EXPECT_EQ(std::u16string(line.begin(), line.begin() + 32).find_first_of(u"\r\n"),
                  std::u16string::npos) << "control bytes show as pictures";
    }
}

TEST(CodePage, LettersAndRefusals) {
    struct Case {
        int cp;
        const char* utf8;
        std::string bytes;
        std::string lower;
    };
    const Case cases[] = {
        {1251, "Балмора Ёж", "\xC1\xE0\xEB\xEC\xEE\xF0\xE0 \xA8\xE6", "\xE1\xE0\xEB\xEC\xEE\xF0\xE0 \xB8\xE6"},
        {1250, "Łódź Śląsk", "\xA3\xF3\x64\x9F \x8C\x6C\xB9sk", "\xB3\xF3\x64\x9F \x9C\x6C\xB9sk"},
        {1252, "Ÿvès ŒUF", "\x9Fv\xE8s \x8CUF", "\xFFv\xE8s \x9C" "uf"},
    };
    for (const Case& c : cases) {
        std::string bytes, lower;
        ASSERT_TRUE(qp::FromUtf8(c.cp, c.utf8, bytes)) << c.utf8;
        EXPECT_EQ(bytes, c.bytes) << c.utf8;
        EXPECT_EQ(qp::ToUtf8(c.cp, bytes), c.utf8);
        for (unsigned char b : bytes) lower.push_back(static_cast<char>(qp::LowerByte(c.cp, b)));
        EXPECT_EQ(lower, c.lower) << c.utf8;
    }
    std::string bytes;
    char32_t missing = 0;
    EXPECT_FALSE(qp::FromUtf8(1252, "Балмора", bytes, &missing));
    EXPECT_EQ(qp::DescribeChar(missing), "U+0411 (Б)");
    EXPECT_FALSE(qp::LineToBytes(1251, u"Łódź", bytes, &missing));
    EXPECT_EQ(missing, U'Ł');
    EXPECT_FALSE(qp::PaneToBytes(1250, u"a\U0001F600", bytes, &missing));
    EXPECT_EQ(missing, U'\U0001F600');
    for (const char* broken : {"\xC3", "\xC3\x28", "\xC0\xAF", "\xED\xA0\x80"}) {
        EXPECT_FALSE(qp::FromUtf8(1252, broken, bytes, &missing)) << "not UTF-8";
        EXPECT_EQ(missing, U'\uFFFD');
    }
}

// The code page a text looks written in, from the letters typical of each.
TEST(CodePage, TypicalLettersTellTheCodePage) {
    const std::pair<int, const char*> texts[] = {
        {1251, "Балмора, Вивек и Альд'рун: старый город"}, {1251, "Київ і Львів: п'ять мостів"},
        {1250, "Łódź i Gdańsk: żółta gęś"}, {1250, "Příběh Brna: řeka, černý kůň"},
        {1250, "Győr, tűzoltó"}, {1252, "Château de la Forêt, à côté du lac"},
        {1252, "El niño y la señora"}, {0, "Fennick Crossing, Müller Straße"},
    };
    for (const auto& [cp, utf8] : texts) {
        std::string bytes;
        ASSERT_TRUE(qp::FromUtf8(cp ? cp : 1252, utf8, bytes)) << utf8;
        qp::LetterCounts counts{};
        qp::CountTypicalLetters(bytes, counts);
        EXPECT_EQ(qp::LikelyCodePage(counts), cp) << utf8;
    }
}

}  // namespace
