#include "exchange/store.h"

namespace q527 {

namespace {

// Empties a table and gives its memory back; clear() alone would keep it.
template <typename T>
void Release(T& table) {
  T().swap(table);
}

}  // namespace

void JwwInit(Store& s) { s = Store{}; }

void JwwFree(Store& s) {
  Release(s.groupNames);
  Release(s.groupValues);
  Release(s.layerNames);
  Release(s.layerValues);
  Release(s.hp);
  Release(s.order);
  Release(s.polygons);
  Release(s.converted.circles);
  Release(s.converted.arcs);
  Release(s.converted.ses);
  JwwVisitTables(s, [](auto, auto& table) { Release(table); });
}

void JwwAddOrder(Store& s, std::int32_t kind, std::int32_t index) {
  s.order.push_back(TJwwOrder{kind, index});
}

std::size_t JwwTableCount(const Store& s, std::int32_t kind) {
  std::size_t n = 0;
  JwwVisitTable(s, kind, [&n](auto, const auto& table) { n = table.size(); });
  return n;
}

}  // namespace q527
