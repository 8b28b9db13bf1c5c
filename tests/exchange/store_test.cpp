#include "exchange/store.h"

#include <gtest/gtest.h>

namespace {

// A store whose every part holds something other than its reset value.
Store DirtyStore() {
  Store s;
  JwwInit(s);
  s.hk = 5;
  s.fileName = "x.jww";
  s.groupScale[3] = 50;
  s.sheetW = 1;
  s.charKinds[4] = {9, 9, 9, 9};
  s.bz = true;
  s.hn[2] = 7;
  s.initial.font = "f";
  s.initial.ltype = 5;
  s.groupNames[1] = "g";
  s.layerValues[35] = 4;
  s.hp[12] = {true, 1, 2, 3};
  s.hpCount = 1;
  s.first = TJwwFirst{false, false, false, false, false, false, false, false, false, false};
  s.cur.color = 7;
  s.cur.font = "other";
  s.cur.msgMode = true;
  s.cur.lwGiven = true;
  s.pendingMsgLine.x1 = 9;
  s.lines.resize(3);
  s.texts.resize(2);
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
  for (double g : s.groupScale) EXPECT_EQ(g, 1.0);
  EXPECT_EQ(s.sheetW, 1189.0);
  EXPECT_EQ(s.sheetH, 841.0);
  for (int k = 1; k <= 10; ++k) {
    EXPECT_EQ(s.charKinds[k].width, 3.0);
    EXPECT_EQ(s.charKinds[k].height, 3.0);
    EXPECT_EQ(s.charKinds[k].spacing, 0.0);
    EXPECT_EQ(s.charKinds[k].color, 2);
  }
  EXPECT_FALSE(s.bz);
  for (double h : s.hn) EXPECT_EQ(h, 0.0);

  EXPECT_EQ(s.groupNames.size(), 16u);
  EXPECT_EQ(s.groupValues.size(), 16u);
  EXPECT_EQ(s.layerNames.size(), 256u);
  EXPECT_EQ(s.layerValues.size(), 256u);
  EXPECT_TRUE(s.groupNames[1].empty());
  EXPECT_EQ(s.layerValues[35], 0);
  ASSERT_EQ(s.hp.size(), 100u);
  EXPECT_FALSE(s.hp[12].used);
  EXPECT_EQ(s.hp[12].x, 0);
  EXPECT_EQ(s.hp[12].suffix, 0);
  EXPECT_EQ(s.hpCount, 0);

  EXPECT_EQ(s.cur.hhp, 0);
  EXPECT_EQ(s.cur.lg, 0);
  EXPECT_EQ(s.cur.color, 1);
  EXPECT_EQ(s.cur.ltype, 1);
  EXPECT_EQ(s.cur.lwidth, 0);
  EXPECT_EQ(s.cur.ckind, 1);
  EXPECT_EQ(s.cur.freeWidth, 2.0);
  EXPECT_EQ(s.cur.freeHeight, 2.0);
  EXPECT_EQ(s.cur.freeColor, 1);
  EXPECT_EQ(s.cur.font, kJwwDefaultFont);
  EXPECT_FALSE(s.cur.msgMode);
  EXPECT_FALSE(s.cur.inPolyline);
  EXPECT_FALSE(s.cur.lwGiven);
  EXPECT_EQ(s.cur.pointColor, 1);
  EXPECT_EQ(s.cur.solidColor, 0);

  EXPECT_TRUE(s.initial.font.empty());
  EXPECT_EQ(s.initial.ltype, 1);

  // The reader's six flags are set; the writer's four are left as they were.
  EXPECT_TRUE(s.first.lg && s.first.ly && s.first.color && s.first.ltype && s.first.lwidth &&
              s.first.ckind);
  EXPECT_FALSE(s.first.cc || s.first.font || s.first.pointColor || s.first.solidColor);

  const TJwwEntLine& m = s.pendingMsgLine;
  EXPECT_EQ(m.attr.hhp, 0);
  EXPECT_EQ(m.attr.color, 1);
  EXPECT_EQ(m.attr.ltype, 1);
  EXPECT_EQ(m.attr.lwidth, 0);
  EXPECT_EQ(m.plgroup, 0);
  EXPECT_EQ(m.x1, 0.0);
  EXPECT_EQ(m.y1, 0.0);
  EXPECT_EQ(m.x2, 1.0);
  EXPECT_EQ(m.y2, 0.0);

  EXPECT_TRUE(s.order.empty());
  EXPECT_TRUE(s.lines.empty());
  EXPECT_TRUE(s.texts.empty());
  EXPECT_TRUE(s.sgs.empty());
  EXPECT_TRUE(s.out.bytes.empty());
  EXPECT_EQ(s.out.count, 0u);
  EXPECT_EQ(JwwCircleCount(s) + JwwArcCount(s) + JwwSolidCircleCount(s), 0u);
}

TEST(JwwInit, DefaultFontIsTheFifteenShiftJisBytes) {
  EXPECT_EQ(kJwwDefaultFont.size(), 15u);
  EXPECT_EQ(kJwwDefaultFont.front(), '<');
  EXPECT_EQ(kJwwDefaultFont.back(), '>');
}

TEST(JwwFree, ReleasesTablesAndKeepsHeaderValues) {
  Store s = DirtyStore();
  JwwFree(s);
  EXPECT_EQ(s.layerNames.capacity(), 0u);
  EXPECT_EQ(s.hp.capacity(), 0u);
  EXPECT_EQ(s.order.capacity(), 0u);
  EXPECT_EQ(s.lines.capacity(), 0u);
  EXPECT_EQ(s.texts.capacity(), 0u);
  EXPECT_EQ(s.out.bytes.size(), 0u);
  EXPECT_EQ(s.hk, 5);
  EXPECT_EQ(s.cur.font, "other");
  // A store can be used again after JwwInit.
  JwwInit(s);
  EXPECT_EQ(s.layerNames.size(), 256u);
}

TEST(JwwAddOrder, AppendsInOrderAndKeepsRemovedEntriesInPlace) {
  Store s;
  JwwInit(s);
  for (int i = 0; i < 2500; ++i) JwwAddOrder(s, i % 15 + 1, i);
  ASSERT_EQ(s.order.size(), 2500u);
  EXPECT_EQ(s.order[1000].kind, 1000 % 15 + 1);
  EXPECT_EQ(s.order[1000].index, 1000);
  s.order[7].kind = kJwwRemoved;
  EXPECT_EQ(s.order[7].index, 7);
  EXPECT_EQ(s.order[8].kind, 8 % 15 + 1);
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
  s.cur.pointColor = 8;  // not part of the block
  TJwwAttr a;
  JwwSetAttr(s, a);
  EXPECT_EQ(a.hhp, 3);
  EXPECT_EQ(a.lg, 2);
  EXPECT_EQ(a.ly, 5);
  EXPECT_EQ(a.color, 6);
  EXPECT_EQ(a.ltype, 4);
  EXPECT_EQ(a.lwidth, 9);
  EXPECT_EQ(a.zflags, 17);
}

TEST(JwwClearOut, EmptiesAndReleasesTheOutputList) {
  Store s;
  JwwInit(s);
  s.out.bytes.assign(100000, 'x');
  s.out.count = 5;
  JwwClearOut(s);
  EXPECT_EQ(s.out.count, 0u);
  EXPECT_TRUE(s.out.bytes.empty());
  EXPECT_LT(s.out.bytes.capacity(), 100u);
}

}  // namespace
