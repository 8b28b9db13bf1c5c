#include "exchange/reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "exchange/file_io.h"
#include "support/allocation_seam.h"
#include "support/test_files.h"

namespace q527 {

namespace {

using namespace std::string_literals;

Store Read(std::string_view bytes) {
  Store s;
  JwwInit(s);
  JwwReadBuffer(s, bytes);
  return s;
}

// Reads the lines, each ended by CR LF, into a fresh store.
Store ReadLines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view l : lines) text.append(l).append("\r\n");
  return Read(text);
}

// Every order entry points at a stored record, and every record has one.
void ExpectConsistent(const Store& s) {
  std::size_t records = 0;
  for (std::int32_t k = 1; k <= 15; ++k) records += JwwTableCount(s, k);
  EXPECT_EQ(records, s.order.size());
  for (const TJwwOrder& o : s.order) {
    ASSERT_GE(o.index, 0);
    ASSERT_LT(static_cast<std::size_t>(o.index), JwwTableCount(s, o.kind));
  }
}

// The order, the lines and the texts as one comparable text.
std::string Digest(const Store& s) {
  std::string d;
  for (const TJwwOrder& o : s.order)
    d += std::to_string(o.kind) + ':' + std::to_string(o.index) + ' ';
  for (const auto& l : s.lines) {
    for (double v : {l.x1, l.y1, l.x2, l.y2}) d += std::to_string(v) + ',';
    d += std::to_string(l.plgroup) + ';';
  }
  for (const auto& t : s.texts) d += t.font + '|' + t.text + '|';
  return d;
}

// One attribute read back after some lines.
struct StateCase {
  std::vector<std::string> lines;
  std::function<double(const Store&)> get;
  double want;
};

void ExpectStates(const std::vector<StateCase>& cases) {
  for (const auto& c : cases) {
    std::string text;
    for (const auto& l : c.lines) text += l + "\r\n";
    EXPECT_EQ(c.get(Read(text)), c.want) << text;
  }
}

// ---------------------------------------------------------------- headers

TEST(ReaderHeaders, SetHeaderValuesAndIgnoreShortLines) {
  const Store s = ReadLines({"hk 2.5", "hs 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16", "hzs 420 297",
                             "hcw 1 2 3 4 5 6 7 8 9 10", "hch 11 12 13 14 15 16 17 18 19 20",
                             "hcd .1 .2 .3 .4 .5 .6 .7 .8 .9 1", "hcc 1 2 3 4 5 6 7 8 9 $A", "bz",
                             "hn 1 2 3 4", "file=C:\\Drawings\\my plan.jww"});
  EXPECT_EQ(s.hk, 2.5);
  EXPECT_EQ(s.groupScale[15], 16);
  EXPECT_EQ(s.sheetH, 297);
  EXPECT_EQ(s.charKinds[10].width, 10);
  EXPECT_EQ(s.charKinds[3].height, 13);
  EXPECT_EQ(s.charKinds[5].spacing, 0.5);
  EXPECT_EQ(s.charKinds[10].color, 10);
  EXPECT_TRUE(s.bz);
  EXPECT_EQ(s.hn[3], 4);
  EXPECT_EQ(s.fileName, "C:\\Drawings\\my plan.jww");  // '=' keeps the blank
  EXPECT_TRUE(s.order.empty());

  const Store t = ReadLines(
      {"hk", "hs 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15", "hzs 1", "hcw 1 2 3 4 5 6 7 8 9", "hn 1 2"});
  EXPECT_EQ(t.groupScale[0], 1.0);
  EXPECT_EQ(t.sheetW, 1189.0);
  EXPECT_EQ(t.charKinds[1].width, 3.0);
  EXPECT_TRUE(t.order.empty());
}

TEST(ReaderHeaders, FileNameIsFieldZeroFromItsSixthByte) {
  EXPECT_EQ(ReadLines({"xfile=ab"}).fileName, "=ab");
  const Store s = ReadLines({"ci=file= 1 2"});  // the first row wins over "ci"
  EXPECT_EQ(s.fileName, "le= 1 2");
  EXPECT_TRUE(s.circles.empty());
}

// ------------------------------------------------------------- attributes

