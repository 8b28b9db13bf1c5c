#include "exchange/reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "exchange/file_io.h"

// Allocation failure on demand: after FailAllocationAfter(k) the k-th
// allocation from then on (counted from 0) throws std::bad_alloc.
namespace {
std::atomic<long> g_allocationsLeft{-1};
void FailAllocationAfter(long k) { g_allocationsLeft = k; }
}  // namespace

void* operator new(std::size_t size) {
  if (g_allocationsLeft >= 0 && g_allocationsLeft-- == 0) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace std::string_literals;

// Reads the lines (joined with CR LF) into a fresh store.
Store Read(std::string_view text) {
  Store s;
  JwwInit(s);
  JwwReadBuffer(s, text);
  return s;
}

Store ReadLines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view l : lines) {
    text.append(l);
    text.append("\r\n");
  }
  return Read(text);
}

// Everything a read can change, as one comparable text.
std::string Digest(const Store& s) {
  std::string d;
  const auto num = [&d](double v) { d += std::to_string(v) + ','; };
  const auto attr = [&](const TJwwAttr& a) {
    for (std::int32_t v : {a.hhp, a.lg, a.ly, a.color, a.ltype, a.lwidth, a.zflags})
      d += std::to_string(v) + ',';
  };
  for (const TJwwOrder& o : s.order) d += std::to_string(o.kind) + ':' + std::to_string(o.index) + ' ';
  d += '\n';
  for (const auto& l : s.lines) {
    attr(l.attr);
    d += std::to_string(l.plgroup) + ',';
    for (double v : {l.x1, l.y1, l.x2, l.y2}) num(v);
  }
  for (const auto& c : s.circles) {
    attr(c.attr);
    for (double v : {c.cx, c.cy, c.r}) num(v);
  }
  for (const auto& t : s.texts) {
    attr(t.attr);
    d += t.font + '|' + t.text + '|';
    for (double v : {t.x, t.y, t.dx, t.dy, t.width}) num(v);
  }
  d += s.fileName + '|' + s.cur.font + '|' + std::to_string(s.cur.color);
  return d;
}

// ---------------------------------------------------------------- headers

TEST(ReaderHeaders, SetHeaderValues) {
  const Store s = ReadLines({
      "hk 2.5",
      "hs 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16",
      "hzs 420 297",
      "hcw 1 2 3 4 5 6 7 8 9 10",
      "hch 11 12 13 14 15 16 17 18 19 20",
      "hcd .1 .2 .3 .4 .5 .6 .7 .8 .9 1",
      "hcc 1 2 3 4 5 6 7 8 9 $A",
      "bz",
      "hn 1 2 3 4",
      "file=C:\\Drawings\\my plan.jww",
  });
  EXPECT_EQ(s.hk, 2.5);
  EXPECT_EQ(s.groupScale[0], 1);
  EXPECT_EQ(s.groupScale[15], 16);
  EXPECT_EQ(s.sheetW, 420);
  EXPECT_EQ(s.sheetH, 297);
  EXPECT_EQ(s.charKinds[1].width, 1);
  EXPECT_EQ(s.charKinds[10].width, 10);
  EXPECT_EQ(s.charKinds[3].height, 13);
  EXPECT_EQ(s.charKinds[5].spacing, 0.5);
  EXPECT_EQ(s.charKinds[10].color, 10);
  EXPECT_TRUE(s.bz);
  EXPECT_EQ(s.hn[3], 4);
  EXPECT_EQ(s.fileName, "C:\\Drawings\\my plan.jww");  // '=' keeps the blank
  EXPECT_TRUE(s.order.empty());
}

TEST(ReaderHeaders, ShortHeaderLinesChangeNothing) {
  const Store s = ReadLines({"hk", "hs 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15", "hzs 1",
                             "hcw 1 2 3 4 5 6 7 8 9", "hn 1 2"});
  EXPECT_EQ(s.hk, 0);
  EXPECT_EQ(s.groupScale[0], 1.0);
  EXPECT_EQ(s.sheetW, 1189.0);
  EXPECT_EQ(s.charKinds[1].width, 3.0);
  EXPECT_EQ(s.hn[0], 0);
  EXPECT_TRUE(s.order.empty());
}

TEST(ReaderHeaders, FileNameIsTakenFromTheSixthByteWhereverTheKeywordStands) {
  EXPECT_EQ(ReadLines({"file=a b"}).fileName, "a b");
  EXPECT_EQ(ReadLines({"xfile=ab"}).fileName, "=ab");
  // The row comes first: even a keyword line is a file-name line.
  const Store s = ReadLines({"ci=file= 1 2"});
  EXPECT_EQ(s.fileName, "le= 1 2");
  EXPECT_TRUE(s.circles.empty());
}

// ------------------------------------------------------------- attributes

struct HexCase {
  const char* field;
  std::int32_t want;
};

