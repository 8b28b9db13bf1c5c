#include "exchange/writer.h"

#include <gtest/gtest.h>

#include <array>

#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/myfunc.h"
#include "exchange/file_io.h"

namespace q527 {

namespace {

using Lines = std::vector<std::string>;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A fresh store and its writer, started.
struct Fresh {
  Store store;
  TJwwWriter w{store};
  Fresh() {
    JwwInit(store);
    JwwWriteStart(w);
  }
};

// The output bytes split at CR LF; every line must end with one and the
// count must match.
Lines Out(const TJwwWriter& s) {
  Lines lines;
  const std::string& b = s.lines.bytes;
  std::size_t start = 0;
  while (start < b.size()) {
    const std::size_t end = b.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "unterminated line: " << b.substr(start);
      break;
    }
    lines.push_back(b.substr(start, end - start));
    start = end + 2;
  }
  EXPECT_EQ(lines.size(), s.lines.count);
  return lines;
}

struct Case {
  const char* name;
  std::function<void(TJwwWriter&)> run;
  Lines expected;
};

void RunCases(const std::vector<Case>& cases, const std::function<void(Store&)>& setup = {}) {
  for (const Case& c : cases) {
    Fresh f;
    if (setup) setup(f.store);
    c.run(f.w);
    EXPECT_EQ(Out(f.w), c.expected) << c.name;
  }
}

// "<ＭＳ ゴシック>" as the font line carries it.
const std::string kDefaultFontLine = "cn\"$" + std::string(kJwwDefaultFont);

TEST(WriterAttributeTest, WritesOnlyChangesAfterStart) {
  RunCases({
      {"lg0 is written once after the start", [](TJwwWriter& s) { JwwOutLg(s, 0); JwwOutLg(s, 0); },
       {"lg0"}},
      {"hexadecimal layer group", [](TJwwWriter& s) { JwwOutLg(s, 12); }, {"lgC"}},
      {"a layer line follows every layer-group line",
       [](TJwwWriter& s) {
         JwwOutLg(s, 1); JwwOutLy(s, 2); JwwOutLg(s, 1); JwwOutLy(s, 2);
         JwwOutLg(s, 3); JwwOutLy(s, 2); JwwOutLy(s, 15);
       },
       {"lg1", "ly2", "lg3", "ly2", "lyF"}},
      {"negative layer as its 32-bit pattern", [](TJwwWriter& s) { JwwOutLy(s, -1); }, {"lyFFFFFFFF"}},
      {"colour and line type", [](TJwwWriter& s) {
         JwwOutLc(s, 1); JwwOutLc(s, 1); JwwOutLc(s, -2); JwwOutLt(s, 1); JwwOutLt(s, 1); JwwOutLt(s, 7);
       },
       {"lc1", "lc-2", "lt1", "lt7"}},
      {"cc outside 0..8 is 0", [](TJwwWriter& s) { JwwOutCc(s, 9); JwwOutCc(s, -1); JwwOutCc(s, 8); },
       {"cc0", "cc8"}},
      {"point colour", [](TJwwWriter& s) { JwwOutPn(s, 1); JwwOutPn(s, 1); JwwOutPn(s, 4); },
       {"pn1", "pn4"}},
      {"z-flags: z4 only without z5", [](TJwwWriter& s) {
         JwwOutZ(s, 24); JwwOutZ(s, 31); JwwOutZ(s, 8); JwwOutZ(s, 0); JwwOutZ(s, 24);
       },
       {"z5", "z1", "z2", "z3", "z5", "z4", "z5"}},
  });
}

TEST(WriterAttributeTest, LineWidthOnlyForFilesThatHadOne) {
  RunCases({{"no lw in the file read", [](TJwwWriter& s) { JwwOutLw(s, 3); JwwOutLw(s, -1); }, {}}});
  RunCases(
      {
          {"out of range is 0", [](TJwwWriter& s) { JwwOutLw(s, 40000); JwwOutLw(s, -5); }, {"lw0"}},
          {"-1 is the initial width", [](TJwwWriter& s) { JwwOutLw(s, -1); JwwOutLw(s, 7); }, {"lw7"}},
          {"30000 is kept", [](TJwwWriter& s) { JwwOutLw(s, 30000); JwwOutLw(s, 30001); },
           {"lw30000", "lw0"}},
      },
      [](Store& s) {
        s.cur.lwGiven = true;
        s.initial.lwidth = 7;
      });
}

TEST(WriterAttributeTest, CharacterKind) {
  RunCases({
      {"free sizes compared exactly, colour included",
       [](TJwwWriter& s) {
         JwwOutCn(s, 0, 1, 2.5, 2.5, 0);
         JwwOutCn(s, 0, 1, 2.5, 2.5, 0);
         JwwOutCn(s, 0, 2, 2.5, 2.5, 0);
         JwwOutCn(s, 0, 2, 2.5, 2.5000000000000004, 0);
       },
       // The last differs beyond the 15 digits written: still a change.
       {"cn0 2.5 2.5 0 1", "cn0 2.5 2.5 0 2", "cn0 2.5 2.5 0 2"}},
      {"numbered kinds ignore the sizes",
       [](TJwwWriter& s) { JwwOutCn(s, 3, 1, 1, 1, 1); JwwOutCn(s, 3, 5, 9, 9, 9); JwwOutCn(s, 10, 0, 0, 0, 0); },
       {"cn3", "cn10"}},
      {"out of range takes the initial kind",
       [](TJwwWriter& s) { JwwOutCn(s, 11, 1, 1, 1, 1); JwwOutCn(s, -1, 1, 1, 1, 1); JwwOutCn(s, 1, 1, 1, 1, 1); },
       {"cn1"}},
      {"sizes that are no number keep the last written ones",
       [](TJwwWriter& s) { JwwOutCn(s, 0, 3, kInf, kNaN, -kInf); JwwOutCn(s, 0, 3, 4, kNaN, 0); },
       {"cn0 2 2 0 3", "cn0 4 2 0 3"}},
  });
  // An initial free-size kind brings its sizes and colour along.
  RunCases({{"initial kind 0", [](TJwwWriter& s) { JwwOutCn(s, 12, 9, 9, 9, 9); JwwOutCn(s, 0, 6, 4, 5, 0.5); },
             {"cn0 4 5 0.5 6"}}},
           [](Store& s) {
             s.initial.ckind = 0;
             s.initial.freeWidth = 4;
             s.initial.freeHeight = 5;
             s.initial.freeSpacing = 0.5;
             s.initial.freeColor = 6;
           });
}

TEST(WriterAttributeTest, Font) {
  RunCases({
      {"empty and <> mean the initial font, which is empty here",
       [](TJwwWriter& s) { JwwOutFont(s, ""); JwwOutFont(s, "<>"); JwwOutFont(s, "x y"); },
       {"cn\"$", "cn\"$x y"}},
      {"same bytes write once", [](TJwwWriter& s) { JwwOutFont(s, kJwwDefaultFont); JwwOutFont(s, kJwwDefaultFont); },
       {kDefaultFontLine}},
      {"a name ending in a quote does not swallow the next line",
       [](TJwwWriter& s) { JwwOutFont(s, "ab\""); JwwOutLg(s, 0); }, {"cn\"$ab\"", "lg0"}},
  });
  RunCases({{"initial font", [](TJwwWriter& s) { JwwOutFont(s, "<>"); JwwOutFont(s, "F"); }, {"cn\"$F"}}},
           [](Store& s) { s.initial.font = "F"; });
}

TEST(WriterAttributeTest, SolidColour) {
  RunCases({
      {"lc10 then the same solid colour", [](TJwwWriter& s) { JwwOutLc(s, 10); JwwOutLc10(s, 0); }, {"lc10"}},
      {"lc10 then another solid colour", [](TJwwWriter& s) { JwwOutLc(s, 10); JwwOutLc10(s, 5); },
       {"lc10", "lc10 5"}},
      {"another colour first", [](TJwwWriter& s) { JwwOutLc(s, 3); JwwOutLc10(s, 5); JwwOutLc10(s, 5); },
       {"lc3", "lc10 5"}},
      {"right after the start", [](TJwwWriter& s) { JwwOutLc10(s, 0); JwwOutLc(s, 10); }, {"lc10 0"}},
      {"out of range is 0",
       [](TJwwWriter& s) { JwwOutLc10(s, 0x1000000); JwwOutLc10(s, -1); JwwOutLc10(s, 0xFFFFFF); },
       {"lc10 0", "lc10 16777215"}},
      {"a colour line between", [](TJwwWriter& s) { JwwOutLc10(s, 7); JwwOutLc(s, 2); JwwOutLc10(s, 7); },
       {"lc10 7", "lc2", "lc10 7"}},
  });
}

TEST(WriterAttributeTest, StartResetsTheMemory) {
  Fresh f;
  TJwwWriter& s = f.w;
  JwwOutLg(s, 0);
  JwwOutLc(s, 1);
  JwwOutFont(s, kJwwDefaultFont);
  f.store.cur.zflags = 5;
  f.store.cur.lwGiven = true;
  JwwWriteStart(s);
  JwwClearOut(s.lines);
  JwwOutLg(s, 0);
  JwwOutLc(s, 1);
  JwwOutFont(s, kJwwDefaultFont);
  EXPECT_EQ(Out(s), (Lines{"lg0", "lc1", kDefaultFontLine}));
  EXPECT_EQ(f.store.cur.zflags, 5);  // left to the reader's state
  EXPECT_TRUE(f.store.cur.lwGiven);
}

TEST(WriterFigureTest, LinesAndPoints) {
  RunCases({
      {"line", [](TJwwWriter& s) { JwwOutLine(s, 0, -1.5, 2e20, 0.1 + 0.2); }, {"0 -1.5 2E20 0.3"}},
      {"zero length", [](TJwwWriter& s) { JwwOutLine(s, 1, 1, 1, 1); }, {}},
      {"shorter than 1e-8 both ways", [](TJwwWriter& s) { JwwOutLine(s, 0, 0, 9e-9, -9e-9); }, {}},
      {"1e-8 in one direction", [](TJwwWriter& s) { JwwOutLine(s, 0, 0, 0, 2e-8); }, {"0 0 0 2E-8"}},
      {"non-finite line", [](TJwwWriter& s) { JwwOutLine(s, 0, 0, kInf, 1); JwwOutLine(s, kNaN, 0, 1, 1); }, {}},
      {"point", [](TJwwWriter& s) { JwwOutPoint(s, 0, 0); JwwOutPoint(s, -3, 4.25); }, {"pt 0 0", "pt -3 4.25"}},
      {"non-finite point", [](TJwwWriter& s) { JwwOutPoint(s, kNaN, 0); }, {}},
      {"extended point replacements",
       [](TJwwWriter& s) {
         JwwOutPointEx(s, 0, 0, 0, 5, 12);
         JwwOutPointEx(s, 1, 2, -1e-9, 4, -8);
         JwwOutPointEx(s, 1, 2, 3, 4, -7);
         JwwOutPointEx(s, 1, 2, 3, 4, 11);
       },
       {"pt 0 0 1 5 -3", "pt 1 2 1 4 -3", "pt 1 2 3 4 -7", "pt 1 2 3 4 11"}},
      {"non-finite extended point", [](TJwwWriter& s) { JwwOutPointEx(s, 0, 0, 1, kInf, 0); }, {}},
  });
}

TEST(WriterFigureTest, CirclesAndArcs) {
  RunCases({
      {"circle", [](TJwwWriter& s) { JwwOutCircle(s, 1, 2, 3); }, {"ci 1 2 3"}},
      {"zero and negative radius", [](TJwwWriter& s) { JwwOutCircle(s, 0, 0, 0); JwwOutCircle(s, 0, 0, -5); }, {}},
      {"radius just under the tolerance", [](TJwwWriter& s) { JwwOutCircle(s, 0, 0, 9.99e-9); }, {}},
      {"non-finite circle", [](TJwwWriter& s) { JwwOutCircle(s, 0, kInf, 1); JwwOutCircle(s, 0, 0, kNaN); }, {}},
      {"arc", [](TJwwWriter& s) { JwwOutArc(s, 0, 0, 10, 0, 90, 1, 0); }, {"ci 0 0 10 0 90 1 0"}},
      {"negative flatness is kept", [](TJwwWriter& s) { JwwOutArc(s, 0, 0, 10, 0, 90, -0.5, 30); },
       {"ci 0 0 10 0 90 -0.5 30"}},
      {"flat or pointless arcs",
       [](TJwwWriter& s) {
         JwwOutArc(s, 0, 0, 10, 0, 90, 0, 0);
         JwwOutArc(s, 0, 0, 10, 0, 90, -1e-9, 0);
         JwwOutArc(s, 0, 0, 0, 0, 90, 1, 0);
         JwwOutArc(s, 0, 0, 10, kNaN, 90, 1, 0);
       },
       {}},
  });
  // The tolerance is held at extended precision, where it lies below the
  // double nearest to 1e-8.
  if (std::numeric_limits<long double>::digits > 53) {
    RunCases({{"radius of the double 1e-8", [](TJwwWriter& s) { JwwOutCircle(s, 0, 0, 1e-8); }, {"ci 0 0 1E-8"}}});
  }
}

TEST(WriterFigureTest, Texts) {
  const std::string fullWidthBlanks = "\x81\x40\x81\x40";
  RunCases({
      {"text and command form one line", [](TJwwWriter& s) { JwwOutText(s, 0, "a b  c", 0, 0, 1, 0); },
       {"ch 0 0 1 0 \"a b  c"}},
      {"keyword codes", [](TJwwWriter& s) {
         JwwOutText(s, 1, "t", 1, 2, 0, 1);
         JwwOutText(s, 9, "t", 1, 2, 0, 1);
         JwwOutText(s, 10, "t", 1, 2, 0, 1);
         JwwOutText(s, -1, "t", 1, 2, 0, 1);
       },
       {"cv 1 2 0 1 \"t", "c2 1 2 0 1 \"t", "ch 1 2 0 1 \"t", "ch 1 2 0 1 \"t"}},
      {"leading blank and quote kept", [](TJwwWriter& s) { JwwOutText(s, 2, " \"q\"", 0, 0, 1, 0); },
       {"cs 0 0 1 0 \" \"q\""}},
      {"blank texts", [&](TJwwWriter& s) {
         JwwOutText(s, 0, fullWidthBlanks, 0, 0, 1, 0);
         JwwOutText(s, 0, " \t ", 0, 0, 1, 0);
         JwwOutText(s, 0, "", 0, 0, 1, 0);
       },
       {}},
      {"no direction", [](TJwwWriter& s) { JwwOutText(s, 0, "t", 0, 0, 9e-9, -9e-9); }, {}},
      {"non-finite position", [](TJwwWriter& s) { JwwOutText(s, 0, "t", kNaN, 0, 1, 0); }, {}},
      {"long text whole", [](TJwwWriter& s) { JwwOutText(s, 0, std::string(300, 'x'), 0, 0, 1, 0); },
       {"ch 0 0 1 0 \"" + std::string(300, 'x')}},
      {"line breaks inside a text are dropped",
       [](TJwwWriter& s) { JwwOutText(s, 0, "a\r\nb\x1A" "c", 0, 0, 1, 0); }, {"ch 0 0 1 0 \"abc"}},
      {"a text ending in a quote does not swallow the next line",
       [](TJwwWriter& s) { JwwOutText(s, 0, "q\"", 0, 0, 1, 0); JwwOutLine(s, 0, 0, 1, 1); },
       {"ch 0 0 1 0 \"q\"", "0 0 1 1"}},
  });
}

// A text is left out exactly when StripBlanks leaves nothing of it.
TEST(WriterFigureTest, BlankTextAgreesWithStripBlanks) {
  const unsigned char alphabet[] = {0x20, 0x09, 0x00, 0x1F, 0x81, 0x40, 'a', 0x82, 0xA0, 0x7F, 0xE0, 0xFD, 0x9F};
  std::mt19937 rng(7);
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    const int n = static_cast<int>(rng() % 6);
    for (int j = 0; j < n; ++j) text += static_cast<char>(alphabet[rng() % sizeof alphabet]);
    Fresh f;
  TJwwWriter& s = f.w;
    JwwOutText(s, 0, text, 0, 0, 1, 0);
    ASSERT_EQ(s.lines.count == 1, !StripBlanks(text).empty()) << "text of " << text.size() << " bytes";
  }
}