TEST(ReaderAttributes, CurrentValues) {
  const auto lg = [](const Store& s) { return s.cur.lg; };
  const auto ly = [](const Store& s) { return s.cur.ly; };
  const auto color = [](const Store& s) { return s.cur.color; };
  const auto solid = [](const Store& s) { return s.cur.solidColor; };
  const auto cc = [](const Store& s) { return s.cur.cc; };
  ExpectStates({
      // Layer group and layer: one hexadecimal digit, the third byte alone.
      {{"lgA"}, lg, 10},
      {{"lg10"}, lg, 1},
      {{"lgZ"}, lg, 0},
      {{"lg"}, lg, 0},
      {{"lgf"}, lg, 15},
      {{"lg-1"}, lg, 0},
      {{"lg\x82\x50"}, lg, 0},
      {{"lyB"}, ly, 11},
      {{"ly12"}, ly, 1},
      // Colour 10 also sets the solid colour from the second field.
      {{"lc10 5"}, solid, 5},
      {{"lc10 5"}, color, 10},
      {{"lc3 5"}, solid, 0},
      {{"lc3 5"}, color, 3},
      {{"lc10"}, solid, 0},
      {{"lc$B"}, color, 11},
      {{"lcx"}, color, 0},
      // cc: the third byte alone, 0..8.
      {{"cc12"}, cc, 1},
      {{"cc9"}, cc, 0},
      {{"cc8"}, cc, 8},
      {{"cc"}, cc, 0},
      {{"ccA"}, cc, 0},
      {{"pn7"}, [](const Store& s) { return s.cur.pointColor; }, 7},
      {{"lt5", "lt6"}, [](const Store& s) { return s.cur.ltype; }, 6},
      {{"lw3"}, [](const Store& s) { return s.cur.lwidth; }, 3},
      {{"lw3"}, [](const Store& s) { return s.cur.lwGiven; }, 1},
      {{"1 2 3 4"}, [](const Store& s) { return s.cur.lwGiven; }, 0},
  });
}

