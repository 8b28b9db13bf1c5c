#include <cmath>
#include <cstdint>

#include "exchange/line_handlers.h"

namespace q527 {

namespace {

struct Corner {
  double x, y;
};

bool Coincide(Corner a, Corner b) {
  return std::fabs(a.x - b.x) <= 1e-10 && std::fabs(a.y - b.y) <= 1e-10;
}

void AddSolid2(Store& s, Corner a, Corner b) {
  TJwwEntSolid2& r = AddFigure(s, s.solid2s, kJwwSolid2);
  r.scolor = s.cur.solidColor;
  r.x1 = a.x;
  r.y1 = a.y;
  r.x2 = b.x;
  r.y2 = b.y;
}

void AddSolid3(Store& s, Corner a, Corner b, Corner c) {
  TJwwEntSolid3& r = AddFigure(s, s.solid3s, kJwwSolid3);
  r.scolor = s.cur.solidColor;
  r.x1 = a.x;
  r.y1 = a.y;
  r.x2 = b.x;
  r.y2 = b.y;
  r.x3 = c.x;
  r.y3 = c.y;
}

void AddSolid4(Store& s, Corner a, Corner b, Corner c, Corner d) {
  TJwwEntSolid4& r = AddFigure(s, s.solid4s, kJwwSolid4);
  r.scolor = s.cur.solidColor;
  r.x1 = a.x;
  r.y1 = a.y;
  r.x2 = b.x;
  r.y2 = b.y;
  r.x3 = c.x;
  r.y3 = c.y;
  r.x4 = d.x;
  r.y4 = d.y;
}

Corner CornerAt(const FieldList& f, std::size_t i) { return {Real(f, i), Real(f, i + 1)}; }

// Texts take their size and colour from their character kind, or the free
// size and colour for any kind outside 1..10.
void FillText(const Store& s, const FieldList& f, std::int32_t code, TJwwEntText& t) {
  JwwSetAttr(s, t.attr);
  t.code = code;
  t.cc = s.cur.cc;
  t.ckind = s.cur.ckind;
  if (t.ckind >= 1 && t.ckind <= 10) {
    const TJwwCharKind& k = s.charKinds[t.ckind];
    t.width = k.width;
    t.height = k.height;
    t.spacing = k.spacing;
    t.attr.color = k.color;
  } else {
    t.width = s.cur.freeWidth;
    t.height = s.cur.freeHeight;
    t.spacing = s.cur.freeSpacing;
    t.attr.color = s.cur.freeColor;
  }
  t.x = Real(f, 1);
  t.y = Real(f, 2);
  t.dx = Real(f, 3);
  t.dy = Real(f, 4);
  t.font = s.cur.font;
  t.text.assign(f[5]);
}

}  // namespace

// "sl": corners that coincide collapse the solid to fewer corners.
bool ReadSolid(Store& s, const FieldList& f, std::int32_t) {
  if (f.count != 5 && f.count != 7 && f.count < 9) return false;
  const Corner p1 = CornerAt(f, 1), p2 = CornerAt(f, 3);
  if (f.count == 5) {
    AddSolid2(s, p1, p2);
  } else if (f.count == 7) {
    const Corner p3 = CornerAt(f, 5);
    if (Coincide(p1, p2)) {
      AddSolid2(s, p1, p3);
    } else if (Coincide(p2, p3)) {
      AddSolid2(s, p1, p2);
    } else {
      AddSolid3(s, p1, p2, p3);
    }
  } else {
    const Corner p3 = CornerAt(f, 5), p4 = CornerAt(f, 7);
    const bool c12 = Coincide(p1, p2), c13 = Coincide(p1, p3), c23 = Coincide(p2, p3);
    const bool c14 = Coincide(p1, p4), c24 = Coincide(p2, p4), c34 = Coincide(p3, p4);
    if (c12 && c13) {
      AddSolid2(s, p1, p4);
    } else if (c23 && c24) {
      AddSolid2(s, p1, p2);
    } else if (c12 && c34) {
      AddSolid2(s, p1, p3);
    } else if (c14 || c24 || c34) {
      AddSolid3(s, p1, p2, p3);
    } else if (c13 || c23) {
      AddSolid3(s, p1, p2, p4);
    } else if (c12) {
      AddSolid3(s, p1, p3, p4);
    } else {
      AddSolid4(s, p1, p2, p3, p4);
    }
  }
  EndKeywordFigure(s);
  return true;
}

// "ch" ... "c2": a text; "cs" in message mode completes the message.
bool ReadText(Store& s, const FieldList& f, std::int32_t code) {
  if (code == 2 && s.cur.msgMode) {
    TJwwEntMsg& m = AddFigure(s, s.msgs, kJwwMsg);
    m.line = s.pendingMsgLine;
    m.line.plgroup = 0;
    FillText(s, f, 2, m.text);
  } else {
    TJwwEntText& t = AddFigure(s, s.texts, kJwwText);
    FillText(s, f, code, t);
  }
  EndKeywordFigure(s);
  return true;
}

// "ci": a circle of three numbers, or an arc or ellipse of seven.
bool ReadCircle(Store& s, const FieldList& f, std::int32_t) {
  if (f.count == 4) {
    TJwwEntCircle& c = AddFigure(s, s.circles, kJwwCircle);
    c.cx = Real(f, 1);
    c.cy = Real(f, 2);
    c.r = Real(f, 3);
  } else if (f.count >= 8) {
    TJwwEntArc& a = AddFigure(s, s.arcs, kJwwArc);
    a.cx = Real(f, 1);
    a.cy = Real(f, 2);
    a.r = Real(f, 3);
    a.start = Real(f, 4);
    a.end = Real(f, 5);
    a.flat = Real(f, 6);
    a.tilt = Real(f, 7);
  } else {
    return false;
  }
  EndKeywordFigure(s);
  return true;
}

// "pt": a point of two numbers, or a point with values of five.
bool ReadPoint(Store& s, const FieldList& f, std::int32_t) {
  if (f.count == 3) {
    TJwwEntPoint& pt = AddFigure(s, s.points, kJwwPoint);
    pt.attr.color = s.cur.pointColor;
    pt.x = Real(f, 1);
    pt.y = Real(f, 2);
  } else if (f.count >= 6) {
    TJwwEntPointEx& pt = AddFigure(s, s.pointExs, kJwwPointEx);
    pt.attr.color = s.cur.pointColor;
    pt.x = Real(f, 1);
    pt.y = Real(f, 2);
    pt.v1 = Real(f, 3);
    pt.v2 = Real(f, 4);
    pt.code = Int(f, 5);
  } else {
    return false;
  }
  EndKeywordFigure(s);
  return true;
}

bool ReadBlock(Store& s, const FieldList& f, std::int32_t) {
  TJwwEntBlk& b = AddFigure(s, s.blocks, kJwwBlock);
  b.x = Real(f, 1);
  b.y = Real(f, 2);
  b.name.assign(f[3]);
  EndKeywordFigure(s);
  return true;
}

// "sc" and "se": seven reals and a code.
bool ReadSevenReals(Store& s, const FieldList& f, std::int32_t kind) {
  TJwwEntSc& r = kind == kJwwSc ? AddFigure(s, s.scs, kJwwSc) : AddFigure(s, s.ses, kJwwSe);
  r.scolor = s.cur.solidColor;
  ReadReals(f, r.v, 7);
  r.code = Int(f, 8);
  EndKeywordFigure(s);
  return true;
}

// "so" and "sg": eight reals.
bool ReadEightReals(Store& s, const FieldList& f, std::int32_t kind) {
  TJwwEntSo& r = kind == kJwwSo ? AddFigure(s, s.sos, kJwwSo) : AddFigure(s, s.sgs, kJwwSg);
  r.scolor = s.cur.solidColor;
  ReadReals(f, r.v, 8);
  EndKeywordFigure(s);
  return true;
}

}  // namespace q527