TEST(WriterFigureTest, MessageTexts) {
  RunCases({
      {"blank text shows the length", [](TJwwWriter& s) { JwwOutMsg(s, "\x81\x40", 0, 0, 3, 4, 1, 1, 1, 0); },
       {"msg", "0 0 3 4", "cs 1 1 1 0 \"5"}},
      {"length to 1e-8", [](TJwwWriter& s) { JwwOutMsg(s, "", 0, 0, 1, 1, 0, 0, 0, 1); },
       {"msg", "0 0 1 1", "cs 0 0 0 1 \"1.41421356"}},
      {"length rounds half up", [](TJwwWriter& s) { JwwOutMsg(s, "", 0, 0, 2.0 / 3.0, 0, 0, 0, 0, 1); },
       {"msg", "0 0 0.666666666666667 0", "cs 0 0 0 1 \"0.66666667"}},
      {"own text", [](TJwwWriter& s) { JwwOutMsg(s, "abc", 0, 0, 3, 4, 1, 1, 1, 0); },
       {"msg", "0 0 3 4", "cs 1 1 1 0 \"abc"}},
      {"degenerate line or direction",
       [](TJwwWriter& s) {
         JwwOutMsg(s, "abc", 1, 1, 1, 1, 1, 1, 1, 0);
         JwwOutMsg(s, "abc", 0, 0, 3, 4, 1, 1, 0, 0);
         JwwOutMsg(s, "abc", 0, 0, 3, kInf, 1, 1, 1, 0);
       },
       {}},
      {"a line longer than a double holds", [](TJwwWriter& s) { JwwOutMsg(s, "", -1e308, 0, 1e308, 0, 0, 0, 1, 0); },
       {}},
  });
}

