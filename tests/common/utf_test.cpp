#include "common/utf.h"

#include <gtest/gtest.h>

#include <string>

namespace q527 {

namespace {

TEST(Utf, RoundTripsEveryPlane) {
  // ASCII, "ソ" (whose Shift-JIS second byte is a backslash), "€", an emoji
  // (a surrogate pair), and the ends of the ranges.
  const std::u16string texts[] = {
      u"",       u"abc",        u"\u30BD",
      u"\u20AC", u"\U0001F600", u"\u007F\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF"};
  for (const std::u16string& t : texts) {
    EXPECT_EQ(Utf16FromUtf8(Utf8FromUtf16(t)), t);
  }
  EXPECT_EQ(Utf8FromUtf16(u"\u30BD"), "\xE3\x82\xBD");
  EXPECT_EQ(Utf8FromUtf16(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(Utf, InvalidSequencesBecomeOneReplacementEach) {
  struct Case {
    const char* name;
    std::string utf8;
    std::u16string utf16;
  };
  const Case cases[] = {
      {"lone continuation byte", "a\x80z", u"a\uFFFDz"},
      {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"surrogate in UTF-8", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"past U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"cut short: its valid beginning is one", "\xE3\x82z", u"\uFFFDz"},
      {"cut short at the end", "\xF0\x9F\x98", u"\uFFFD"},
      {"Shift-JIS bytes", "\x83\x5C", u"\uFFFD\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf16FromUtf8(c.utf8), c.utf16) << c.name;
  }
  // A lone half of a surrogate pair, either half.
  EXPECT_EQ(Utf8FromUtf16(std::u16string{u'a', 0xD800, u'b'}),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(Utf8FromUtf16(std::u16string{0xDC00}), "\xEF\xBF\xBD");
}

}  // namespace

}  // namespace q527
