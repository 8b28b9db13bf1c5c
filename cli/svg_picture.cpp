#include "cli/svg_picture.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "cli/number_texts.h"
#include "common/fpu_precision.h"
#include "common/geometry.h"

namespace q527 {

namespace {

SvgCurve CurveOf(const TJwwEntCircle& c) { return {c.cx, c.cy, c.r, 1, 0, 0, 360, true}; }

SvgCurve CurveOf(const TJwwEntArc& a) {
  const double sweep = ArcSweepDegrees(a.start, a.end);
  return {a.cx, a.cy, a.r, a.flat, a.tilt, a.start, sweep, sweep == 360.0};
}

SvgCurve CurveOf(const TJwwEntSe& se) {
  // Radians in the record; the conversion takes a sweep this close to a
  // full turn as closed.
  const long double toDeg = 180 / kPi;
  const bool closed = std::fabs(std::fabs(static_cast<long double>(se.v[6])) - 2 * kPi) <= 1.0E-8L;
  return {se.v[0],
          se.v[1],
          se.v[2],
          se.v[3],
          static_cast<double>(se.v[4] * toDeg),
          static_cast<double>(se.v[5] * toDeg),
          static_cast<double>(se.v[6] * toDeg),
          closed};
}

// The polygon's vertex walks from the segments the conversion made: a
// segment that does not start where the one before ended starts a new walk.
template <typename Segment>
void AddWalks(std::vector<std::vector<SvgPoint>>& into, const std::vector<Segment>& segments) {
  std::vector<SvgPoint>* walk = nullptr;
  for (const Segment& s : segments) {
    if (walk == nullptr || walk->back().x != s.x1 || walk->back().y != s.y1) {
      walk = &into.emplace_back();
      walk->push_back({s.x1, s.y1});
    }
    walk->push_back({s.x2, s.y2});
  }
}

}  // namespace

SvgSources TakeSvgSources(const Store& s, bool circles, bool arcs, bool solids) {
  SvgSources src;
  for (const TJwwOrder& e : s.order) {
    const bool chosen = (e.kind == kJwwCircle && circles) || (e.kind == kJwwArc && arcs) ||
                        (e.kind == kJwwSe && solids);
    if (!chosen) continue;
    ++src.total;
    if (static_cast<long long>(src.order.size()) >= kSvgMaxFigures) continue;
    const auto i = static_cast<std::size_t>(e.index);
    std::size_t at = 0;
    if (e.kind == kJwwCircle && i < s.circles.size()) {
      at = src.circles.size();
      src.circles.push_back(s.circles[i]);
    } else if (e.kind == kJwwArc && i < s.arcs.size()) {
      at = src.arcs.size();
      src.arcs.push_back(s.arcs[i]);
    } else if (e.kind == kJwwSe && i < s.ses.size()) {
      at = src.ses.size();
      src.ses.push_back(s.ses[i]);
    } else {
      continue;
    }
    src.order.push_back({e.kind, static_cast<std::int32_t>(at)});
  }
  return src;
}

SvgPicture DrawConversion(const SvgSources& sources, const PolygonPolicy& policy) {
  // The conversion's own precision, so its vertices here are those written.
  const ExtendedPrecisionScope precision;
  SvgPicture picture;
  picture.figures = sources.total;
  Store scratch;
  for (const TJwwOrder& e : sources.order) {
    scratch.lines.clear();
    scratch.solid2s.clear();
    scratch.order.clear();
    const auto i = static_cast<std::size_t>(e.index);
    TJwwAttr attr;
    SvgCurve curve;
    if (e.kind == kJwwCircle) {
      attr = sources.circles[i].attr;
      curve = CurveOf(sources.circles[i]);
      scratch.circles.push_back(sources.circles[i]);
      ConvertCircles(scratch, policy);
    } else if (e.kind == kJwwArc) {
      attr = sources.arcs[i].attr;
      curve = CurveOf(sources.arcs[i]);
      scratch.arcs.push_back(sources.arcs[i]);
      ConvertArcs(scratch, policy);
    } else {
      attr = sources.ses[i].attr;
      curve = CurveOf(sources.ses[i]);
      scratch.ses.push_back(sources.ses[i]);
      ConvertSolidCircles(scratch, policy);
    }
    const auto segments = static_cast<long long>(scratch.lines.size() + scratch.solid2s.size());
    if (picture.segments + segments > kSvgMaxSegments) break;
    SvgLayer& layer = picture.layers[{attr.lg, attr.ly}];
    layer.curves.push_back(curve);
    AddWalks(layer.polygons, scratch.lines);
    AddWalks(layer.polygons, scratch.solid2s);
    picture.segments += segments;
    ++picture.drawn;
  }
  return picture;
}

std::string SvgCaption(const PolygonSummary& summary, const PolygonPolicy& policy,
                       long long figures, long long drawn) {
  if (figures == 0) return "nothing converted";
  std::string text;
  if (policy.planned) {
    text = IntegerText(summary.polygons) + " polygons of " + IntegerText(summary.fewest) + " to " +
           IntegerText(summary.most) + " segments, largest deviation " +
           ShortRealText(summary.largestDeviation);
    if (summary.capped > 0) text += " (" + IntegerText(summary.capped) + " at the maximum count)";
  } else {
    text = IntegerText(figures) + " polygons of " +
           IntegerText(std::clamp(policy.segments, 3, 999)) + " segments";
  }
  if (drawn < figures) text += "; the first " + IntegerText(drawn) + " drawn";
  return text;
}

}  // namespace q527