TEST(WriterFigureTest, LinearAndTriangleSolids) {
  RunCases({
      {"linear", [](TJwwWriter& s) { JwwOutSolid2(s, 0, 0, 5, 5); }, {"sl 0 0 5 5"}},
      {"linear collapsed", [](TJwwWriter& s) { JwwOutSolid2(s, 5, 5, 5, 5 + 5e-9); }, {}},
      {"triangle", [](TJwwWriter& s) { JwwOutSolid3(s, 0, 0, 1, 0, 1, 1); }, {"sl 0 0 1 0 1 1"}},
      {"triangle with two equal corners",
       [](TJwwWriter& s) {
         JwwOutSolid3(s, 0, 0, 0, 0, 1, 1);
         JwwOutSolid3(s, 0, 0, 1, 1, 0, 0);
         JwwOutSolid3(s, 0, 0, 1, 1, 1, 1);
       },
       {}},
      {"non-finite solids", [](TJwwWriter& s) { JwwOutSolid2(s, 0, 0, kNaN, 1); JwwOutSolid3(s, 0, 0, 1, 0, kInf, 1); },
       {}},
  });
}

TEST(WriterFigureTest, QuadrilateralSolidCases) {
  // Corners: A (0,0), B (1,0), C (1,1), D (0,1); a corner equal to another
  // is given as that one.
  RunCases({
      {"four distinct", [](TJwwWriter& s) { JwwOutSolid4(s, 0, 0, 1, 0, 1, 1, 0, 1); }, {"sl 0 0 1 0 1 1 0 1"}},
      {"P1 = P2: P1 P3 P4", [](TJwwWriter& s) { JwwOutSolid4(s, 0, 0, 0, 0, 1, 1, 0, 1); }, {"sl 0 0 1 1 0 1"}},
      {"P1 = P3: nothing", [](TJwwWriter& s) { JwwOutSolid4(s, 0, 0, 1, 0, 0, 0, 0, 1); }, {}},
      {"P1 = P4: P1 P2 P3", [](TJwwWriter& s) { JwwOutSolid4(s, 0, 0, 1, 0, 1, 1, 0, 0); }, {"sl 0 0 1 0 1 1"}},
      {"P2 = P3: P1 P2 P4", [](TJwwWriter& s) { JwwOutSolid4(s, 0, 0, 1, 0, 1, 0, 0, 1); }, {"sl 0 0 1 0 0 1"}},
      {"P2 = P4: nothing", [](TJwwWriter& s) { JwwOutSolid4(s, 0, 0, 1, 0, 1, 1, 1, 0); }, {}},
      {"P3 = P4: P1 P2 P3", [](TJwwWriter& s) { JwwOutSolid4(s, 0, 0, 1, 0, 1, 1, 1, 1); }, {"sl 0 0 1 0 1 1"}},
      {"all equal", [](TJwwWriter& s) { JwwOutSolid4(s, 2, 2, 2, 2, 2, 2, 2, 2); }, {}},
      {"P1 = P2 and P3 = P4 collapse further", [](TJwwWriter& s) { JwwOutSolid4(s, 0, 0, 0, 0, 1, 1, 1, 1); }, {}},
      {"corners within 1e-8 count as equal", [](TJwwWriter& s) { JwwOutSolid4(s, 0, 0, 1, 0, 1, 1, 1 + 5e-9, 1); },
       {"sl 0 0 1 0 1 1"}},
      {"non-finite corner", [](TJwwWriter& s) { JwwOutSolid4(s, 0, 0, 1, 0, 1, 1, kNaN, 1); }, {}},
  });
}

