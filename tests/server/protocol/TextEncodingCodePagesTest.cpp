// Texts of machines whose ANSI code page is not Windows-1252: what was stored read as
// Windows-1252 (toUtf8), read again in the page the result names.
#include <gtest/gtest.h>

#include "server/protocol/TextEncoding.h"
#include "server/protocol/TextEncodingCodePages.h"

TEST(TextEncodingCodePages, ReadsEachPageItsMachinesWriteIn)
{
    // The bytes each machine sends, worked out from the pages' tables.
    struct Case {
        int codePage;
        const char* sent;
        const char* text;
    };
    const Case cases[] = {
        {1251, "10 \xCA\xEE\xF0\xEF\xEE\xF0\xE0\xF2\xE8\xE2\xED\xE0\xFF", "10 Корпоративная"},
        {936, "\xBC\xD2\xCD\xA5\xD6\xD0\xCE\xC4\xB0\xE6", "家庭中文版"},
        {1250, "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1", "Zażółć gęślą jaźń"},
        // Shift-JIS trail bytes can be ASCII ("z", "["); 0x81 is one of Windows-1252's holes.
        {932, "\x83z\x81[\x83\x80", "ホーム"},
        // UTF-8 by chance ("Ȩ"), so toUtf8 kept the bytes as they came.
        {949, "\xC8\xA8", "홈"},
        {950, "\xAE" "a\xA5\xCE\xAA\xA9", "家用版"},
        {874, "\xE4\xB7\xC2", "ไทย"},
        {1253, "\xCF\xE9\xEA\xE9\xE1\xEA\xDE", "Οικιακή"},
        {1255, "\xE1\xE9\xFA\xE9\xFA", "ביתית"},
        {1258, "\xD0\xC3\xF5", "ĐĂơ"},
    };
    for (const Case& c : cases) {
        const std::string stored = toUtf8(c.sent);
        EXPECT_EQ(inCodePage(stored, c.codePage), c.text) << c.codePage;
        EXPECT_TRUE(isReadableCodePage(c.codePage)) << c.codePage;
    }
    // The two names of the bug report, as Windows-1252 made them.
    EXPECT_EQ(toUtf8("10 \xCA\xEE\xF0\xEF\xEE\xF0\xE0\xF2\xE8\xE2\xED\xE0\xFF"), "10 Êîðïîðàòèâíàÿ");
    EXPECT_EQ(inCodePage("10 Êîðïîðàòèâíàÿ", 1251), "10 Корпоративная");
    EXPECT_EQ(inCodePage("¼ÒÍ¥ÖÐÎÄ°æ", 936), "家庭中文版");
    // Stored from the UTF-8 bytes C3 83 C2 A9, kept as they came: read back as Windows-1252
    // they would be C3 A9, which are UTF-8 and would have been kept too, so they are not what
    // was sent; the bytes sent are the stored ones, in Windows-1251 "ГѓВ©".
    EXPECT_EQ(inCodePage("Ã©", 1251), "ГѓВ©");
}

TEST(TextEncodingCodePages, LeavesWhatItCannotReadAsItWas)
{
    struct Case {
        const char* why;
        std::string stored;
        int codePage;
    };
    const Case cases[] = {
        {"Windows-1252 is how it was read", "10 Êîðïîðàòèâíàÿ", 1252},
        {"plain ASCII reads alike in every page", "NVIDIA GeForce RTX 4080", 1251},
        {"plain ASCII in a double-byte page", "Intel(R) Core(TM) i7-8700", 932},
        {"a page this server does not read", "10 Êîðïîðàòèâíàÿ", 437},
        {"UTF-8 as the ANSI code page", "10 Êîðïîðàòèâíàÿ", 65001},
        {"no page", "10 Êîðïîðàòèâíàÿ", 0},
        {"a byte that page leaves undefined", toUtf8("\x98"), 1251},
        {"a double-byte character cut in half", toUtf8("Intel \x83"), 932},
    };
    for (const Case& c : cases)
        EXPECT_EQ(inCodePage(c.stored, c.codePage), c.stored) << c.why;
}

TEST(TextEncodingCodePages, NamesOnlyPagesItReads)
{
    EXPECT_EQ(codePageNamed("1251"), 1251);
    EXPECT_EQ(codePageNamed("874"), 874);
    EXPECT_EQ(codePageNamed("932"), 932);
    EXPECT_EQ(codePageNamed("1252"), 1252);
    for (const char* none : {"", "437", "65001", "1259", "-1251", "1251 ", "12a1", "99999999999", "0"})
        EXPECT_EQ(codePageNamed(none), 0) << none;
}
