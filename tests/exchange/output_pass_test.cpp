#include "exchange/output_pass.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exchange/writer.h"

namespace q527 {

namespace {

using Lines = std::vector<std::string>;

Lines Out(const TJwwWriter& w) {
  Lines lines;
  const std::string& b = w.lines.bytes;
  for (std::size_t start = 0; start < b.size();) {
    const std::size_t end = b.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "unterminated line";
      break;
    }
    lines.push_back(b.substr(start, end - start));
    start = end + 2;
  }
  EXPECT_EQ(lines.size(), w.lines.count);
  return lines;
}

TJwwAttr Attr(std::int32_t lg, std::int32_t ly, std::int32_t color, std::int32_t ltype = 1,
              std::int32_t lwidth = 0, std::int32_t z = 0) {
  return TJwwAttr{0, lg, ly, color, ltype, lwidth, z};
}

// Adds records the way the reader does: order entry, then the record.
struct Builder {
  Store s;
  TJwwWriter w{s};
  Builder() {
    JwwInit(s);
    JwwWriteStart(w);
  }
  template <typename T>
  void Add(std::vector<T>& table, TJwwKind kind, const T& record) {
    JwwAddOrder(s, kind, static_cast<std::int32_t>(table.size()));
    table.push_back(record);
  }
  void Line(const TJwwAttr& a, double x1, double y1, double x2, double y2) {
    Add(s.lines, kJwwLine, TJwwEntLine{a, 0, x1, y1, x2, y2});
  }
  void Circle(const TJwwAttr& a, double r) { Add(s.circles, kJwwCircle, TJwwEntCircle{a, 0, 0, r}); }
  void Arc(const TJwwAttr& a) { Add(s.arcs, kJwwArc, TJwwEntArc{a, 0, 0, 2, 0, 90, 1, 0}); }
  // Direction (1, 0), cc 2, sizes 3 x 4 with spacing 0.5, font "F".
  static TJwwEntText MakeText(const TJwwAttr& a, std::int32_t ckind, const char* text) {
    return TJwwEntText{a, 0, 2, ckind, 3, 4, 0.5, 0, 0, 1, 0, "F", text};
  }
  void Text(const TJwwAttr& a, std::int32_t ckind, const char* text = "T") {
    Add(s.texts, kJwwText, MakeText(a, ckind, text));
  }
  void Point(const TJwwAttr& a) { Add(s.points, kJwwPoint, TJwwEntPoint{a, 1, 0}); }
  void PointEx(const TJwwAttr& a) { Add(s.pointExs, kJwwPointEx, TJwwEntPointEx{a, 0, 0, 2, 3, 1}); }
  void Msg(const TJwwAttr& a, const TJwwAttr& lineAttr, const TJwwAttr& textAttr) {
    TJwwEntMsg m{a, TJwwEntLine{lineAttr, 0, 0, 0, 3, 4}, MakeText(textAttr, 1, "")};
    m.text.code = 2;
    Add(s.msgs, kJwwMsg, m);
  }
  void Solid2(const TJwwAttr& a, std::int32_t sc) { Add(s.solid2s, kJwwSolid2, TJwwEntSolid2{a, sc, 0, 0, 1, 0}); }
  void Solid3(const TJwwAttr& a, std::int32_t sc) {
    Add(s.solid3s, kJwwSolid3, TJwwEntSolid3{a, sc, 0, 0, 1, 0, 0, 1});
  }
  void Solid4(const TJwwAttr& a, std::int32_t sc) {
    Add(s.solid4s, kJwwSolid4, TJwwEntSolid4{a, sc, 0, 0, 1, 0, 1, 1, 0, 1});
  }
  void Sc(TJwwKind kind, const TJwwAttr& a, std::int32_t sc) {
    Add(kind == kJwwSc ? s.scs : s.ses, kind, TJwwEntSc{a, sc, {0, 0, 5, 1, 0, 0, 1}, 100});
  }
  void So(TJwwKind kind, const TJwwAttr& a, std::int32_t sc) {
    Add(kind == kJwwSo ? s.sos : s.sgs, kind, TJwwEntSo{a, sc, {0, 0, 5, 1, 0, 0, 1, 2}});
  }
};

void WriteAll(Builder& b, ProgressDisplay* progress = nullptr, EscapeKey* escape = nullptr) {
  JwwWriteAll(b.s, b.w, {}, progress, escape);
}

struct RecordingDisplay : ProgressDisplay {
  std::vector<std::string> texts;
  void ShowNow(std::string_view utf8) override { texts.emplace_back(utf8); }
};

// Goes down at its k-th poll (1-based); 0 never.
struct FakeEscape : EscapeKey {
  explicit FakeEscape(int downAt) : downAt_(downAt) {}
  bool IsDown() override { return ++polls == downAt_; }
  int polls = 0;

