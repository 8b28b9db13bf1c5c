#include "exchange/store.h"

namespace {

// Empties a table and gives its memory back; clear() alone would keep it.
template <typename T>
void Release(T& table) {
  T().swap(table);
}

void ReleaseFigureTables(Store& s) {
  Release(s.lines);
  Release(s.circles);
  Release(s.arcs);
  Release(s.texts);
  Release(s.points);
  Release(s.pointExs);
  Release(s.msgs);
  Release(s.blocks);
  Release(s.solid2s);
  Release(s.solid3s);
  Release(s.solid4s);
  Release(s.scs);
  Release(s.ses);
  Release(s.sos);
  Release(s.sgs);
}

}  // namespace

void JwwInit(Store& s) {
  s.hk = 0.0;
  s.fileName.clear();
  s.groupScale.fill(1.0);
  s.sheetW = 1189.0;
  s.sheetH = 841.0;
  s.charKinds.fill(TJwwCharKind{});
  s.bz = false;
  s.hn.fill(0.0);

  s.initial = TJwwInitial{};

  s.groupNames.assign(16, std::string());
  s.groupValues.assign(16, 0);
  s.layerNames.assign(256, std::string());
  s.layerValues.assign(256, 0);

  s.hp.assign(100, TJwwHp{});
  s.hpCount = 0;

  // Only the six attributes the reader records an initial value for; the
  // other four belong to the writer's start.
  s.first.lg = true;
  s.first.ly = true;
  s.first.color = true;
  s.first.ltype = true;
  s.first.lwidth = true;
  s.first.ckind = true;

  s.cur = TJwwState{};
  s.cur.font.assign(kJwwDefaultFont);

  s.pendingMsgLine = TJwwEntLine{};
  s.pendingMsgLine.attr.color = 1;
  s.pendingMsgLine.attr.ltype = 1;
  s.pendingMsgLine.x2 = 1.0;

  Release(s.order);
  ReleaseFigureTables(s);
  JwwClearOut(s);
  s.out.spill.reset();
}

void JwwFree(Store& s) {
  Release(s.groupNames);
  Release(s.groupValues);
  Release(s.layerNames);
  Release(s.layerValues);
  Release(s.hp);
  Release(s.order);
  ReleaseFigureTables(s);
  JwwClearOut(s);
  s.out.spill.reset();
}

void JwwAddOrder(Store& s, std::int32_t kind, std::int32_t index) {
  s.order.push_back(TJwwOrder{kind, index});
}

void JwwSetAttr(const Store& s, TJwwAttr& attr) {
  attr.hhp = s.cur.hhp;
  attr.lg = s.cur.lg;
  attr.ly = s.cur.ly;
  attr.color = s.cur.color;
  attr.ltype = s.cur.ltype;
  attr.lwidth = s.cur.lwidth;
  attr.zflags = s.cur.zflags;
}

void JwwClearOut(Store& s) {
  std::string().swap(s.out.bytes);
  s.out.count = 0;
  s.out.spilled = 0;
  if (s.out.spill) s.out.spill->Discard();
}

std::size_t JwwTableCount(const Store& s, std::int32_t kind) {
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