TEST(WriterFigureTest, ArcSolids) {
  const std::array<double, 7> ok7 = {0, 0, 10, 1, 0, 0, 3.5};
  RunCases({
      {"sc codes", [&](TJwwWriter& s) {
         for (int code : {100, 5, 0, -1, 7, 1}) JwwOutSc(s, ok7, code);
       },
       {"sc 0 0 10 1 0 0 3.5 100", "sc 0 0 10 1 0 0 3.5 5", "sc 0 0 10 1 0 0 3.5 0", "sc 0 0 10 1 0 0 3.5 -1"}},
      {"se codes", [&](TJwwWriter& s) {
         for (int code : {100, 0, 5, -1}) JwwOutSe(s, ok7, code);
       },
       {"se 0 0 10 1 0 0 3.5 100", "se 0 0 10 1 0 0 3.5 0"}},
      {"sc/se radius and flatness", [](TJwwWriter& s) {
         const std::array<double, 7> noRadius = {0, 0, 1e-9, 1, 0, 0, 1};
         const std::array<double, 7> flat = {0, 0, 1, -1e-9, 0, 0, 1};
         const std::array<double, 7> inf = {0, 0, 1, 1, 0, kInf, 1};
         JwwOutSc(s, noRadius, 0); JwwOutSe(s, noRadius, 0);
         JwwOutSc(s, flat, 0); JwwOutSe(s, flat, 0);
         JwwOutSc(s, inf, 0); JwwOutSe(s, inf, 0);
       },
       {}},
      {"so and sg", [](TJwwWriter& s) {
         const std::array<double, 8> ring = {0, 0, 10, 1, 0, 0, 1, 5};
         JwwOutSo(s, ring);
         JwwOutSg(s, ring);
       },
       {"so 0 0 10 1 0 0 1 5", "sg 0 0 10 1 0 0 1 5"}},
      {"so/sg degenerate rings", [](TJwwWriter& s) {
         const std::array<double, 8> rings[] = {
             {{0, 0, 10, 1, 0, 0, 1, 10 - 5e-9}},  // inner not smaller by more than 1e-8
             {{0, 0, 10, 1, 0, 0, 1, 10}},
             {{0, 0, 10, 1, 0, 0, 1, 12}},
             {{0, 0, 10, 1, 0, 0, 1, 0}},
             {{0, 0, 10, 1, 0, 0, 1, -1}},
             {{0, 0, 0, 1, 0, 0, 1, -1}},
             {{0, 0, 10, 0, 0, 0, 1, 5}},
             {{0, 0, 10, 1, kNaN, 0, 1, 5}},
         };
         for (const auto& r : rings) {
           JwwOutSo(s, r);
           JwwOutSg(s, r);
         }
       },
       {}},
  });
}