 private:
  int downAt_;
};

const std::string kFontLine = "cn\"$F";

TEST(OutputPassTest, EmptyOrderTable) {
  for (bool bz : {false, true}) {
    Builder b;
    b.s.bz = bz;
    RecordingDisplay display;
    FakeEscape escape(1);
    WriteAll(b, &display, &escape);
    EXPECT_EQ(Out(b.w), bz ? (Lines{"bz", "lg0", "ly0"}) : (Lines{"lg0", "ly0"}));
    EXPECT_TRUE(display.texts.empty());
    EXPECT_EQ(escape.polls, 0);
  }
}

// Each kind with its attribute lines in order, z-flags just before the figure.
TEST(OutputPassTest, RecordWritersPerKind) {
  const TJwwAttr a = Attr(1, 2, 3, 4, 5, 1);
  struct KindCase {
    const char* name;
    void (*add)(Builder&, const TJwwAttr&);
    Lines expected;
  };
  const KindCase cases[] = {
      {"line", [](Builder& b, const TJwwAttr& a) { b.Line(a, 0, 0, 1, 0); },
       {"lg1", "ly2", "lc3", "lt4", "lw5", "z1", "0 0 1 0"}},
      {"circle", [](Builder& b, const TJwwAttr& a) { b.Circle(a, 2); },
       {"lg1", "ly2", "lc3", "lt4", "lw5", "z1", "ci 0 0 2"}},
      {"arc", [](Builder& b, const TJwwAttr& a) { b.Arc(a); },
       {"lg1", "ly2", "lc3", "lt4", "lw5", "z1", "ci 0 0 2 0 90 1 0"}},
      {"text", [](Builder& b, const TJwwAttr& a) { b.Text(a, 4); },
       {"lg1", "ly2", "cn4", "cc2", kFontLine, "z1", "ch 0 0 1 0 \"T"}},
      {"free-size text", [](Builder& b, const TJwwAttr& a) { b.Text(a, 0); },
       {"lg1", "ly2", "cn0 3 4 0.5 3", "cc2", kFontLine, "z1", "ch 0 0 1 0 \"T"}},
      {"point", [](Builder& b, const TJwwAttr& a) { b.Point(a); }, {"lg1", "ly2", "pn3", "lw5", "z1", "pt 1 0"}},
      {"extended point", [](Builder& b, const TJwwAttr& a) { b.PointEx(a); },
       {"lg1", "ly2", "pn3", "lw5", "z1", "pt 0 0 2 3 1"}},
      {"message", [](Builder& b, const TJwwAttr& a) { b.Msg(a, Attr(7, 7, 6, 7, 8), Attr(9, 9, 11)); },
       {"lg1", "ly2", "lc6", "lt7", "lw8", "cn1", "cc2", kFontLine, "z1", "msg", "0 0 3 4",
        "cs 0 0 1 0 \"5"}},
      {"linear solid", [](Builder& b, const TJwwAttr& a) { b.Solid2(a, 9); },
       {"lg1", "ly2", "lc3", "lw5", "z1", "sl 0 0 1 0"}},
      {"triangle solid", [](Builder& b, const TJwwAttr& a) { b.Solid3(a, 9); },
       {"lg1", "ly2", "lc3", "z1", "sl 0 0 1 0 0 1"}},
      {"quadrilateral solid", [](Builder& b, const TJwwAttr& a) { b.Solid4(a, 9); },
       {"lg1", "ly2", "lc3", "z1", "sl 0 0 1 0 1 1 0 1"}},
      {"sc", [](Builder& b, const TJwwAttr& a) { b.Sc(kJwwSc, a, 9); },
       {"lg1", "ly2", "lc3", "z1", "sc 0 0 5 1 0 0 1 100"}},
      {"se", [](Builder& b, const TJwwAttr& a) { b.Sc(kJwwSe, a, 9); },
       {"lg1", "ly2", "lc3", "lw5", "z1", "se 0 0 5 1 0 0 1 100"}},
      {"so", [](Builder& b, const TJwwAttr& a) { b.So(kJwwSo, a, 9); },
       {"lg1", "ly2", "lc3", "z1", "so 0 0 5 1 0 0 1 2"}},
      {"sg", [](Builder& b, const TJwwAttr& a) { b.So(kJwwSg, a, 9); },
       {"lg1", "ly2", "lc3", "z1", "sg 0 0 5 1 0 0 1 2"}},
  };
  for (const KindCase& c : cases) {
    Builder b;
    b.s.cur.lwGiven = true;
    b.s.initial.lg = 1;
    b.s.initial.ly = 2;
    c.add(b, a);
    WriteAll(b);
    EXPECT_EQ(Out(b.w), c.expected) << c.name;
  }
}

TEST(OutputPassTest, SkipsRemovedBlocksAndUnknownEntries) {
  Builder b;
  b.Line(Attr(0, 0, 1), 0, 0, 1, 0);
  b.Line(Attr(0, 0, 1), 0, 0, 2, 0);
  b.s.order[0].kind = kJwwRemoved;
  TJwwEntBlk blk;
  b.Add(b.s.blocks, kJwwBlock, blk);
  JwwAddOrder(b.s, 99, 0);
  JwwAddOrder(b.s, kJwwLine, 7);   // past the end of its table
  JwwAddOrder(b.s, kJwwCircle, 0);  // the circle table is empty
  RecordingDisplay display;
  WriteAll(b, &display);
  EXPECT_EQ(Out(b.w), (Lines{"lg0", "ly0", "lc1", "lt1", "0 0 2 0"}));
  ASSERT_EQ(display.texts.size(), 1u);
  EXPECT_EQ(display.texts[0], "処理中(ESC:中断)：1／6");
}

// A dropped figure leaves its attribute lines, but not its z-flags: those
// would pass to the next figure read.
TEST(OutputPassTest, DroppedFigureTakesItsZFlagsAlong) {
  Builder b;
  b.Circle(Attr(0, 0, 1, 1, 0, 3), 0);          // zero radius
  b.Text(Attr(0, 0, 1, 1, 0, 16), 1, "\x81\x40");  // blank text
  b.Line(Attr(0, 1, 2, 1, 0, 0), 0, 0, 1, 0);
  b.Circle(Attr(0, 1, 2, 1, 0, 4), 1);
  WriteAll(b);
  EXPECT_EQ(Out(b.w), (Lines{"lg0", "ly0", "lc1", "lt1", "cn1", "cc2", kFontLine, "ly1", "lc2", "0 0 1 0",
                             "z3", "ci 0 0 1", "ly0"}));
}

TEST(OutputPassTest, AttributesCarryAcrossKinds) {
  Builder b;
  b.Line(Attr(0, 0, 5, 2), 0, 0, 1, 0);
  b.Line(Attr(0, 0, 5, 2), 0, 0, 2, 0);
  b.Text(Attr(0, 0, 5), 1);
  b.Text(Attr(0, 0, 5), 1);
  b.Line(Attr(0, 0, 5, 2), 0, 0, 3, 0);   // the texts left colour and type alone
  b.Line(Attr(0, 1, 6, 2), 0, 0, 4, 0);
  b.Line(Attr(3, 1, 6, 2), 0, 0, 5, 0);  // a new group brings its layer again
  WriteAll(b);
  EXPECT_EQ(Out(b.w), (Lines{"lg0", "ly0", "lc5", "lt2", "0 0 1 0", "0 0 2 0", "cn1", "cc2", kFontLine,
                             "ch 0 0 1 0 \"T", "ch 0 0 1 0 \"T", "0 0 3 0", "ly1", "lc6", "0 0 4 0",
                             "lg3", "ly1", "0 0 5 0", "lg0", "ly0"}));
}

TEST(OutputPassTest, FirstTextCarriesTheDefaultFont) {
  Builder b;
  b.Text(Attr(0, 0, 1), 1);
  b.s.texts[0].font = std::string(kJwwDefaultFont);
  b.s.texts[0].cc = 0;
  WriteAll(b);
  EXPECT_EQ(Out(b.w), (Lines{"lg0", "ly0", "cn1", "cc0", "cn\"$" + std::string(kJwwDefaultFont),
                             "ch 0 0 1 0 \"T"}));
}

TEST(OutputPassTest, SolidColourRule) {
  Builder b;
  b.Solid2(Attr(0, 0, 10), 255);
  b.Line(Attr(0, 0, 10), 0, 0, 1, 0);
  b.Line(Attr(0, 0, 5), 0, 0, 2, 0);
  b.Solid3(Attr(0, 0, 10), 255);
  b.Solid4(Attr(0, 0, 10), 255);
  b.Solid4(Attr(0, 0, 10), 7);
  b.Solid4(Attr(0, 0, 4), 7);
  WriteAll(b);
  EXPECT_EQ(Out(b.w), (Lines{"lg0", "ly0", "lc10 255", "sl 0 0 1 0", "lt1", "0 0 1 0", "lc5", "0 0 2 0",
                             "lc10 255", "sl 0 0 1 0 0 1", "sl 0 0 1 0 1 1 0 1", "lc10 7",
                             "sl 0 0 1 0 1 1 0 1", "lc4", "sl 0 0 1 0 1 1 0 1"}));
}

TEST(OutputPassTest, Overrides) {
  struct OverrideCase {
    const char* name;
    std::int32_t lg, ly, color, ltype, lwidth, textColor, cc, solidColor;
    Lines expected;
  };
  // One line, one point, one text and one solid, all on group 1 layer 2.
  const OverrideCase cases[] = {
      {"none", -1, -1, -1, -1, -1, -1, -1, 0,
       {"lg1", "ly2", "lc3", "lt4", "lw5", "0 0 1 0", "pn3", "pt 1 0", "cn4", "cc2", kFontLine, "ch 0 0 1 0 \"T",
        "lc10 9", "sl 0 0 1 0", "lg0", "ly0"}},
      {"layers out of range are no override", 16, -2, -1, -1, -1, -1, -1, 0,
       {"lg1", "ly2", "lc3", "lt4", "lw5", "0 0 1 0", "pn3", "pt 1 0", "cn4", "cc2", kFontLine, "ch 0 0 1 0 \"T",
        "lc10 9", "sl 0 0 1 0", "lg0", "ly0"}},
      {"layer group and layer", 15, 0, -1, -1, -1, -1, -1, 0,
       {"lgF", "ly0", "lc3", "lt4", "lw5", "0 0 1 0", "pn3", "pt 1 0", "cn4", "cc2", kFontLine, "ch 0 0 1 0 \"T",
        "lc10 9", "sl 0 0 1 0", "lg0", "ly0"}},
      {"colour for lines, points and solids", -1, -1, 6, -1, -1, -1, -1, 0,
       {"lg1", "ly2", "lc6", "lt4", "lw5", "0 0 1 0", "pn6", "pt 1 0", "cn4", "cc2", kFontLine, "ch 0 0 1 0 \"T",
        "sl 0 0 1 0", "lg0", "ly0"}},
      {"colour 10 takes the override solid colour", -1, -1, 10, -1, -1, -1, -1, 77,
       {"lg1", "ly2", "lc10", "lt4", "lw5", "0 0 1 0", "pn10", "pt 1 0", "cn4", "cc2", kFontLine, "ch 0 0 1 0 \"T",
        "lc10 77", "sl 0 0 1 0", "lg0", "ly0"}},
      {"line type and width", -1, -1, -1, 8, 0, -1, -1, 0,
       {"lg1", "ly2", "lc3", "lt8", "lw0", "0 0 1 0", "pn3", "pt 1 0", "cn4", "cc2", kFontLine, "ch 0 0 1 0 \"T",
        "lc10 9", "sl 0 0 1 0", "lg0", "ly0"}},
      {"text colour makes a free-size text; cc", -1, -1, -1, -1, -1, 6, 7, 0,
       {"lg1", "ly2", "lc3", "lt4", "lw5", "0 0 1 0", "pn3", "pt 1 0", "cn0 3 4 0.5 6", "cc7", kFontLine,
        "ch 0 0 1 0 \"T", "lc10 9", "sl 0 0 1 0", "lg0", "ly0"}},
  };
  for (const OverrideCase& c : cases) {
    Builder b;
    b.s.cur.lwGiven = true;
    const TJwwAttr a = Attr(1, 2, 3, 4, 5);
    b.Line(a, 0, 0, 1, 0);
    b.Point(a);
    b.Text(a, 4);
    b.Solid2(Attr(1, 2, 10, 4, 5), 9);
    JwwWriteAll(b.s, b.w, {c.lg, c.ly, c.color, c.ltype, c.lwidth, c.textColor, c.cc, c.solidColor});
    EXPECT_EQ(Out(b.w), c.expected) << c.name;
  }
}

TEST(OutputPassTest, ProgressEveryHundredEntries) {
  Builder b;
  for (int i = 0; i < 250; ++i) b.Line(Attr(0, 0, 1), 0, 0, i + 1, 0);
  b.s.order[120].kind = kJwwRemoved;  // removed entries still count
  RecordingDisplay display;
  FakeEscape escape(0);
  WriteAll(b, &display, &escape);
  EXPECT_EQ(display.texts, (std::vector<std::string>{"処理中(ESC:中断)：1／250", "処理中(ESC:中断)：101／250",
                                                     "処理中(ESC:中断)：201／250"}));
  EXPECT_EQ(escape.polls, 3);
  EXPECT_EQ(Out(b.w).size(), 2u + 2u + 249u);  // lg, ly, lc, lt and the lines
}

TEST(OutputPassTest, EscapeAborts) {
  struct AbortCase {
    int downAt;
    bool bz;
    Lines expected;
  };
  const AbortCase cases[] = {
      // Down at the start: "hd" and "bz" go, the closing layer lines stay.
      {1, true, {"lgA", "ly3"}},
      // Down at entry 100: everything goes, and the closing lines repeat what
      // was last written, so nothing is left at all.
      {2, false, {}},
  };
  for (const AbortCase& c : cases) {
    Builder b;
    b.s.bz = c.bz;
    b.s.initial.lg = 10;
    b.s.initial.ly = 3;
    for (int i = 0; i < 150; ++i) b.Line(Attr(10, 3, 1), 0, 0, i + 1, 0);
    JwwAddOut(b.w, "hd");
    RecordingDisplay display;
    FakeEscape escape(c.downAt);
    WriteAll(b, &display, &escape);
    EXPECT_EQ(Out(b.w), c.expected) << "down at poll " << c.downAt;
    EXPECT_EQ(escape.polls, c.downAt);
    EXPECT_EQ(display.texts.size(), static_cast<std::size_t>(c.downAt));
  }
}

}  // namespace

}  // namespace q527
