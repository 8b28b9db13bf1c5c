// Converted figures as the store keeps them: one small record per figure
// instead of its segments, which the output pass makes as it writes them.
//
// A drawing at N = 999 would otherwise hold a 64-byte record and an order
// entry for every segment before a single line is written; kept this way its
// memory does not grow with the segment count. The exchange layer knows the
// records, not the geometry: whoever converted the figures lends the store a
// TJwwPolygonMaker, and the output pass asks it for each polygon's vertices.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace q527 {

struct Store;

// A figure made into a polygon: its source record, its segment count and how
// its vertices are walked. The segments carry the source's attribute block
// (and, for a circular solid, its solid colour): lines for circles and arcs,
// linear solids for circular solids.
struct TJwwEntPolygon {
  std::int32_t source = 0;    // kJwwCircle, kJwwArc or kJwwSe
  std::int32_t index = 0;     // in that kind's table of Store::converted
  std::int32_t segments = 0;  // the polygon's segments; its vertices are one more
  std::int32_t walk = 0;      // the maker's own code for how the vertices are walked
  double scale = 0;           // the walk's scale, in the maker's terms
};

struct TJwwVertex {
  double x = 0;
  double y = 0;
};

// Walks the vertices of polygons; one per thread, as it may keep tables of
// the walks that repeat.
struct TJwwPolygonWalk {
  virtual ~TJwwPolygonWalk() = default;
  // The polygon's segments + 1 vertices, in writing order.
  virtual void Vertices(const Store& s, const TJwwEntPolygon& p, std::vector<TJwwVertex>& out) = 0;
};

// What the store's polygons are walked with: a walk for each thread that
// writes them.
struct TJwwPolygonMaker {
  virtual ~TJwwPolygonMaker() = default;
  virtual std::unique_ptr<TJwwPolygonWalk> NewWalk() const = 0;
};

}  // namespace q527