TEST(WriterFigureTest, TextKeywords) {
  const char* expected[] = {"ch", "cv", "cs", "cr", "co", "cp", "ct", "ck", "cz", "c2", "ch", "ch"};
  const int codes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, -1};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(JwwTextKeyword(codes[i]), expected[i]) << codes[i];
}

class WriteFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("q527-writer-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    target_ = dir_ / "JWC_TEMP.TXT";
  }
  void TearDown() override {
    FaultArm(0);
    std::filesystem::remove_all(dir_);
  }

  std::string ReadTarget() {
    std::string text;
    EXPECT_EQ(ReadWholeFile(target_, text), ReadStatus::kOk);
    return text;
  }

  std::vector<std::string> FilesInDir() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    return names;
  }

  std::filesystem::path dir_, target_;
};

TEST_F(WriteFileTest, EmptyListIsHq) {
  Fresh f;
  TJwwWriter& s = f.w;
  ASSERT_TRUE(JwwWriteFile(s.lines, target_));
  EXPECT_EQ(ReadTarget(), "hq\r\n");
}

TEST_F(WriteFileTest, WritesTheLinesAsBuilt) {
  Fresh f;
  TJwwWriter& s = f.w;
  JwwAddOut(s, "hd");
  JwwOutLg(s, 0);
  JwwOutText(s, 0, "\x83\x5C\x83\x74\x83\x67 x\"", 1, 2, 1, 0);  // a quote at the end
  JwwOutLine(s, 0, 0, 1, 1);
  ASSERT_TRUE(JwwWriteFile(s.lines, target_));
  EXPECT_EQ(ReadTarget(), "hd\r\nlg0\r\nch 1 2 1 0 \"\x83\x5C\x83\x74\x83\x67 x\"\r\n0 0 1 1\r\n");
  EXPECT_EQ(FilesInDir(), std::vector<std::string>{"JWC_TEMP.TXT"});
}