TEST(ReaderAttributes, LayerGroupAndLayerTakeOneHexDigit) {
  const HexCase cases[] = {{"lgA", 10}, {"lg10", 1}, {"lgZ", 0}, {"lg", 0},
                           {"lgf", 15}, {"lg-1", 0}, {"lg7x", 7}, {"lg\x82\x50", 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(ReadLines({c.field}).cur.lg, c.want) << c.field;
    std::string ly = c.field;
    ly[1] = 'y';
    EXPECT_EQ(ReadLines({ly}).cur.ly, c.want) << ly;
  }
}

TEST(ReaderAttributes, LayerValuesAndNamesUseTheCurrentGroup) {
  const Store s = ReadLines({"lg2 7", "lgnGround floor", "ly3 4", "lynWalls and doors", "lg5",
                             "ly3 9"});
  EXPECT_EQ(s.groupValues[2], 7);
  EXPECT_EQ(s.groupNames[2], "Ground");  // a blank ends field 0
  EXPECT_EQ(s.layerValues[35], 4);
  EXPECT_EQ(s.layerNames[35], "Walls");
  EXPECT_EQ(s.layerValues[5 * 16 + 3], 9);
  EXPECT_EQ(s.cur.lg, 5);
  EXPECT_EQ(s.cur.ly, 3);
}

TEST(ReaderAttributes, FirstValueOfEachAttributeIsRemembered) {
  const Store s = ReadLines({"lg3", "ly4", "lc5", "lt6", "lw7", "cn8", "lg9", "ly1", "lc2",
                             "lt3", "lw4", "cn5"});
  EXPECT_EQ(s.initial.lg, 3);
  EXPECT_EQ(s.initial.ly, 4);
  EXPECT_EQ(s.initial.color, 5);
  EXPECT_EQ(s.initial.ltype, 6);
  EXPECT_EQ(s.initial.lwidth, 7);
  EXPECT_EQ(s.initial.ckind, 8);
  EXPECT_EQ(s.cur.lg, 9);
  EXPECT_EQ(s.cur.ly, 1);
  EXPECT_EQ(s.cur.color, 2);
  EXPECT_EQ(s.cur.ltype, 3);
  EXPECT_EQ(s.cur.lwidth, 4);
  EXPECT_EQ(s.cur.ckind, 5);
  EXPECT_TRUE(s.cur.lwGiven);
  EXPECT_FALSE(s.first.lg || s.first.ly || s.first.color || s.first.ltype || s.first.lwidth ||
               s.first.ckind);
  const Store none = ReadLines({"1 2 3 4"});
  EXPECT_FALSE(none.cur.lwGiven);
  EXPECT_EQ(none.initial.ltype, 1);
}

TEST(ReaderAttributes, ColourTenSetsTheSolidColour) {
  EXPECT_EQ(ReadLines({"lc10 5"}).cur.solidColor, 5);
  EXPECT_EQ(ReadLines({"lc10 5"}).cur.color, 10);
  EXPECT_EQ(ReadLines({"lc3 5"}).cur.solidColor, 0);
  EXPECT_EQ(ReadLines({"lc3 5"}).cur.color, 3);
  EXPECT_EQ(ReadLines({"lc10"}).cur.solidColor, 0);
  EXPECT_EQ(ReadLines({"lc$B"}).cur.color, 11);
  EXPECT_EQ(ReadLines({"lcx"}).cur.color, 0);
  EXPECT_EQ(ReadLines({"pn7"}).cur.pointColor, 7);
}

TEST(ReaderAttributes, CcTakesOneDigitUpToEight) {
  const HexCase cases[] = {{"cc12", 1}, {"cc9", 0}, {"cc8", 8}, {"cc", 0}, {"cc-1", 0}, {"ccA", 0}};
  for (const auto& c : cases) EXPECT_EQ(ReadLines({c.field}).cur.cc, c.want) << c.field;
}

TEST(ReaderAttributes, CharacterKindAndFreeTextSize) {
  Store s = ReadLines({"cn0 4 5 .5 6"});
  EXPECT_EQ(s.cur.ckind, 0);
  EXPECT_EQ(s.cur.freeWidth, 4);
  EXPECT_EQ(s.cur.freeHeight, 5);
  EXPECT_EQ(s.cur.freeSpacing, 0.5);
  EXPECT_EQ(s.cur.freeColor, 6);
  EXPECT_EQ(s.initial.ckind, 0);
  EXPECT_EQ(s.initial.freeWidth, 4);
  EXPECT_EQ(s.initial.freeColor, 6);

  // A later free size changes only the current values; too few fields or a
  // kind other than 0 leaves the free size alone.
  s = ReadLines({"cn0 4 5 .5 6", "cn0 7 8 0 9", "cn0 1 1 1", "cn3 1 1 1 1"});
  EXPECT_EQ(s.initial.freeWidth, 4);
  EXPECT_EQ(s.cur.freeWidth, 7);
  EXPECT_EQ(s.cur.freeColor, 9);
  EXPECT_EQ(s.cur.ckind, 3);

  s = ReadLines({"cn2 4 5 6 7"});
  EXPECT_EQ(s.initial.ckind, 2);
  EXPECT_EQ(s.initial.freeWidth, 2.0);
  EXPECT_EQ(s.cur.freeWidth, 2.0);
}

TEST(ReaderAttributes, FontLinesWithAndWithoutQuote) {
  // The writer's form: the quote turns splitting off and is dropped, so the
  // blank inside the name stays.
  Store s = ReadLines({"cn\"$\x82\x6c\x82\x72 \x96\xbe\x92\xa9"});
  EXPECT_EQ(s.cur.font, "\x82\x6c\x82\x72 \x96\xbe\x92\xa9");
  EXPECT_EQ(s.initial.font, s.cur.font);

  s = ReadLines({"cn$Arial", "cn$Courier"});
  EXPECT_EQ(s.cur.font, "Courier");
  EXPECT_EQ(s.initial.font, "Arial");
  EXPECT_EQ(s.cur.ckind, 1);  // a font line is not a character-kind line

  // Never cut: a name of any length is kept whole.
  const std::string longName(300, 'F');
  s = ReadLines({"cn$" + longName});
  EXPECT_EQ(s.cur.font, longName);
}

TEST(ReaderAttributes, ZFlagsApplyToTheNextFigureOnly) {
  const Store s = ReadLines({"z1", "z1", "z3", "z5", "z6", "1 2 3 4", "5 6 7 8", "z2",
                             "ci 0 0 1", "ci 0 0 2"});
  ASSERT_EQ(s.lines.size(), 2u);
  EXPECT_EQ(s.lines[0].attr.zflags, 1 | 4 | 16);
  EXPECT_EQ(s.lines[1].attr.zflags, 0);
  ASSERT_EQ(s.circles.size(), 2u);
  EXPECT_EQ(s.circles[0].attr.zflags, 2);
  EXPECT_EQ(s.circles[1].attr.zflags, 0);
}

TEST(ReaderAttributes, FiguresCarryTheCurrentAttributes) {
  const Store s = ReadLines({"lg1", "ly2", "lc3", "lt4", "lw5", "ci 0 0 10"});
  ASSERT_EQ(s.circles.size(), 1u);
  const TJwwAttr& a = s.circles[0].attr;
  EXPECT_EQ(a.lg, 1);
  EXPECT_EQ(a.ly, 2);
  EXPECT_EQ(a.color, 3);
  EXPECT_EQ(a.ltype, 4);
  EXPECT_EQ(a.lwidth, 5);
  ASSERT_EQ(s.order.size(), 1u);
  EXPECT_EQ(s.order[0].kind, kJwwCircle);
  EXPECT_EQ(s.order[0].index, 0);
  EXPECT_EQ(JwwCircleCount(s), 1u);
}

// --------------------------------------------------- polylines and messages

TEST(ReaderPolylines, LinesShareTheGroupUntilThePolylineEnds) {
  const Store s = ReadLines({"pl", "0 0 1 0", "1 0 1 1", "1 1 0 1", "#", "0 0 2 2", "pl",
                             "0 0 3 3", "lc2", "0 0 4 4", "pl", "0 0 5 5", "ci 0 0 1", "0 0 6 6",
                             "pl", "0 0 7 7", "hs 1 2 3", "0 0 8 8"});
  std::vector<std::int32_t> groups;
  for (const auto& l : s.lines) groups.push_back(l.plgroup);
  // An attribute line or a keyword figure ends the polyline; a keyword line
  // that falls through to a line segment does not.
  EXPECT_EQ(groups, (std::vector<std::int32_t>{1, 1, 1, 0, 2, 0, 3, 0, 4, 4, 4}));
  EXPECT_EQ(s.lines[9].x1, 0);  // "hs" is no number
  EXPECT_EQ(s.lines[9].y1, 1);
}

TEST(ReaderMessages, MessageTextCarriesThePendingLine) {
  const Store s = ReadLines({"msg", "lc4", "0 0 10 10", "cs 1 2 1 0 \"note"});
  EXPECT_TRUE(s.lines.empty());
  EXPECT_TRUE(s.texts.empty());
  ASSERT_EQ(s.msgs.size(), 1u);
  const TJwwEntMsg& m = s.msgs[0];
  EXPECT_EQ(m.line.x2, 10);
  EXPECT_EQ(m.line.y2, 10);
  EXPECT_EQ(m.line.attr.color, 4);
  EXPECT_EQ(m.line.plgroup, 0);
  EXPECT_EQ(m.attr.color, 4);       // the message's own block keeps the colour
  EXPECT_EQ(m.text.attr.color, 2);  // its text part takes the character kind's
  EXPECT_EQ(m.text.code, 2);
  EXPECT_EQ(m.text.text, "note");
  EXPECT_EQ(m.text.x, 1);
  EXPECT_FALSE(s.cur.msgMode);
  ASSERT_EQ(s.order.size(), 1u);
  EXPECT_EQ(s.order[0].kind, kJwwMsg);

  const Store plain = ReadLines({"0 0 10 10", "cs 1 2 1 0 \"note"});
  EXPECT_EQ(plain.lines.size(), 1u);
  EXPECT_EQ(plain.texts.size(), 1u);
  EXPECT_TRUE(plain.msgs.empty());
}

TEST(ReaderMessages, ModeEndsAndOtherTextsStayOrdinary) {
  // Without a four-number line the reset pending line goes with the text.
  Store s = ReadLines({"msg", "ch 0 0 1 0 a", "cs 0 0 1 0 b"});
  EXPECT_EQ(s.texts.size(), 2u);  // "ch" is an ordinary text and ends the mode
  EXPECT_TRUE(s.msgs.empty());
  s = ReadLines({"msg", "cs 0 0 1 0 b"});
  ASSERT_EQ(s.msgs.size(), 1u);
  EXPECT_EQ(s.msgs[0].line.x2, 1.0);
  EXPECT_EQ(s.msgs[0].line.attr.ltype, 1);
  for (const char* end : {"#", "pl", "ci 0 0 1"}) {
    s = ReadLines({"msg", end, "0 0 10 10"});
    EXPECT_EQ(s.lines.size(), 1u) << end;
  }
  s = ReadLines({"pl", "msg", "0 0 1 1", "#", "0 0 2 2"});
  ASSERT_EQ(s.lines.size(), 1u);
  EXPECT_EQ(s.lines[0].plgroup, 0);
}

// ------------------------------------------------------------- hp and hhp

struct HpCase {
  const char* line;
  std::int32_t number;  // 0: nothing stored
  std::int32_t suffix;
};

TEST(ReaderHp, NumberAndSuffix) {
  const HpCase cases[] = {
      {"hp12ln 3 4", 12, 2}, {"hp5 3 4", 5, 0},    {"hp7- 3 4", 7, 1},   {"hp8ci 3 4", 8, 3},
      {"hp9ch 3 4", 9, 4},   {"hp0 3 4", 0, 0},    {"hp100 3 4", 0, 0},  {"hp 3 4", 0, 0},
      {"hp99 3 4", 99, 0},   {"hp12-ln 3 4", 0, 0}, {"hp1", 0, 0},       {"hp1 3", 0, 0},
  };
  for (const auto& c : cases) {
    const Store s = ReadLines({c.line});
    if (c.number == 0) {
      EXPECT_EQ(s.hpCount, 0) << c.line;
      for (const TJwwHp& h : s.hp) EXPECT_FALSE(h.used) << c.line;
      continue;
    }
    EXPECT_EQ(s.hpCount, 1) << c.line;
    const TJwwHp& h = s.hp[c.number];
    EXPECT_TRUE(h.used) << c.line;
    EXPECT_EQ(h.x, 3) << c.line;
    EXPECT_EQ(h.y, 4) << c.line;
    EXPECT_EQ(h.suffix, c.suffix) << c.line;
  }
  EXPECT_EQ(ReadLines({"hp3 1 1", "hp3 2 2"}).hpCount, 2);
}

TEST(ReaderHp, HhpNumberGoesToTheNextFigureOnly) {
  const struct {
    const char* line;
    std::int32_t want;
  } cases[] = {{"hhp5", 5}, {"hhp12ln", 12}, {"hhp7ci", 7}, {"hhp3ch", 3}, {"hhpln", 0},
               {"hhp", 0},  {"hhp$10", 16}};
  for (const auto& c : cases) {
    const Store s = ReadLines({c.line, "0 0 1 1", "0 0 2 2"});
    ASSERT_EQ(s.lines.size(), 2u);
    EXPECT_EQ(s.lines[0].attr.hhp, c.want) << c.line;
    EXPECT_EQ(s.lines[1].attr.hhp, 0) << c.line;
  }
}

// ---------------------------------------------------------------- figures

TEST(ReaderFigures, CirclesAndArcs) {
  const Store s = ReadLines({"ci 1 2 10", "ci 1 2 10 ", "ci 0 0 10 0 90 1 0", "ci 0 0 10 0 90 1",
                             "ci 0 0 10 0 90 1 0 9"});
  ASSERT_EQ(s.circles.size(), 1u);  // the trailing blank opens a fifth field
  EXPECT_EQ(s.circles[0].cx, 1);
  EXPECT_EQ(s.circles[0].r, 10);
  ASSERT_EQ(s.arcs.size(), 2u);
  const TJwwEntArc& a = s.arcs[0];
  EXPECT_EQ(a.start, 0);
  EXPECT_EQ(a.end, 90);
  EXPECT_EQ(a.flat, 1);
  EXPECT_EQ(a.tilt, 0);
  EXPECT_EQ(s.order.size(), 3u);
  EXPECT_EQ(JwwArcCount(s), 2u);
}

TEST(ReaderFigures, Points) {
  const Store s = ReadLines({"pn3", "pt 1 2", "pt 1 2 3 4 5", "pt 1 2 3 4", "pt 1 2 3"});
  ASSERT_EQ(s.points.size(), 1u);
  EXPECT_EQ(s.points[0].attr.color, 3);
  EXPECT_EQ(s.points[0].y, 2);
  ASSERT_EQ(s.pointExs.size(), 1u);
  EXPECT_EQ(s.pointExs[0].attr.color, 3);
  EXPECT_EQ(s.pointExs[0].v2, 4);
  EXPECT_EQ(s.pointExs[0].code, 5);
  ASSERT_EQ(s.lines.size(), 1u);  // "pt" with four fields is a line from x = 0
  EXPECT_EQ(s.lines[0].x1, 0);
  EXPECT_EQ(s.lines[0].x2, 2);
}

TEST(ReaderFigures, BlockReferences) {
  const Store s = ReadLines({"BL 5 6 \"door frame", "BL 1 2", "bl 1 2 x y"});
  ASSERT_EQ(s.blocks.size(), 1u);
  EXPECT_EQ(s.blocks[0].x, 5);
  EXPECT_EQ(s.blocks[0].name, "door frame");
  EXPECT_EQ(s.order.size(), 1u);
}

struct SolidCase {
  const char* line;
  std::int32_t kind;
  std::vector<double> corners;
};

TEST(ReaderFigures, SolidCornersCollapse) {
  const SolidCase cases[] = {
      {"sl 0 0 5 5", kJwwSolid2, {0, 0, 5, 5}},
      {"sl 0 0 0 0 5 5", kJwwSolid2, {0, 0, 5, 5}},
      {"sl 0 0 5 5 5 5", kJwwSolid2, {0, 0, 5, 5}},
      {"sl 0 0 1 0 1 1", kJwwSolid3, {0, 0, 1, 0, 1, 1}},
      {"sl 0 0 0 0 0 0 5 5", kJwwSolid2, {0, 0, 5, 5}},     // P1 = P2 = P3
      {"sl 0 0 5 5 5 5 5 5", kJwwSolid2, {0, 0, 5, 5}},     // P2 = P3 = P4
      {"sl 0 0 0 0 5 5 5 5", kJwwSolid2, {0, 0, 5, 5}},     // P1 = P2, P3 = P4
      {"sl 0 0 1 0 1 1 0 0", kJwwSolid3, {0, 0, 1, 0, 1, 1}},  // P4 = P1
      {"sl 0 0 1 0 1 1 1 0", kJwwSolid3, {0, 0, 1, 0, 1, 1}},  // P4 = P2
      {"sl 0 0 1 0 1 1 1 1", kJwwSolid3, {0, 0, 1, 0, 1, 1}},  // P4 = P3
      {"sl 0 0 1 0 0 0 1 1", kJwwSolid3, {0, 0, 1, 0, 1, 1}},  // P3 = P1
      {"sl 0 0 1 0 1 0 1 1", kJwwSolid3, {0, 0, 1, 0, 1, 1}},  // P3 = P2
      {"sl 0 0 0 0 1 0 1 1", kJwwSolid3, {0, 0, 1, 0, 1, 1}},  // P2 = P1
      {"sl 0 0 1 0 1 1 0 1", kJwwSolid4, {0, 0, 1, 0, 1, 1, 0, 1}},
      {"sl 0 0 1 0 1 1 0 1 9", kJwwSolid4, {0, 0, 1, 0, 1, 1, 0, 1}},
  };
  for (const auto& c : cases) {
    const Store s = ReadLines({"lc10 4", c.line});
    ASSERT_EQ(s.order.size(), 1u) << c.line;
    EXPECT_EQ(s.order[0].kind, c.kind) << c.line;
    std::vector<double> got;
    std::int32_t scolor = -1;
    if (c.kind == kJwwSolid2) {
      const auto& r = s.solid2s.at(0);
      got = {r.x1, r.y1, r.x2, r.y2};
      scolor = r.scolor;
    } else if (c.kind == kJwwSolid3) {
      const auto& r = s.solid3s.at(0);
      got = {r.x1, r.y1, r.x2, r.y2, r.x3, r.y3};
      scolor = r.scolor;
    } else {
      const auto& r = s.solid4s.at(0);
      got = {r.x1, r.y1, r.x2, r.y2, r.x3, r.y3, r.x4, r.y4};
      scolor = r.scolor;
    }
    EXPECT_EQ(got, c.corners) << c.line;
    EXPECT_EQ(scolor, 4) << c.line;
  }

  // The tolerance is 1e-10 on each coordinate.
  Store s = ReadLines({"sl 0 0 5e-11 -1e-10 5 5"});
  EXPECT_EQ(s.solid2s.size(), 1u);
  s = ReadLines({"sl 0 0 2e-10 0 5 5"});
  EXPECT_EQ(s.solid3s.size(), 1u);
  // Six or eight fields take no row.
  s = ReadLines({"sl 0 0 1 1 2", "sl 0 0 1 1 2 2 3"});
  EXPECT_TRUE(s.order.empty());
}

TEST(ReaderFigures, CurvedSolids) {
  const Store s = ReadLines({"lc10 6", "sc 1 2 3 4 5 6 7 8", "se 0 0 10 1 0 0 6.28 3",
                             "so 1 2 3 4 5 6 7 8", "sg 8 7 6 5 4 3 2 1", "se 1 2 3 4 5 6 7"});
  ASSERT_EQ(s.scs.size(), 1u);
  EXPECT_EQ(s.scs[0].v[6], 7);
  EXPECT_EQ(s.scs[0].code, 8);
  EXPECT_EQ(s.scs[0].scolor, 6);
  ASSERT_EQ(s.ses.size(), 1u);
  EXPECT_EQ(s.ses[0].v[2], 10);
  EXPECT_EQ(s.ses[0].v[6], 6.28);
  EXPECT_EQ(s.ses[0].code, 3);
  ASSERT_EQ(s.sos.size(), 1u);
  EXPECT_EQ(s.sos[0].v[7], 8);
  ASSERT_EQ(s.sgs.size(), 1u);
  EXPECT_EQ(s.sgs[0].v[0], 8);
  EXPECT_EQ(s.sgs[0].scolor, 6);
  EXPECT_EQ(JwwSolidCircleCount(s), 1u);
  const std::vector<std::int32_t> kinds = {kJwwSc, kJwwSe, kJwwSo, kJwwSg};
  ASSERT_EQ(s.order.size(), kinds.size());
  for (std::size_t i = 0; i < kinds.size(); ++i) EXPECT_EQ(s.order[i].kind, kinds[i]);
}

TEST(ReaderFigures, KeywordLinesWithFourFieldsBecomeLines) {
  for (const char* k : {"hs", "hcw", "hch", "hcd", "hcc", "hn", "pt", "sl", "sc", "se", "so", "sg",
                        "ch", "cv", "cs", "cr", "co", "cp", "ct", "ck", "cz", "c2", "BL1", "xyz"}) {
    const Store s = ReadLines({std::string(k) + " 2 3 4"});
    ASSERT_EQ(s.lines.size(), 1u) << k;
    EXPECT_EQ(s.lines[0].x1, 0) << k;
    EXPECT_EQ(s.lines[0].y2, 4) << k;
  }
  // Lines of other widths and keyword lines that need no numbers take no line.
  for (const char* l : {"1 2 3", "1 2 3 4 5", "bz 1 2 3", "lg1 2 3 4", "z1 2 3 4", "pl 1 2 3",
                        "msg 1 2 3", "# 1 2 3", "hhp 1 2 3", "hp1 2 3 4", "ci 1 2 3 4 5 6"}) {
    EXPECT_TRUE(ReadLines({l}).lines.empty()) << l;
  }
}

// ------------------------------------------------------------------ texts

TEST(ReaderTexts, TextKeepsBlanksAfterTheQuote) {
  const Store s = ReadLines({"ch 0 0 1 0 \"a b  c", "ch 0 0 1 0 \"a\tb", "ch 0 0 1 0 \" x\"",
                             "cv 0 0 1 0 plain words", "ch 0 0 1 0 \"\x83\x5C\x81\x40 z"});
  ASSERT_EQ(s.texts.size(), 5u);
  EXPECT_EQ(s.texts[0].text, "a b  c");
  EXPECT_EQ(s.texts[0].dx, 1);
  EXPECT_EQ(s.texts[0].dy, 0);
  EXPECT_EQ(s.texts[1].text, "ab");  // a tab after the quote is dropped
  EXPECT_EQ(s.texts[2].text, " x\"");  // a closing quote is an ordinary byte
  EXPECT_EQ(s.texts[3].text, "plain");
  EXPECT_EQ(s.texts[3].code, 1);
  EXPECT_EQ(s.texts[4].text, "\x83\x5C\x81\x40 z");
}

TEST(ReaderTexts, KeywordCodes) {
  const char* keys[] = {"ch", "cv", "cs", "cr", "co", "cp", "ct", "ck", "cz", "c2"};
  for (std::int32_t code = 0; code < 10; ++code) {
    const Store s = ReadLines({std::string(keys[code]) + " 1 2 3 4 \"t"});
    ASSERT_EQ(s.texts.size(), 1u) << keys[code];
    EXPECT_EQ(s.texts[0].code, code);
    EXPECT_EQ(s.order[0].kind, kJwwText);
  }
  EXPECT_TRUE(ReadLines({"ch 1 2 3 4"}).texts.empty());
  EXPECT_TRUE(ReadLines({"cx 1 2 3 4 5"}).texts.empty());
}

TEST(ReaderTexts, SizeAndColourComeFromTheCharacterKind) {
  const Store s = ReadLines({"hcw 1 2 3 4 5 6 7 8 9 10", "hcc 11 12 13 14 15 16 17 18 19 20",
                             "lc7", "cc3", "cn4", "ch 0 0 1 0 \"k4", "cn0 2.5 3.5 .5 9",
                             "ch 0 0 1 0 \"free", "cn11", "ch 0 0 1 0 \"k11", "cn$Mono",
                             "cn10", "ch 0 0 1 0 \"k10"});
  ASSERT_EQ(s.texts.size(), 4u);
  EXPECT_EQ(s.texts[0].width, 4);
  EXPECT_EQ(s.texts[0].height, 3);
  EXPECT_EQ(s.texts[0].attr.color, 14);
  EXPECT_EQ(s.texts[0].cc, 3);
  EXPECT_EQ(s.texts[0].ckind, 4);
  EXPECT_EQ(s.texts[0].font, kJwwDefaultFont);
  EXPECT_EQ(s.texts[1].width, 2.5);
  EXPECT_EQ(s.texts[1].height, 3.5);
  EXPECT_EQ(s.texts[1].spacing, 0.5);
  EXPECT_EQ(s.texts[1].attr.color, 9);
  EXPECT_EQ(s.texts[2].width, 2.5);  // kinds outside 1..10 use the free size
  EXPECT_EQ(s.texts[2].attr.color, 9);
  EXPECT_EQ(s.texts[3].width, 10);
  EXPECT_EQ(s.texts[3].attr.color, 20);
  EXPECT_EQ(s.texts[3].font, "Mono");
}

TEST(ReaderTexts, LongTextsAreKeptWhole) {
  const std::string text = std::string(200, 'a') + "\x82\xa0" + std::string(200, 'b');
  const Store s = ReadLines({"ch 0 0 1 0 \"" + text});
  ASSERT_EQ(s.texts.size(), 1u);
  EXPECT_EQ(s.texts[0].text, text);
}

// -------------------------------------------------------- field splitting

TEST(ReaderSplitting, DoubleByteCharactersAreNeverSplit) {
  // A lead byte with a blank as its second byte keeps the blank.
  Store s = ReadLines({"BL 0 0 n\x81 x"});
  ASSERT_EQ(s.blocks.size(), 1u);
  EXPECT_EQ(s.blocks[0].name, "n\x81 x");
  // A second byte in 0x80..0x9F does not start another character.
  s = ReadLines({"BL 0 0 \x88\x9F\x88 x"});
  ASSERT_EQ(s.blocks.size(), 1u);
  EXPECT_EQ(s.blocks[0].name, "\x88\x9F\x88 x");
  // A quote as second byte neither ends nor starts anything.
  s = ReadLines({"BL 0 0 \x83\x22 y"});
  ASSERT_EQ(s.blocks.size(), 1u);
  EXPECT_EQ(s.blocks[0].name, "\x83\x22");
}

TEST(ReaderSplitting, DroppedBytesAndEmptyLines) {
  // Control bytes, 0xFE and 0xFF are dropped; the field's bytes close up.
  Store s = ReadLines({"1\x01" "0 2\xFE 3\xFF\x7F 4\x00"s});
  ASSERT_EQ(s.lines.size(), 1u);
  EXPECT_EQ(s.lines[0].x2, 0);  // DEL stays, so that field is no number
  s = ReadLines({"1\x01" "0 2\xFE 3\xFF 4\x00"s});
  ASSERT_EQ(s.lines.size(), 1u);
  EXPECT_EQ(s.lines[0].x1, 10);
  EXPECT_EQ(s.lines[0].y1, 2);
  EXPECT_EQ(s.lines[0].x2, 3);
  EXPECT_EQ(s.lines[0].y2, 4);
  // Lines that hold nothing are ignored.
  for (std::string l : {"", "   ", "\t\t", "\x82", "\"", "\x01\x02", "\x81\x40"}) {
    s = ReadLines({l});
    EXPECT_TRUE(s.order.empty());
    EXPECT_EQ(s.cur.color, 1);
  }
  // Leading blanks and runs of blanks make no empty fields; a trailing one does.
  s = ReadLines({"   1  \t 2   3\t4"});
  EXPECT_EQ(s.lines.size(), 1u);
  s = ReadLines({"1 2 3 \t"});
  EXPECT_EQ(s.lines.size(), 1u);
  EXPECT_EQ(s.lines[0].y2, 0);
}

TEST(ReaderSplitting, EqualsSignEndsSplitting) {
  const Store s = ReadLines({"lgn=a b", "a=b 1 2 3"});
  EXPECT_EQ(s.groupNames[0], "=a b");
  EXPECT_TRUE(s.lines.empty());
}

TEST(ReaderSplitting, ManyFieldsAreSafe) {
  std::string many = "ch 1 2 3 4 five";
  for (int i = 0; i < 10000; ++i) many += " f" + std::to_string(i);
  std::string blanks = "1 2 3 4" + std::string(10000, ' ') + "5";
  std::string hs = "hs";
  for (int i = 1; i <= 40; ++i) hs += ' ' + std::to_string(i);
  const Store s = ReadLines({many, blanks, hs, std::string(10000, ' ')});
  ASSERT_EQ(s.texts.size(), 1u);
  EXPECT_EQ(s.texts[0].text, "five");
  EXPECT_TRUE(s.lines.empty());
  EXPECT_EQ(s.groupScale[15], 16);
}

// ------------------------------------------------------------- line ends

TEST(ReaderLineEnds, LfCrLfLoneCrAndCtrlZ) {
  Store s = Read("1 1 2 2\n3 3 4 4\r\n5 5 6\r6 8\r\n7 7 8 8");
  ASSERT_EQ(s.lines.size(), 4u);
  EXPECT_EQ(s.lines[1].x1, 3);
  EXPECT_EQ(s.lines[1].y2, 4);
  EXPECT_EQ(s.lines[2].x2, 66);  // the lone CR is dropped from the line
  EXPECT_EQ(s.lines[2].y2, 8);
  EXPECT_EQ(s.lines[3].y2, 8);

  s = Read("1 1 2 2\r\n3 3 4 4\x1A\r\n5 5 6 6\r\n");
  ASSERT_EQ(s.lines.size(), 2u);
  EXPECT_EQ(s.lines[1].y2, 4);

  s = Read("\x1A" "1 1 2 2\r\n");
  EXPECT_TRUE(s.lines.empty());

  // A lead byte just before the line end is dropped, even before CR LF.
  s = Read("BL 0 0 ab\x82\r\nBL 0 0 cd\x82\r");
  ASSERT_EQ(s.blocks.size(), 2u);
  EXPECT_EQ(s.blocks[0].name, "ab");
  EXPECT_EQ(s.blocks[1].name, "cd");
  // A lone CR never becomes a second byte.
  s = Read("BL 0 0 \x82\r\xA0 z\r\n");
  ASSERT_EQ(s.blocks.size(), 1u);
  EXPECT_EQ(s.blocks[0].name, "\x82\xA0");
}

TEST(ReaderLineEnds, ReadLineTakesOneLine) {
  Store s;
  JwwInit(s);
  JwwReadLine(s, "ci 0 0 5");
  JwwReadLine(s, "");
  JwwReadLine(s, "cn\"$Font Name");
  EXPECT_EQ(s.circles.size(), 1u);
  EXPECT_EQ(s.cur.font, "Font Name");
}

// ------------------------------------------------------- files and blocks

class ReaderFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("q527_reader_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    FaultArm(0);
  }
  void TearDown() override {
    FaultArm(0);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::filesystem::path Write(const std::string& name, const std::string& bytes) {
    const auto path = dir_ / name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  std::filesystem::path dir_;
};

constexpr std::size_t kBlock = std::size_t{1} << 20;

// Filler lines up to `at` bytes, then `tail`.
std::string PadTo(std::size_t at, const std::string& tail) {
  std::string text;
  const std::string chunk = "pl\r\n0 0 1 1\r\n#\r\n" + std::string(1000, 'x') + "\r\n";
  while (text.size() + chunk.size() + 2 < at) text += chunk;
  text += std::string(at - text.size() - 2, 'x') + "\r\n";
  return text + tail;
}

TEST_F(ReaderFile, LinesAcrossBlockBoundariesReadAsInOneBuffer) {
  const std::string text = "ch 0 0 1 0 \"" + std::string(100, 'q') + "\x82\xA0tail\r\n";
  for (std::size_t offset : {std::size_t{0}, std::size_t{1}, std::size_t{5}, std::size_t{12},
                             std::size_t{13}, text.size() - 2, text.size() - 1}) {
    // The block boundary falls `offset` bytes into the text line.
    std::string bytes = PadTo(kBlock - offset, text) + "ci 0 0 1\r\n";
    bytes += std::string(kBlock, ' ') + "\r\n" + text;  // a line longer than a block
    const auto path = Write("f.txt", bytes);
    Store fromFile;
    JwwInit(fromFile);
    ASSERT_TRUE(JwwReadFile(fromFile, path));
    const Store fromBuffer = Read(bytes);
    EXPECT_EQ(Digest(fromFile), Digest(fromBuffer)) << offset;
    ASSERT_EQ(fromFile.texts.size(), 2u);
    EXPECT_EQ(fromFile.texts[0].text, std::string(100, 'q') + "\x82\xA0tail");
    EXPECT_EQ(fromFile.circles.size(), 1u);
  }
}

TEST_F(ReaderFile, CrAtTheEndOfABlockAndLfInTheNext) {
  const std::string bytes = PadTo(kBlock - 17, "1 2 3 4\r\n5 6 7 8\r");
  ASSERT_EQ(bytes.size(), kBlock);
  const auto path = Write("f.txt", bytes + "\n9 9 9 9\r");
  Store s;
  JwwInit(s);
  ASSERT_TRUE(JwwReadFile(s, path));
  ASSERT_GE(s.lines.size(), 3u);
  const auto& last = s.lines[s.lines.size() - 1];
  const auto& before = s.lines[s.lines.size() - 2];
  EXPECT_EQ(before.y2, 8);
  EXPECT_EQ(last.y2, 9);
  EXPECT_EQ(Digest(s), Digest(Read(bytes + "\n9 9 9 9\r")));
}

TEST_F(ReaderFile, CtrlZInALaterBlockEndsTheFile) {
  const auto path = Write("f.txt", PadTo(kBlock + 100, "ci 0 0 1\x1A" "ci 0 0 2\r\n"));
  Store s;
  JwwInit(s);
  ASSERT_TRUE(JwwReadFile(s, path));
  ASSERT_EQ(s.circles.size(), 1u);
  EXPECT_EQ(s.circles[0].r, 1);
}

TEST_F(ReaderFile, MissingFileLeavesTheStoreUntouched) {
  Store s;
  JwwInit(s);
  s.cur.color = 42;
  EXPECT_FALSE(JwwReadFile(s, dir_ / "JWC_TEMP.TXT"));
  EXPECT_EQ(s.cur.color, 42);
  EXPECT_FALSE(JwwReadFile(s, dir_));  // a folder cannot be read
}

TEST_F(ReaderFile, AFailedReadKeepsWhatCameBefore) {
  std::string bytes = PadTo(kBlock, "ci 0 0 1\r\n");
  bytes += PadTo(kBlock, "ci 0 0 2\r\n");
  const auto path = Write("f.txt", bytes);
  // Operations: open, read, read, read, close.
  FaultArm(3);
  Store s;
  JwwInit(s);
  EXPECT_FALSE(JwwReadFile(s, path));
  EXPECT_TRUE(s.circles.empty());
  EXPECT_FALSE(s.lines.empty());  // the first block's figures stay
  const std::size_t partial = s.order.size();
  for (long long k : {1, 2, 4, 5}) {
    FaultArm(k);
    Store t;
    JwwInit(t);
    EXPECT_FALSE(JwwReadFile(t, path)) << k;
  }
  FaultArm(0);
  Store whole;
  JwwInit(whole);
  EXPECT_TRUE(JwwReadFile(whole, path));
  EXPECT_GT(whole.order.size(), partial);
  EXPECT_EQ(whole.circles.size(), 2u);
}

std::size_t TableSize(const Store& s, std::int32_t kind) {
  switch (kind) {
    case kJwwLine: return s.lines.size();
    case kJwwCircle: return s.circles.size();
    case kJwwArc: return s.arcs.size();
    case kJwwText: return s.texts.size();
    case kJwwPoint: return s.points.size();
    case kJwwPointEx: return s.pointExs.size();
    case kJwwMsg: return s.msgs.size();
    case kJwwBlock: return s.blocks.size();
    case kJwwSolid2: return s.solid2s.size();
    case kJwwSolid3: return s.solid3s.size();
    case kJwwSolid4: return s.solid4s.size();
    case kJwwSc: return s.scs.size();
    case kJwwSe: return s.ses.size();
    case kJwwSo: return s.sos.size();
    case kJwwSg: return s.sgs.size();
    default: return 0;
  }
}

TEST_F(ReaderFile, ExhaustedMemoryEndsTheReadWithAConsistentStore) {
  std::string bytes;
  for (int i = 0; i < 3000; ++i) {
    bytes += "ch 0 0 1 0 \"a text long enough to need its own memory " + std::to_string(i) + "\r\n";
    bytes += "0 0 1 1\r\nBL 0 0 a-block-name-of-some-length\r\n";
  }
  const auto path = Write("f.txt", bytes);
  std::size_t previous = 0;
  for (long k : {0L, 1L, 2L, 5L, 50L, 500L, 2000L, 4000L}) {
    Store s;
    JwwInit(s);
    FailAllocationAfter(k);
    const bool ok = JwwReadFile(s, path);
    FailAllocationAfter(-1);
    EXPECT_FALSE(ok) << k;
    for (const TJwwOrder& o : s.order) ASSERT_LT(static_cast<std::size_t>(o.index), TableSize(s, o.kind)) << k;
    EXPECT_GE(s.order.size(), previous) << k;  // a later failure keeps more
    previous = s.order.size();
  }
  EXPECT_GT(previous, 0u);
  Store whole;
  JwwInit(whole);
  EXPECT_TRUE(JwwReadFile(whole, path));
  EXPECT_EQ(whole.texts.size(), 3000u);
}

TEST_F(ReaderFile, AVeryLongLineWorks) {
  const std::size_t size = 24 * kBlock + 7;
  std::string bytes = "1 2 3 4\r\nBL 0 0 \"";
  bytes.append(size, '\x82');  // 0x82 0x82 pairs, with the odd last one dropped
  bytes += "\r\n5 6 7 8";
  const auto path = Write("f.txt", bytes);
  bytes.clear();
  Store s;
  JwwInit(s);
  ASSERT_TRUE(JwwReadFile(s, path));
  ASSERT_EQ(s.blocks.size(), 1u);
  EXPECT_EQ(s.blocks[0].name.size(), size - 1);
  EXPECT_EQ(s.lines.size(), 2u);
}

TEST(ReaderMemory, TablesEndCloseToTheirSize) {
  // A few megabytes of mixed figures: the tables must not keep the slack that
  // growth by doubling would leave.
  std::string bytes;
  for (int i = 0; bytes.size() < (std::size_t{3} << 20); ++i) {
    const std::string n = std::to_string(i % 9973) + ".125";
    bytes += n + " 1 " + n + " 2\r\n";
    if (i % 7 == 0) bytes += "ci " + n + " 0 5\r\n";
  }
  const Store s = Read(bytes);
  ASSERT_GT(s.lines.size(), 50000u);
  for (std::size_t size : {s.lines.size(), s.circles.size(), s.order.size()}) {
    EXPECT_GT(size, 0u);
  }
  EXPECT_LE(s.lines.capacity(), s.lines.size() + s.lines.size() / 16 + 256);
  EXPECT_LE(s.circles.capacity(), s.circles.size() + s.circles.size() / 16 + 256);
  EXPECT_LE(s.order.capacity(), s.order.size() + s.order.size() / 16 + 256);
}

// ------------------------------------------------------------- robustness

TEST(ReaderRobustness, JunkNeverBreaksTheStore) {
  std::mt19937 rng(527);
  const std::string pieces[] = {"ci", "sl", "ch", "cn\"$", "lg", "hp", "hhp", "msg", "pl", "#",
                                " ", "\t", "\"", "=", "\r", "\n", "\r\n", "\x1A", "1", "-2.5",
                                "$F", "\x82", "\xFF", "\xFD", std::string(1, '\0'), "e9", "z1"};
  for (int round = 0; round < 200; ++round) {
    std::string bytes;
    const int n = static_cast<int>(rng() % 400);
    for (int i = 0; i < n; ++i) {
      if (rng() % 4 == 0) {
        bytes += static_cast<char>(rng() % 256);
      } else {
        bytes += pieces[rng() % std::size(pieces)];
      }
    }
    const Store s = Read(bytes);
    // Every order entry points at a record of its table.
    for (const TJwwOrder& o : s.order) {
      ASSERT_GE(o.kind, 1);
      ASSERT_LE(o.kind, 15);
      ASSERT_GE(o.index, 0);
    }
    EXPECT_EQ(s.lines.size() + s.circles.size() + s.arcs.size() + s.texts.size() +
                  s.points.size() + s.pointExs.size() + s.msgs.size() + s.blocks.size() +
                  s.solid2s.size() + s.solid3s.size() + s.solid4s.size() + s.scs.size() +
                  s.ses.size() + s.sos.size() + s.sgs.size(),
              s.order.size());
    EXPECT_GE(s.cur.lg, 0);
    EXPECT_LE(s.cur.lg, 15);
    EXPECT_GE(s.cur.ly, 0);
    EXPECT_LE(s.cur.ly, 15);
  }
}

TEST(ReaderRobustness, ReadingAfterFreeDoesNotTouchReleasedTables) {
  Store s;
  JwwInit(s);
  JwwFree(s);
  JwwReadBuffer(s, "lg3 1\r\nly4 2\r\nlgnx\r\nlynx\r\nhp5 1 2\r\nci 0 0 1\r\n");
  EXPECT_EQ(s.circles.size(), 1u);
  EXPECT_EQ(s.hpCount, 0);
}

}  // namespace
