#include "platform/Utf8.h"

#include <gtest/gtest.h>

namespace {

using platform::Utf16FromUtf8;
using platform::Utf8FromUtf16;

TEST(Utf8, WindowTextsGoThereAndBack) {
    for (const std::u16string& text :
         {std::u16string(u""), std::u16string(u"Поиск хабов"), std::u16string(u"«Тамрил» 3.15\r\n"),
          std::u16string(u"\U0001F50C ports")}) {
        EXPECT_EQ(Utf16FromUtf8(Utf8FromUtf16(text)), text);
    }
    EXPECT_EQ(Utf16FromUtf8("\xF0\x9F\x94\x8C").size(), 2u); // a surrogate pair
}

TEST(Utf8, MalformedBytesBecomeOneReplacementEach) {
    // A hub's model text is bytes from the network: whatever they hold, the window shows
    // a replacement for each bad byte and the rest as it is.
    EXPECT_EQ(Utf16FromUtf8("a\x80z"), u"a\uFFFDz");                 // a lone continuation
    EXPECT_EQ(Utf16FromUtf8("a\xD0"), u"a\uFFFD");                   // cut short at the end
    EXPECT_EQ(Utf16FromUtf8("\xD0z"), u"\uFFFDz");                   // cut short by a letter
    EXPECT_EQ(Utf16FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");           // overlong "/"
    EXPECT_EQ(Utf16FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD"); // an encoded surrogate
    EXPECT_EQ(Utf16FromUtf8("\xF4\x90\x80\x80").size(), 4u);         // beyond U+10FFFF
    EXPECT_EQ(Utf16FromUtf8("\xC8\xEE\xED"), u"\uFFFD\uFFFD\uFFFD"); // CP1251, not UTF-8
}

} // namespace
