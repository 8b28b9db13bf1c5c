// The driver's console layer: how a console is told to show bytes, file
// names as UTF-8, and the driver run in a folder whose name needs them.
#include "cli/console.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/utf8_paths.h"
#include "exchange/store.h"
#include "support/test_files.h"

namespace q527 {

namespace {

namespace fs = std::filesystem;

// The driver's texts are UTF-8; the exchange file's lines (-o - on a console)
// are Shift-JIS and must not be shown as UTF-8 replacement characters.
TEST(TextEncodingOfTest, TellsTheDriversTextsFromShiftJisBytes) {
  struct Case {
    const char* name;
    std::string bytes;
    TextEncoding want;
  };
  const Case cases[] = {
      {"empty", "", TextEncoding::kUtf8},
      {"ascii", "hd\r\n0 0 10 0\r\n", TextEncoding::kUtf8},
      {"utf8 status text", "\xe5\x86\x86\xe3\x83\x87\xe3\x83\xbc\xe3\x82\xbf", TextEncoding::kUtf8},
      {"utf8 ue euro emoji", "\xc3\xbc \xe2\x82\xac \xf0\x9f\x98\x80", TextEncoding::kUtf8},
      {"utf8 U+10FFFF", "\xf4\x8f\xbf\xbf", TextEncoding::kUtf8},
      {"sjis so-fu-to", "\x83\x5c\x83\x74\x83\x67", TextEncoding::kShiftJis},
      {"sjis text line", "ch 0 50 1 0 \"\x95\x5c\x8e\xa6\r\n", TextEncoding::kShiftJis},
      {"sjis half-width kana", "\xb1\xb2", TextEncoding::kShiftJis},
      {"truncated at the end", "abc\xe3\x82", TextEncoding::kShiftJis},
      {"overlong slash", "\xc0\xaf", TextEncoding::kShiftJis},
      {"overlong three bytes", "\xe0\x80\xaf", TextEncoding::kShiftJis},
      {"surrogate", "\xed\xa0\x80", TextEncoding::kShiftJis},
      {"past U+10FFFF", "\xf4\x90\x80\x80", TextEncoding::kShiftJis},
      {"lone continuation", "a\x80z", TextEncoding::kShiftJis},
      {"continuation missing", "\xe3\x41\x41", TextEncoding::kShiftJis},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextEncodingOf(c.bytes), c.want) << c.name;
  }
}

TEST(PathFromUtf8Test, KeepsEveryCharacterOfTheName) {
  const std::string name =
      "\xe3\x82\xbd\xe3\x83\x95\xe3\x83\x88_\xc3\xbc_\xe2\x82\xac_\xf0\x9f\x98\x80";
  const fs::path p = PathFromUtf8(name + "/JWC_TEMP.TXT");
  const std::u8string u8 = p.u8string();
  EXPECT_EQ(std::string(u8.begin(), u8.end()), name + "/JWC_TEMP.TXT");
  EXPECT_EQ(p.filename(), fs::path("JWC_TEMP.TXT"));
  EXPECT_TRUE(PathFromUtf8("").empty());
}

TEST(IsStatusTerminalTest, AFileIsNoTerminal) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  EXPECT_FALSE(IsStatusTerminal(f));
  std::fclose(f);
}

// The UTF-8 overloads in the driver's calls: the exchange file, the output
// file and the settings file all lie in a folder named with "ソ" (0x83 0x5C
// in Shift-JIS), "ü", "€" and an emoji.
TEST(Utf8FolderTest, DriverReadsWritesAndSavesThere) {
  TempDir dir("q527-console");
  const fs::path folder =
      PathFromUtf8("\xe3\x82\xbd\xe3\x83\x95\xe3\x83\x88_\xc3\xbc_\xe2\x82\xac_\xf0\x9f\x98\x80");
  fs::create_directories(dir / folder);
  const fs::path in = dir / folder / "JWC_TEMP.TXT";
  WriteFileBytes(in, "lg1\r\nci 10 20 5\r\n");
  WriteFileBytes(dir / folder / "q527.dat", "1\r\n2\r\n4\r\n1\r\n1\r\n1\r\n");
  const std::string f = folder.string();
  const CliResult r =
      RunCli(dir.path(), "--settings '" + f + "/q527.dat' '" + f + "/JWC_TEMP.TXT'");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(in),
            "hd\r\nlg1\r\nly0\r\nlc1\r\nlt1\r\n15 20 10 25\r\n10 25 5 20\r\n5 20 10 15\r\n10 15 15 "
            "20\r\n");
  EXPECT_NE(r.err.find(f + "/JWC_TEMP.TXT"), std::string::npos) << r.err;
  // Four segments: the count came from the settings file, which OK saved again.
  EXPECT_EQ(ReadFileBytes(dir / folder / "q527.dat"), "1\r\n2\r\n4\r\n1\r\n1\r\n1\r\n");

  const CliResult missing = RunCli(dir.path(), "'" + f + "/none.txt'");
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err, "q527-cli: " + f + "/none.txt: no such file\n");
}

}  // namespace

}  // namespace q527