// Whichever file operation fails, the previous file stays whole, no
// temporary file is left, and the failure is reported.
TEST_F(WriteFileTest, AFailureLeavesThePreviousFile) {
  Fresh f;
  TJwwWriter& s = f.w;
  for (int i = 0; i < 50; ++i) JwwOutLine(s, i, 0, i, 1);

  const std::string previous = "hd\r\n1 2 3 4\r\n";
  FaultArm(0);
  ASSERT_TRUE(ReplaceFileAtomically(target_, {previous}));
  FaultArm(1000000);
  ASSERT_TRUE(JwwWriteFile(s.lines, target_));
  const long long operations = FaultCalls();
  ASSERT_GT(operations, 2);
  const std::string written = ReadTarget();

  for (long long k = 1; k <= operations; ++k) {
    FaultArm(0);
    ASSERT_TRUE(ReplaceFileAtomically(target_, {previous}));
    FaultArm(k);
    EXPECT_FALSE(JwwWriteFile(s.lines, target_)) << "failing operation " << k;
    FaultArm(0);
    EXPECT_EQ(ReadTarget(), previous) << "failing operation " << k;
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"JWC_TEMP.TXT"}) << "failing operation " << k;
  }
  FaultArm(0);
  ASSERT_TRUE(JwwWriteFile(s.lines, target_));
  EXPECT_EQ(ReadTarget(), written);
}

TEST_F(WriteFileTest, MissingFolderIsReportedQuietly) {
  Fresh f;
  TJwwWriter& s = f.w;
  EXPECT_FALSE(JwwWriteFile(s.lines, dir_ / "missing" / "JWC_TEMP.TXT"));
  EXPECT_EQ(FilesInDir(), std::vector<std::string>{});
}

}  // namespace

}  // namespace q527