TEST(ReaderAttributes, FirstValueOfEachAttributeIsRemembered) {
  const Store s = ReadLines(
      {"lg3", "ly4", "lc5", "lt6", "lw7", "cn8", "lg9", "ly1", "lc2", "lt3", "lw4", "cn5"});
  const std::vector<std::int32_t> initial = {s.initial.lg,    s.initial.ly,     s.initial.color,
                                             s.initial.ltype, s.initial.lwidth, s.initial.ckind};
  const std::vector<std::int32_t> current = {s.cur.lg,    s.cur.ly,     s.cur.color,
                                             s.cur.ltype, s.cur.lwidth, s.cur.ckind};
  EXPECT_EQ(initial, (std::vector<std::int32_t>{3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(current, (std::vector<std::int32_t>{9, 1, 2, 3, 4, 5}));
}

TEST(ReaderAttributes, LayerValuesAndNamesUseTheCurrentGroup) {
  const Store s = ReadLines({"lg2 7", "lgnGround floor", "ly3 4", "lynWalls", "lg5", "ly3 9"});
  EXPECT_EQ(s.groupValues[2], 7);
  EXPECT_EQ(s.groupNames[2], "Ground");  // a blank ends field 0
  EXPECT_EQ(s.layerValues[35], 4);
  EXPECT_EQ(s.layerNames[35], "Walls");
  EXPECT_EQ(s.layerValues[5 * 16 + 3], 9);
}

TEST(ReaderAttributes, CharacterKindAndFreeTextSize) {
  Store s = ReadLines({"cn0 4 5 .5 6", "cn0 7 8 0 9", "cn0 1 1 1", "cn3 1 1 1 1"});
  EXPECT_EQ(s.initial.ckind, 0);
  EXPECT_EQ(s.initial.freeWidth, 4);
  EXPECT_EQ(s.initial.freeSpacing, 0.5);
  EXPECT_EQ(s.initial.freeColor, 6);
  // Later free sizes change only the current values; too few fields or a
  // kind other than 0 leave the free size alone.
  EXPECT_EQ(s.cur.freeWidth, 7);
  EXPECT_EQ(s.cur.freeColor, 9);
  EXPECT_EQ(s.cur.ckind, 3);

  s = ReadLines({"cn2 4 5 6 7"});
  EXPECT_EQ(s.initial.ckind, 2);
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
  EXPECT_EQ(s.cur.ckind, 1);  // not a character-kind line

  const std::string longName(300, 'F');  // never cut
  EXPECT_EQ(ReadLines({"cn$" + longName}).cur.font, longName);
}

TEST(ReaderAttributes, FiguresCarryTheStateAndZFlagsLastOneFigure) {
  const Store s = ReadLines({"lg1", "ly2", "lc3", "lt4", "lw5", "z1", "z1", "z3", "z5", "z6",
                             "ci 0 0 10", "ci 0 0 20", "z2", "1 2 3 4", "5 6 7 8"});
  ASSERT_EQ(s.circles.size(), 2u);
  const TJwwAttr& a = s.circles[0].attr;
  EXPECT_EQ(std::vector<std::int32_t>({a.lg, a.ly, a.color, a.ltype, a.lwidth, a.zflags}),
            std::vector<std::int32_t>({1, 2, 3, 4, 5, 1 | 4 | 16}));
  EXPECT_EQ(s.circles[1].attr.zflags, 0);
  EXPECT_EQ(s.lines.at(0).attr.zflags, 2);
  EXPECT_EQ(s.lines.at(1).attr.zflags, 0);
  EXPECT_EQ(s.order[0].kind, kJwwCircle);
  EXPECT_EQ(s.order[3].kind, kJwwLine);
  EXPECT_EQ(s.order[3].index, 1);
}

// --------------------------------------------------- polylines and messages

TEST(ReaderPolylines, LinesShareTheGroupUntilThePolylineEnds) {
  const Store s =
      ReadLines({"pl", "0 0 1 0", "1 0 1 1", "#", "0 0 2 2", "pl", "0 0 3 3", "lc2", "0 0 4 4",
                 "pl", "0 0 5 5", "ci 0 0 1", "0 0 6 6", "pl", "0 0 7 7", "hs 1 2 3", "0 0 8 8"});
  std::vector<std::int32_t> groups;
  for (const auto& l : s.lines) groups.push_back(l.plgroup);
  // An attribute line or a keyword figure ends the polyline; a keyword line
  // that falls through to a line segment does not.
  EXPECT_EQ(groups, (std::vector<std::int32_t>{1, 1, 0, 2, 0, 3, 0, 4, 4, 4}));
}

TEST(ReaderMessages, MessageTextCarriesThePendingLine) {
  Store s = ReadLines({"msg", "lc4", "0 0 10 10", "cs 1 2 1 0 \"note"});
  EXPECT_TRUE(s.lines.empty());
  EXPECT_TRUE(s.texts.empty());
  ASSERT_EQ(s.msgs.size(), 1u);
  const TJwwEntMsg& m = s.msgs[0];
  EXPECT_EQ(m.line.x2, 10);
  EXPECT_EQ(m.line.attr.color, 4);
  EXPECT_EQ(m.attr.color, 4);       // the message's own block keeps the colour
  EXPECT_EQ(m.text.attr.color, 2);  // its text part takes the character kind's
  EXPECT_EQ(m.text.code, 2);
  EXPECT_EQ(m.text.text, "note");
  EXPECT_EQ(s.order.at(0).kind, kJwwMsg);

  s = ReadLines({"0 0 10 10", "cs 1 2 1 0 \"note"});
  EXPECT_EQ(s.lines.size() + s.texts.size(), 2u);

  // Other text keywords make ordinary texts and end the mode.
  s = ReadLines({"msg", "ch 0 0 1 0 a", "cs 0 0 1 0 b"});
  EXPECT_EQ(s.texts.size(), 2u);
  // Without a four-number line the reset pending line goes with the text.
  s = ReadLines({"msg", "cs 0 0 1 0 b"});
  EXPECT_EQ(s.msgs.at(0).line.x2, 1.0);
  EXPECT_EQ(s.msgs.at(0).line.attr.ltype, 1);
  for (const char* end : {"#", "pl", "ci 0 0 1"}) {
    EXPECT_EQ(ReadLines({"msg", end, "0 0 10 10"}).lines.size(), 1u) << end;
  }
}

// ------------------------------------------------------------- hp and hhp

TEST(ReaderHp, NumberAndSuffix) {
  const struct {
    const char* line;
    std::int32_t number;  // 0: nothing stored
    std::int32_t suffix;
  } cases[] = {
      {"hp12ln 3 4", 12, 2}, {"hp5 3 4", 5, 0},     {"hp7- 3 4", 7, 1}, {"hp8ci 3 4", 8, 3},
      {"hp9ch 3 4", 9, 4},   {"hp99 3 4", 99, 0},   {"hp0 3 4", 0, 0},  {"hp100 3 4", 0, 0},
      {"hp 3 4", 0, 0},      {"hp12-ln 3 4", 0, 0}, {"hp1 3", 0, 0},
  };
  for (const auto& c : cases) {
    const Store s = ReadLines({c.line});
    EXPECT_EQ(s.hpCount, c.number == 0 ? 0 : 1) << c.line;
    if (c.number == 0) continue;
    const TJwwHp& h = s.hp[c.number];
    EXPECT_TRUE(h.used && h.x == 3 && h.y == 4) << c.line;
    EXPECT_EQ(h.suffix, c.suffix) << c.line;
  }
  EXPECT_EQ(ReadLines({"hp3 1 1", "hp3 2 2"}).hpCount, 2);
}

TEST(ReaderHp, HhpNumberGoesToTheNextFigureOnly) {
  const struct {
    const char* line;
    std::int32_t want;
  } cases[] = {{"hhp5", 5},  {"hhp12ln", 12}, {"hhp7ci", 7}, {"hhp3ch", 3},
               {"hhpln", 0}, {"hhp", 0},      {"hhp$10", 16}};
  for (const auto& c : cases) {
    const Store s = ReadLines({c.line, "0 0 1 1", "0 0 2 2"});
    ASSERT_EQ(s.lines.size(), 2u);
    EXPECT_EQ(s.lines[0].attr.hhp, c.want) << c.line;
    EXPECT_EQ(s.lines[1].attr.hhp, 0) << c.line;
  }
}

// ---------------------------------------------------------------- figures

TEST(ReaderFigures, CirclesArcsPointsAndBlocks) {
  const Store s =
      ReadLines({"ci 1 2 10", "ci 1 2 10 ", "ci 0 0 10 0 90 1 0", "ci 0 0 10 0 90 1", "pn3",
                 "pt 1 2", "pt 1 2 3 4 5", "pt 1 2 3 4", "BL 5 6 \"door frame", "BL 1 2"});
  ASSERT_EQ(s.circles.size(), 1u);  // a trailing blank opens a fifth field
  EXPECT_EQ(s.circles[0].r, 10);
  ASSERT_EQ(s.arcs.size(), 1u);  // six numbers are not enough
  EXPECT_EQ(s.arcs[0].end, 90);
  EXPECT_EQ(s.arcs[0].flat, 1);
  ASSERT_EQ(s.points.size(), 1u);
  EXPECT_EQ(s.points[0].attr.color, 3);
  ASSERT_EQ(s.pointExs.size(), 1u);
  EXPECT_EQ(s.pointExs[0].attr.color, 3);
  EXPECT_EQ(s.pointExs[0].v2, 4);
  EXPECT_EQ(s.pointExs[0].code, 5);
  ASSERT_EQ(s.blocks.size(), 1u);
  EXPECT_EQ(s.blocks[0].name, "door frame");
  EXPECT_EQ(JwwCircleCount(s) + JwwArcCount(s), 2u);
  ExpectConsistent(s);
}

TEST(ReaderFigures, SolidCornersCollapse) {
  const struct {
    const char* line;
    std::int32_t kind;
    std::vector<double> corners;
  } cases[] = {
      {"sl 0 0 5 5", kJwwSolid2, {0, 0, 5, 5}},
      {"sl 0 0 0 0 5 5", kJwwSolid2, {0, 0, 5, 5}},
      {"sl 0 0 5 5 5 5", kJwwSolid2, {0, 0, 5, 5}},
      {"sl 0 0 1 0 1 1", kJwwSolid3, {0, 0, 1, 0, 1, 1}},
      {"sl 0 0 0 0 0 0 5 5", kJwwSolid2, {0, 0, 5, 5}},        // P1 = P2 = P3
      {"sl 0 0 5 5 5 5 5 5", kJwwSolid2, {0, 0, 5, 5}},        // P2 = P3 = P4
      {"sl 0 0 0 0 5 5 5 5", kJwwSolid2, {0, 0, 5, 5}},        // P1 = P2, P3 = P4
      {"sl 0 0 1 0 1 1 0 0", kJwwSolid3, {0, 0, 1, 0, 1, 1}},  // P4 = P1
      {"sl 0 0 1 0 1 1 1 0", kJwwSolid3, {0, 0, 1, 0, 1, 1}},  // P4 = P2
      {"sl 0 0 1 0 1 1 1 1", kJwwSolid3, {0, 0, 1, 0, 1, 1}},  // P4 = P3
      {"sl 0 0 1 0 0 0 1 1", kJwwSolid3, {0, 0, 1, 0, 1, 1}},  // P3 = P1
      {"sl 0 0 1 0 1 0 1 1", kJwwSolid3, {0, 0, 1, 0, 1, 1}},  // P3 = P2
      {"sl 0 0 0 0 1 0 1 1", kJwwSolid3, {0, 0, 1, 0, 1, 1}},  // P2 = P1
      {"sl 0 0 1 0 1 1 0 1 9", kJwwSolid4, {0, 0, 1, 0, 1, 1, 0, 1}},
      {"sl 0 0 5e-11 -1e-10 5 5", kJwwSolid2, {0, 0, 5, 5}},  // within 1e-10
      {"sl 0 0 2e-10 0 5 5", kJwwSolid3, {0, 0, 2e-10, 0, 5, 5}},
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
  EXPECT_TRUE(ReadLines({"sl 0 0 1 1 2", "sl 0 0 1 1 2 2 3"}).order.empty());
}

TEST(ReaderFigures, CurvedSolids) {
  const Store s = ReadLines({"lc10 6", "sc 1 2 3 4 5 6 7 8", "se 0 0 10 1 0 0 6.28 3",
                             "so 1 2 3 4 5 6 7 8", "sg 8 7 6 5 4 3 2 1", "se 1 2 3 4 5 6 7"});
  EXPECT_EQ(s.scs.at(0).code, 8);
  EXPECT_EQ(s.scs.at(0).scolor, 6);
  EXPECT_EQ(s.ses.at(0).v[6], 6.28);
  EXPECT_EQ(s.ses.at(0).code, 3);
  EXPECT_EQ(s.sos.at(0).v[7], 8);
  EXPECT_EQ(s.sgs.at(0).v[0], 8);
  EXPECT_EQ(JwwSolidCircleCount(s), 1u);
  ExpectConsistent(s);
}

TEST(ReaderFigures, OtherLinesOfFourFieldsAreLineSegments) {
  for (const char* k :
       {"hs", "hcc", "hn", "pt", "sl", "sc", "se", "so", "sg", "ch", "cs", "c2", "BL1", "xyz"}) {
    const Store s = ReadLines({std::string(k) + " 2 3 4"});
    ASSERT_EQ(s.lines.size(), 1u) << k;
    EXPECT_EQ(s.lines[0].x1, 0) << k;  // the keyword is no number
    EXPECT_EQ(s.lines[0].y2, 4) << k;
  }
  for (const char* l : {"1 2 3", "1 2 3 4 5", "bz 1 2 3", "lg1 2 3 4", "z1 2 3 4", "pl 1 2 3",
                        "msg 1 2 3", "# 1 2 3", "hhp 1 2 3", "hp1 2 3 4", "ci 1 2 3 4 5 6"}) {
    EXPECT_TRUE(ReadLines({l}).lines.empty()) << l;
  }
}

// An exact keyword takes no longer word; of two prefixes the longer wins.
TEST(ReaderKeywords, ExactAndPrefixRows) {
  const Store names = ReadLines({"lgnA", "lynB", "cn$F"});
  EXPECT_EQ(names.groupNames[0], "A");
  EXPECT_EQ(names.layerNames[0], "B");
  EXPECT_TRUE(names.unmet.lg && names.unmet.ly && names.unmet.ckind);
  EXPECT_EQ(names.cur.font, "F");
  EXPECT_EQ(names.cur.ckind, 1);

  struct Case {
    std::vector<std::string_view> lines;
    std::int32_t zflags, plgroup;
  };
  const Case cases[] = {
      {{"z6", "0 0 1 1"}, 0, 0},         {{"z5", "0 0 1 1"}, 16, 0},
      {{"plx", "0 0 1 1"}, 0, 0},        {{"pl", "#x", "0 0 1 1"}, 0, 1},
      {{"msgx", "0 0 1 1"}, 0, 0},       {{"cix 1 2", "0 0 1 1"}, 0, 0},
      {{"pl", "lgnA", "0 0 1 1"}, 0, 1},  // a name line leaves the polyline open
      {{"pl", "lg1", "0 0 1 1"}, 0, 0},
  };
  for (const Case& c : cases) {
    std::string text;
    for (std::string_view l : c.lines) text.append(l).append("\r\n");
    const Store s = Read(text);
    ASSERT_EQ(s.order.size(), 1u) << text;
    ASSERT_EQ(s.lines.size(), 1u) << text;
    EXPECT_EQ(s.lines[0].attr.zflags, c.zflags) << text;
    EXPECT_EQ(s.lines[0].plgroup, c.plgroup) << text;
  }
}

// ------------------------------------------------------------------ texts

TEST(ReaderTexts, KeywordCodesAndBlanksAfterTheQuote) {
  const char* keys[] = {"ch", "cv", "cs", "cr", "co", "cp", "ct", "ck", "cz", "c2"};
  for (std::int32_t code = 0; code < 10; ++code) {
    const Store s = ReadLines({std::string(keys[code]) + " 1 2 3 4 \"t"});
    EXPECT_EQ(s.texts.at(0).code, code);
  }
  const std::string longText = std::string(200, 'a') + "\x82\xa0" + std::string(200, 'b');
  const Store s = ReadLines({"ch 0 0 1 0 \"a b  c", "ch 0 0 1 0 \"a\tb", "ch 0 0 1 0 \" x\"",
                             "cv 0 0 1 0 plain words", "ch 0 0 1 0 \"\x83\x5C\x81\x40 z",
                             "ch 0 0 1 0 \"" + longText, "ch 1 2 3 4"});
  ASSERT_EQ(s.texts.size(), 6u);
  EXPECT_EQ(s.texts[0].text, "a b  c");
  EXPECT_EQ(s.texts[0].dx, 1);
  EXPECT_EQ(s.texts[1].text, "ab");    // a tab after the quote is dropped
  EXPECT_EQ(s.texts[2].text, " x\"");  // a closing quote is an ordinary byte
  EXPECT_EQ(s.texts[3].text, "plain");
  EXPECT_EQ(s.texts[4].text, "\x83\x5C\x81\x40 z");
  EXPECT_EQ(s.texts[5].text, longText);  // never cut
}

TEST(ReaderTexts, SizeAndColourComeFromTheCharacterKind) {
  const Store s = ReadLines({"hcw 1 2 3 4 5 6 7 8 9 10", "hcc 11 12 13 14 15 16 17 18 19 20", "lc7",
                             "cc3", "cn4", "ch 0 0 1 0 k4", "cn0 2.5 3.5 .5 9", "ch 0 0 1 0 free",
                             "cn11", "ch 0 0 1 0 k11", "cn$Mono", "cn10", "ch 0 0 1 0 k10"});
  ASSERT_EQ(s.texts.size(), 4u);
  const auto& k4 = s.texts[0];
  EXPECT_EQ(k4.width, 4);
  EXPECT_EQ(k4.height, 3);
  EXPECT_EQ(k4.attr.color, 14);
  EXPECT_EQ(k4.cc, 3);
  EXPECT_EQ(k4.ckind, 4);
  EXPECT_EQ(k4.font, kJwwDefaultFont);
  EXPECT_EQ(s.texts[1].height, 3.5);
  EXPECT_EQ(s.texts[1].attr.color, 9);
  EXPECT_EQ(s.texts[2].width, 2.5);  // kinds outside 1..10 use the free size
  EXPECT_EQ(s.texts[2].attr.color, 9);
  EXPECT_EQ(s.texts[3].attr.color, 20);
  EXPECT_EQ(s.texts[3].font, "Mono");
}

// -------------------------------------------------------- field splitting

TEST(ReaderSplitting, DoubleByteCharactersAreNeverSplit) {
  const struct {
    std::string line;
    std::string name;
  } cases[] = {
      {"BL 0 0 n\x81 x", "n\x81 x"},                // a blank as second byte stays
      {"BL 0 0 \x88\x9F\x88 x", "\x88\x9F\x88 x"},  // 0x9F as second byte starts nothing
      {"BL 0 0 \x83\x22 y", "\x83\x22"},            // nor does a quote
      {"BL 0 0 a\x01"
       "b\xFE"
       "c\xFF",
       "abc"},                    // dropped bytes close up
      {"BL 0 0 a=b c", "a=b c"},  // '=' ends splitting
  };
  for (const auto& c : cases) {
    const Store s = ReadLines({c.line});
    ASSERT_EQ(s.blocks.size(), 1u) << c.line;
    EXPECT_EQ(s.blocks[0].name, c.name) << c.line;
  }
}

TEST(ReaderSplitting, BlankLinesAndFieldCounts) {
  for (const std::string& l :
       {""s, "   "s, "\t\t"s, "\x82"s, "\""s, "\x01\x02"s, "\x81\x40"s, "\0\0"s}) {
    EXPECT_TRUE(ReadLines({l}).order.empty());
  }
  // Leading blanks and runs of blanks make no empty fields; a trailing one does.
  EXPECT_EQ(ReadLines({"   1  \t 2   3\t4"}).lines.size(), 1u);
  EXPECT_EQ(ReadLines({"1 2 3 \t"}).lines.at(0).y2, 0);
  // DEL stays in its field, so that field is no number.
  EXPECT_EQ(ReadLines({"1 2 3\x7F 4"}).lines.at(0).x2, 0);

  std::string many = "ch 1 2 3 4 five";
  for (int i = 0; i < 10000; ++i) many += " f" + std::to_string(i);
  std::string hs = "hs";
  for (int i = 1; i <= 40; ++i) hs += ' ' + std::to_string(i);
  const Store s = ReadLines({many, "1 2 3 4" + std::string(10000, ' ') + "5", hs});
  EXPECT_EQ(s.texts.at(0).text, "five");
  EXPECT_TRUE(s.lines.empty());
  EXPECT_EQ(s.groupScale[15], 16);
}

// ------------------------------------------------------------- line ends

TEST(ReaderLineEnds, LfCrLfLoneCrAndCtrlZ) {
  Store s = Read("1 1 2 2\n3 3 4 4\r\n5 5 6\r6 8\r\n7 7 8 8");
  ASSERT_EQ(s.lines.size(), 4u);
  EXPECT_EQ(s.lines[1].y2, 4);
  EXPECT_EQ(s.lines[2].x2, 66);  // the lone CR is dropped from the line
  EXPECT_EQ(s.lines[3].y2, 8);   // a last line without a line end counts

  EXPECT_EQ(Read("1 1 2 2\r\n3 3 4 4\x1A\r\n5 5 6 6\r\n").lines.size(), 2u);
  EXPECT_TRUE(Read("\x1A"
                   "1 1 2 2\r\n")
                  .lines.empty());

  // A lead byte just before the line end is dropped; a lone CR never becomes
  // a second byte.
  s = Read("BL 0 0 ab\x82\r\nBL 0 0 cd\x82\r");
  ASSERT_EQ(s.blocks.size(), 2u);
  EXPECT_EQ(s.blocks[0].name, "ab");
  EXPECT_EQ(s.blocks[1].name, "cd");
  s = Read("BL 0 0 \x82\r\xA0 z\r\n");
  EXPECT_EQ(s.blocks.at(0).name, "\x82\xA0");
}

// ------------------------------------------------------- files and blocks

class ReaderFile : public ::testing::Test {
 protected:
  void SetUp() override { FaultArm(0); }
  void TearDown() override { FaultArm(0); }
  std::filesystem::path Write(const std::string& bytes) {
    const auto path = dir_ / "JWC_TEMP.TXT";
    WriteFileBytes(path, bytes);
    return path;
  }
  static Store ReadFile(const std::filesystem::path& path, bool& ok) {
    JwwReadStatus status;
    Store s = ReadFile(path, status);
    ok = status == JwwReadStatus::kComplete;
    return s;
  }
  static Store ReadFile(const std::filesystem::path& path, JwwReadStatus& status) {
    Store s;
    status = JwwReadFile(s, path);
    return s;
  }
  TempDir dir_{"q527-reader"};
};

constexpr std::size_t kBlock = std::size_t{1} << 20;

// Filler lines (with a polyline line in every chunk) up to `at` bytes, then tail.
std::string PadTo(std::size_t at, const std::string& tail) {
  const std::string chunk = "pl\r\n0 0 1 1\r\n#\r\n" + std::string(1000, 'x') + "\r\n";
  std::string text;
  while (text.size() + chunk.size() + 2 < at) text += chunk;
  text += std::string(at - text.size() - 2, 'x') + "\r\n";
  return text + tail;
}

TEST_F(ReaderFile, LinesAcrossBlockBoundariesReadAsInOneBuffer) {
  const std::string text = "ch 0 0 1 0 \"" + std::string(100, 'q') + "\x82\xA0tail\r\n";
  for (std::size_t offset : {std::size_t{0}, std::size_t{1}, std::size_t{12}, std::size_t{13},
                             text.size() - 2, text.size() - 1}) {
    // The block boundary falls `offset` bytes into the text line, and a
    // blank line longer than a block follows.
    const std::string bytes =
        PadTo(kBlock - offset, text) + std::string(kBlock, ' ') + "\r\n" + text;
    bool ok = false;
    const Store s = ReadFile(Write(bytes), ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(Digest(s), Digest(Read(bytes))) << offset;
    EXPECT_EQ(s.texts.at(0).text, std::string(100, 'q') + "\x82\xA0tail");
    EXPECT_EQ(s.texts.size(), 2u);
  }
  // CR at the end of one block, LF at the start of the next.
  const std::string bytes = PadTo(kBlock - 17, "1 2 3 4\r\n5 6 7 8\r") + "\n9 9 9 9\r";
  bool ok = false;
  const Store s = ReadFile(Write(bytes), ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(Digest(s), Digest(Read(bytes)));
  EXPECT_EQ(s.lines.at(s.lines.size() - 2).y2, 8);
  // A Ctrl-Z in a later block ends the file there.
  EXPECT_EQ(ReadFile(Write(PadTo(kBlock + 100,
                                 "ci 0 0 1\x1A"
                                 "ci 0 0 2\r\n")),
                     ok)
                .circles.size(),
            1u);
  EXPECT_TRUE(ok);
}

TEST_F(ReaderFile, MissingFileOrFolderIsNoCompleteRead) {
  Store s;
  JwwInit(s);
  s.cur.color = 42;
  EXPECT_EQ(JwwReadFile(s, dir_ / "JWC_TEMP.TXT"), JwwReadStatus::kMissing);
  EXPECT_EQ(s.cur.color, 42);  // untouched
  EXPECT_EQ(JwwReadFile(s, dir_.path()), JwwReadStatus::kUnreadable);
  EXPECT_EQ(s.cur.color, 42);
  EXPECT_TRUE(s.order.empty());
}

TEST_F(ReaderFile, AFailedReadKeepsWhatCameBefore) {
  const auto path = Write(PadTo(kBlock, "ci 0 0 1\r\n") + PadTo(kBlock, "ci 0 0 2\r\n"));
  bool ok = true;
  // Operations: open, read, read, read, close. A failing second read keeps
  // the first block's figures.
  FaultArm(3);
  JwwReadStatus status;
  const Store partial = ReadFile(path, status);
  EXPECT_EQ(status, JwwReadStatus::kPartial);
  EXPECT_TRUE(partial.circles.empty());
  EXPECT_FALSE(partial.lines.empty());
  // Nothing read when the open fails (unreadable) or the first read does
  // (partial: the file is there but says nothing whole); a failing close
  // comes after the last block, which the reader then never finished.
  const struct {
    long long k;
    JwwReadStatus status;
  } faults[] = {{1, JwwReadStatus::kUnreadable},
                {2, JwwReadStatus::kPartial},
                {4, JwwReadStatus::kPartial},
                {5, JwwReadStatus::kPartial}};
  for (const auto& fault : faults) {
    FaultArm(fault.k);
    const Store s = ReadFile(path, status);
    EXPECT_EQ(status, fault.status) << fault.k;
    if (fault.k <= 2) {
      EXPECT_TRUE(s.order.empty()) << fault.k;
    }
  }
  FaultArm(0);
  EXPECT_EQ(ReadFile(path, ok).circles.size(), 2u);
  EXPECT_TRUE(ok);
}

TEST_F(ReaderFile, ExhaustedMemoryEndsTheReadWithAConsistentStore) {
  std::string bytes;
  for (int i = 0; i < 3000; ++i) {
    bytes += "ch 0 0 1 0 \"a text long enough to need its own memory " + std::to_string(i) + "\r\n";
    bytes += "0 0 1 1\r\nBL 0 0 a-block-name-of-some-length\r\n";
  }
  const auto path = Write(bytes);
  std::size_t previous = 0;
  for (long k : {0L, 1L, 2L, 5L, 50L, 500L, 2000L, 4000L}) {
    Store s;
    JwwInit(s);
    AllocationSeamArm(k + 1);
    const JwwReadStatus status = JwwReadFile(s, path);
    AllocationSeamArm(0);
    EXPECT_EQ(status, JwwReadStatus::kPartial) << k;
    ExpectConsistent(s);
    EXPECT_GE(s.order.size(), previous) << k;  // a later failure keeps more
    previous = s.order.size();
  }
  EXPECT_GT(previous, 0u);
  // On several threads the failing allocation may fall on any of them, or
  // on starting them: the read still ends partial, the store consistent.
  for (long k : {0L, 1L, 2L, 3L, 5L, 50L, 500L, 2000L}) {
    Store s;
    JwwInit(s);
    AllocationSeamArm(k + 1);
    const JwwReadStatus status = JwwReadFile(s, path, 2);
    AllocationSeamArm(0);
    EXPECT_EQ(status, JwwReadStatus::kPartial) << k;
    ExpectConsistent(s);
  }
  bool ok = false;
  EXPECT_EQ(ReadFile(path, ok).texts.size(), 3000u);
  EXPECT_TRUE(ok);
}

TEST_F(ReaderFile, AVeryLongLineWorks) {
  const std::size_t size = 24 * kBlock + 7;
  std::string bytes = "1 2 3 4\r\nBL 0 0 \"";
  bytes.append(size, '\x82');  // 0x82 0x82 pairs, the odd last one dropped
  bytes += "\r\n5 6 7 8";
  const auto path = Write(bytes);
  bytes.clear();
  bool ok = false;
  const Store s = ReadFile(path, ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(s.blocks.at(0).name.size(), size - 1);
  EXPECT_EQ(s.lines.size(), 2u);
}

// ------------------------------------------------------ memory and junk

TEST(ReaderMemory, TablesEndCloseToTheirSize) {
  // Growth by doubling would leave up to half of each table unused.
  std::string bytes;
  for (int i = 0; bytes.size() < (std::size_t{3} << 20); ++i) {
    const std::string n = std::to_string(i % 9973) + ".125";
    bytes += n + " 1 " + n + " 2\r\n";
    if (i % 7 == 0) bytes += "ci " + n + " 0 5\r\n";
  }
  const Store s = Read(bytes);
  ASSERT_GT(s.lines.size(), 50000u);
  EXPECT_LE(s.lines.capacity(), s.lines.size() + s.lines.size() / 16 + 256);
  EXPECT_LE(s.circles.capacity(), s.circles.size() + s.circles.size() / 16 + 256);
  EXPECT_LE(s.order.capacity(), s.order.size() + s.order.size() / 16 + 256);
}

TEST(ReaderRobustness, JunkNeverBreaksTheStore) {
  std::mt19937 rng(527);
  const std::string pieces[] = {"ci", "sl",   "ch",   "cn\"$", "lg",
                                "hp", "hhp",  "msg",  "pl",    "#",
                                " ",  "\t",   "\"",   "=",     "\r",
                                "\n", "\r\n", "\x1A", "1",     "-2.5",
                                "$F", "\x82", "\xFF", "\xFD",  std::string(1, '\0'),
                                "e9", "z1"};
  for (int round = 0; round < 200; ++round) {
    std::string bytes;
    const int n = static_cast<int>(rng() % 400);
    for (int i = 0; i < n; ++i) {
      bytes += rng() % 4 == 0 ? std::string(1, static_cast<char>(rng() % 256))
                              : pieces[rng() % std::size(pieces)];
    }
    const Store s = Read(bytes);
    ExpectConsistent(s);
    EXPECT_TRUE(s.cur.lg >= 0 && s.cur.lg <= 15 && s.cur.ly >= 0 && s.cur.ly <= 15);
  }
  // Reading after JwwFree touches none of the released tables.
  Store s;
  JwwInit(s);
  JwwFree(s);
  JwwReadBuffer(s, "lg3 1\r\nly4 2\r\nlgnx\r\nlynx\r\nhp5 1 2\r\nci 0 0 1\r\n");
  EXPECT_EQ(s.circles.size(), 1u);
}

}  // namespace

}  // namespace q527
