#include "exchange/store.h"

#include <gtest/gtest.h>

#include <vector>

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
  s.first = TJwwFirst{false, false, false, false, false, false, false, false, false, false};
  s.cur.color = 7;
  s.cur.font = "other";
  s.cur.msgMode = true;
  s.pendingMsgLine.x1 = 9;
  s.lines.resize(3);
  s.sgs.resize(1);
  JwwAddOrder(s, kJwwLine, 0);
  s.out.bytes = "hd\r\n";
  s.out.count = 1;
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
  // The reader's six flags are set; the writer's four are left as they were.
  EXPECT_TRUE(s.first.lg && s.first.ly && s.first.color && s.first.ltype && s.first.lwidth &&
              s.first.ckind);
  EXPECT_FALSE(s.first.cc || s.first.font || s.first.pointColor || s.first.solidColor);

  const TJwwEntLine& m = s.pendingMsgLine;
  EXPECT_EQ(std::vector<std::int32_t>({m.attr.hhp, m.attr.lg, m.attr.ly, m.attr.color,
                                       m.attr.ltype, m.attr.lwidth, m.attr.zflags}),
            std::vector<std::int32_t>({0, 0, 0, 1, 1, 0, 0}));
  EXPECT_EQ(std::vector<double>({m.x1, m.y1, m.x2, m.y2}), std::vector<double>({0, 0, 1, 0}));

  EXPECT_TRUE(s.order.empty() && s.lines.empty() && s.sgs.empty());
  EXPECT_TRUE(s.out.bytes.empty());
  EXPECT_EQ(s.out.count, 0u);
}

TEST(JwwFree, ReleasesTablesAndKeepsHeaderValues) {
  Store s = DirtyStore();
  JwwFree(s);
  EXPECT_EQ(s.layerNames.capacity() + s.hp.capacity() + s.order.capacity() +
                s.lines.capacity() + s.out.bytes.size(),
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
  Store s;
  JwwInit(s);
  s.out.bytes.assign(100000, 'x');
  s.out.count = 5;
  JwwClearOut(s);
  EXPECT_EQ(s.out.count, 0u);
  EXPECT_LT(s.out.bytes.capacity(), 100u);
}

}  // namespace
