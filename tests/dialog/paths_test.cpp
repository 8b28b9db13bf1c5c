#include "dialog/paths.h"

#include <gtest/gtest.h>

#include <string>

namespace q527 {

namespace {

// "ソ" is 0x83 0x5C: its second byte is the backslash.
#define SO "\x83\x5C"

TEST(ExeDirOf, CutsAfterTheLastSeparator) {
  struct Case {
    std::string path, dir;
  };
  const Case cases[] = {
      {"C:\\tools\\q527.exe", "C:\\tools\\"},
      {"C:q527.exe", "C:"},
      {"q527.exe", ""},
      {"", ""},
      {"/opt/q527/q527", "/opt/q527/"},
      {"\\\\server\\share\\q527.exe", "\\\\server\\share\\"},
      // A folder named "ソフト" stays whole.
      {"C:\\" SO "\x83\x74\x83\x67\\q527.exe", "C:\\" SO "\x83\x74\x83\x67\\"},
      // A 0x5C that ends a character is no separator, even as the last one.
      {"C:\\dir\\" SO "q.exe", "C:\\dir\\"},
      {"C:\\dir\\" SO, "C:\\dir\\"},
      // A lead byte in the last position has nothing after it to swallow.
      {"C:\\dir\\q\x83", "C:\\dir\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ExeDirOf(std::string_view(c.path)), c.dir);
  }
}

TEST(SettingsPathOf, ReplacesOrAppendsTheExtension) {
  struct Case {
    std::string exe, dat;
  };
  const Case cases[] = {
      {"C:\\tools\\q527.exe", "C:\\tools\\q527.dat"},
      {"C:\\tools\\q527", "C:\\tools\\q527.dat"},
      {"C:\\my.dir\\q527", "C:\\my.dir\\q527.dat"},
      {"C:\\tools\\q.527.exe", "C:\\tools\\q.527.dat"},
      {"C:q527.exe", "C:q527.dat"},
      {"q527.", "q527.dat"},
      {"/opt/q527/q527", "/opt/q527/q527.dat"},
      {"C:\\" SO "\x83\x74\x83\x67\\q527.exe", "C:\\" SO "\x83\x74\x83\x67\\q527.dat"},
      // The dot before "ソ" belongs to the file's own name.
      {"C:\\dir\\q." SO, "C:\\dir\\q.dat"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.exe);
    EXPECT_EQ(SettingsPathOf(std::string_view(c.exe)), c.dat);
  }
}

TEST(WidePaths, FollowTheSameRulesWithoutLeadBytes) {
  EXPECT_EQ(ExeDirOf(std::wstring_view(L"C:\\\u30BD\u30D5\u30C8\\q527.exe")),
            L"C:\\\u30BD\u30D5\u30C8\\");
  EXPECT_EQ(SettingsPathOf(std::wstring_view(L"C:\\\u30BD\u30D5\u30C8\\q527.exe")),
            L"C:\\\u30BD\u30D5\u30C8\\q527.dat");
  EXPECT_EQ(SettingsPathOf(std::wstring_view(L"C:\\a.b\\q527")), L"C:\\a.b\\q527.dat");
  EXPECT_EQ(ExeDirOf(std::wstring_view(L"q527.exe")), L"");
  EXPECT_EQ(ExeDirOf(std::wstring_view(L"D:q527.exe")), L"D:");
}

}  // namespace

}  // namespace q527
