#include "exchange/store.h"
#include "exchange/writer.h"

#include <gtest/gtest.h>

#include <vector>

namespace q527 {

namespace {

// A store whose every part holds something other than its reset value.
Store DirtyStore() {
  Store s;
  JwwInit(s);
  s.hk = 5;
  s.fileName = "x.jww";
  s.groupScale[3] = 50;
  s.charKinds[4] = {9, 9, 9, 9};
  s.bz = true;
  s.initial.font = "f";
  s.initial.ltype = 5;
  s.layerValues[35] = 4;
  s.hp[12] = {true, 1, 2, 3};
  s.hpCount = 1;
  s.unmet = TJwwFirst{false, false, false, false, false, false, false, false, false, false};
  s.cur.color = 7;
  s.cur.font = "other";
  s.cur.msgMode = true;
  s.pendingMsgLine.x1 = 9;
  s.lines.resize(3);
  s.sgs.resize(1);
  JwwAddOrder(s, kJwwLine, 0);
  return s;
}

TEST(JwwInit, ResetsEveryPart) {
  Store s = DirtyStore();
  JwwInit(s);
  EXPECT_EQ(s.hk, 0);
  EXPECT_TRUE(s.fileName.empty());
  EXPECT_EQ(s.groupScale[3], 1.0);
  EXPECT_EQ(s.sheetW, 1189.0);
  EXPECT_EQ(s.sheetH, 841.0);
  for (int k = 1; k <= 10; ++k) {
    const TJwwCharKind& c = s.charKinds[k];
    EXPECT_TRUE(c.width == 3 && c.height == 3 && c.spacing == 0 && c.color == 2) << k;
  }
  EXPECT_FALSE(s.bz);
  EXPECT_EQ(s.layerNames.size(), 256u);
  EXPECT_EQ(s.groupValues.size(), 16u);
  EXPECT_EQ(s.layerValues[35], 0);
  ASSERT_EQ(s.hp.size(), 100u);
  EXPECT_FALSE(s.hp[12].used);
  EXPECT_EQ(s.hpCount, 0);

  EXPECT_EQ(s.cur.color, 1);
  EXPECT_EQ(s.cur.ltype, 1);
  EXPECT_EQ(s.cur.ckind, 1);
  EXPECT_EQ(s.cur.freeWidth, 2.0);
  EXPECT_EQ(s.cur.font, kJwwDefaultFont);
  EXPECT_FALSE(s.cur.msgMode);
  EXPECT_TRUE(s.initial.font.empty());
  EXPECT_EQ(s.initial.ltype, 1);
  // The reader's six flags are set.
  EXPECT_TRUE(s.unmet.lg && s.unmet.ly && s.unmet.color && s.unmet.ltype && s.unmet.lwidth &&
              s.unmet.ckind);

  const TJwwEntLine& m = s.pendingMsgLine;
  EXPECT_EQ(std::vector<std::int32_t>({m.attr.hhp, m.attr.lg, m.attr.ly, m.attr.color, m.attr.ltype,
                                       m.attr.lwidth, m.attr.zflags}),
            std::vector<std::int32_t>({0, 0, 0, 1, 1, 0, 0}));
  EXPECT_EQ(std::vector<double>({m.x1, m.y1, m.x2, m.y2}), std::vector<double>({0, 0, 1, 0}));

  EXPECT_TRUE(s.order.empty() && s.lines.empty() && s.sgs.empty());
}

// A store is ready for the reader as constructed: JwwInit only brings a used
// one back to that state.
TEST(Store, ConstructedAsJwwInitLeavesIt) {
  const Store fresh;
  Store s = DirtyStore();
  JwwInit(s);
  EXPECT_EQ(fresh.groupScale, s.groupScale);
  EXPECT_EQ(fresh.groupNames.size(), 16u);
  EXPECT_EQ(fresh.layerValues.size(), 256u);
  EXPECT_EQ(fresh.hp.size(), 100u);
  EXPECT_EQ(fresh.cur.font, kJwwDefaultFont);
  EXPECT_TRUE(fresh.initial.font.empty());
  EXPECT_EQ(fresh.pendingMsgLine.attr.color, 1);
  EXPECT_EQ(fresh.pendingMsgLine.attr.ltype, 1);
  EXPECT_EQ(fresh.pendingMsgLine.x2, 1.0);
  EXPECT_TRUE(fresh.unmet.lg);
}

// The store is the model only: resetting it leaves the writer's memory and
// lines, and their spill threshold, to the writer.
TEST(JwwInit, LeavesTheWriterAlone) {
  Store s = DirtyStore();
  TJwwWriter w(s);
  JwwWriteStart(w);
  w.lines.spillAt = 97;
  JwwOutLc(w, 7);
  JwwInit(s);
  EXPECT_EQ(w.lines.spillAt, 97u);
  EXPECT_EQ(w.lines.count, 1u);
  EXPECT_EQ(w.written.color, 7);
}

// The writer's memory after JwwWriteStart is that of a fresh output pass.
TEST(JwwWriteStart, GivesTheMemoryOfAFreshPass) {
  Store s = DirtyStore();
  TJwwWriter w(s);
  w.written.first = s.unmet;
  w.written.color = 7;
  JwwWriteStart(w);
  EXPECT_TRUE(w.written.first.cc && w.written.first.font && w.written.first.solidColor);
  EXPECT_EQ(w.written.color, 1);
  EXPECT_EQ(w.written.font, kJwwDefaultFont);
}

// Every kind reaches its own table, and only the kinds 1..15 reach one.
TEST(JwwVisitTable, PairsEachKindWithItsTable) {
  Store s;
  for (std::int32_t kind = kJwwLine; kind <= kJwwSg; ++kind) {
    JwwVisitTable(s, kind, [&](auto, auto& table) { table.resize(kind); });
  }
  const std::vector<std::size_t> sizes = {
      s.lines.size(),    s.circles.size(), s.arcs.size(),   s.texts.size(),   s.points.size(),
      s.pointExs.size(), s.msgs.size(),    s.blocks.size(), s.solid2s.size(), s.solid3s.size(),
      s.solid4s.size(),  s.scs.size(),     s.ses.size(),    s.sos.size(),     s.sgs.size()};
  for (std::int32_t kind = kJwwLine; kind <= kJwwSg; ++kind) {
    EXPECT_EQ(sizes[kind - 1], static_cast<std::size_t>(kind)) << kind;
    EXPECT_EQ(JwwTableCount(s, kind), static_cast<std::size_t>(kind)) << kind;
  }
  for (std::int32_t kind : std::initializer_list<std::int32_t>{kJwwRemoved, -1, 16, 1000}) {
    bool visited = false;
    JwwVisitTable(s, kind, [&](auto, auto&) { visited = true; });
    EXPECT_FALSE(visited) << kind;
    EXPECT_EQ(JwwTableCount(s, kind), 0u) << kind;
  }
  std::vector<std::int32_t> kinds;
  JwwVisitTables(s, [&](auto kind, auto&) { kinds.push_back(decltype(kind)::value); });
  EXPECT_EQ(kinds.size(), 15u);
  for (std::size_t i = 0; i < kinds.size(); ++i) EXPECT_EQ(kinds[i], static_cast<int>(i) + 1);
}

TEST(JwwFree, ReleasesTablesAndKeepsHeaderValues) {
  Store s = DirtyStore();
  JwwFree(s);
  EXPECT_EQ(s.layerNames.capacity() + s.hp.capacity() + s.order.capacity() + s.lines.capacity(),
            0u);
  EXPECT_EQ(s.hk, 5);
  EXPECT_EQ(s.cur.font, "other");
  JwwInit(s);  // usable again
  EXPECT_EQ(s.layerNames.size(), 256u);
}

TEST(JwwAddOrder, AppendsInReadingOrder) {
  Store s;
  JwwInit(s);
  for (int i = 0; i < 2500; ++i) JwwAddOrder(s, i % 15 + 1, i);
  ASSERT_EQ(s.order.size(), 2500u);
  EXPECT_EQ(s.order[1000].kind, 1000 % 15 + 1);
  EXPECT_EQ(s.order[1000].index, 1000);
}

TEST(JwwSetAttr, CopiesTheSevenCurrentValues) {
  Store s;
  JwwInit(s);
  s.cur.hhp = 3;
  s.cur.lg = 2;
  s.cur.ly = 5;
  s.cur.color = 6;
  s.cur.ltype = 4;
  s.cur.lwidth = 9;
  s.cur.zflags = 17;
  TJwwAttr a;
  JwwSetAttr(s, a);
  EXPECT_EQ(std::vector<std::int32_t>({a.hhp, a.lg, a.ly, a.color, a.ltype, a.lwidth, a.zflags}),
            std::vector<std::int32_t>({3, 2, 5, 6, 4, 9, 17}));
}

TEST(JwwClearOut, EmptiesAndReleasesTheOutputList) {
  TJwwOutLines out;
  out.bytes.assign(100000, 'x');
  out.count = 5;
  JwwClearOut(out);
  EXPECT_EQ(out.count, 0u);
  EXPECT_LT(out.bytes.capacity(), 100u);
}

}  // namespace

}  // namespace q527
