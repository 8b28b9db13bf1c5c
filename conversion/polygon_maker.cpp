#include "conversion/polygon_maker.h"

#include <limits>
#include <memory>
#include <vector>

#include "conversion/figures.h"
#include "polygon/walk.h"

namespace q527 {

namespace {

// The figure a polygon record walks; false when its index is not the
// converted table's.
bool SourceFigureOf(const Store& s, const TJwwEntPolygon& p, PolygonFigure& f) {
  bool found = false;
  JwwVisitPolygonSource(s, p, [&](const auto& record) {
    f = FigureOf(record);
    found = true;
  });
  return found;
}

class ConversionWalk final : public TJwwPolygonWalk {
 public:
  void Vertices(const Store& s, const TJwwEntPolygon& p, std::vector<TJwwVertex>& out) override {
    PolygonFigure f;
    if (!SourceFigureOf(s, p, f)) {
      out.clear();
      return;
    }
    if (p.walk == kEvenWalk) {
      walker_.WalkEvenly(f, p.segments, vertices_);
    } else {
      const auto fit = static_cast<PolygonFit>(p.walk - 1);
      walker_.WalkPlanned(f, fit, p.segments, p.scale, vertices_);
    }
    out.resize(vertices_.size());
    for (std::size_t k = 0; k < vertices_.size(); ++k) out[k] = {vertices_[k].x, vertices_[k].y};
  }

 private:
  PolygonWalker walker_;
  std::vector<Vertex> vertices_;
};

struct ConversionMaker final : TJwwPolygonMaker {
  std::unique_ptr<TJwwPolygonWalk> NewWalk() const override {
    return std::make_unique<ConversionWalk>();
  }
};

// One polygon's segments appended as records of their own, with their
// order entries.
void AppendSegments(Store& s, const TJwwEntPolygon& p, const std::vector<TJwwVertex>& v,
                    std::vector<TJwwOrder>& order) {
  JwwVisitPolygonSource(s, p, [&](const auto& source) {
    for (std::size_t j = 0; j + 1 < v.size(); ++j) {
      if (p.source == kJwwSe) {
        order.push_back({kJwwSolid2, static_cast<std::int32_t>(s.solid2s.size())});
        TJwwEntSolid2& r = s.solid2s.emplace_back();
        r.attr = source.attr;
        if constexpr (requires { source.scolor; }) r.scolor = source.scolor;
        r.x1 = v[j].x, r.y1 = v[j].y, r.x2 = v[j + 1].x, r.y2 = v[j + 1].y;
      } else {
        order.push_back({kJwwLine, static_cast<std::int32_t>(s.lines.size())});
        TJwwEntLine& r = s.lines.emplace_back();
        r.attr = source.attr;
        r.x1 = v[j].x, r.y1 = v[j].y, r.x2 = v[j + 1].x, r.y2 = v[j + 1].y;
      }
    }
  });
}

}  // namespace

const TJwwPolygonMaker& ConversionPolygonMaker() {
  static const ConversionMaker maker;
  return maker;
}

void StorePolygonSegments(Store& s) {
  if (s.polygons.empty()) return;
  const std::unique_ptr<TJwwPolygonWalk> walk = ConversionPolygonMaker().NewWalk();
  std::vector<TJwwOrder> order;
  order.reserve(s.order.size());
  std::vector<TJwwVertex> vertices;
  for (const TJwwOrder& e : s.order) {
    const auto at = static_cast<std::size_t>(e.index);
    if (e.kind != kJwwPolygon || e.index < 0 || at >= s.polygons.size()) {
      if (e.kind != kJwwPolygon) order.push_back(e);
      continue;
    }
    walk->Vertices(s, s.polygons[at], vertices);
    AppendSegments(s, s.polygons[at], vertices, order);
  }
  s.order.swap(order);
  std::vector<TJwwEntPolygon>().swap(s.polygons);
  s.converted = TJwwConverted{};
}

}  // namespace q527
