#include "cli/svg_picture.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/fpu_precision.h"
#include "common/geometry.h"
#include "common/number_texts.h"
#include "conversion/figures.h"
#include "picture/curves.h"

namespace q527 {

namespace {

// A source: its layer, the curve drawn and the figure walked.
template <typename Record>
SvgSource SourceOf(const Record& r) {
  return SvgSource{r.attr.lg, r.attr.ly, CurveOf(r), FigureOf(r)};
}

}  // namespace

SvgSource SourceOfFigure(const TJwwEntCircle& c) { return SourceOf(c); }
SvgSource SourceOfFigure(const TJwwEntArc& arc) { return SourceOf(arc); }
SvgSource SourceOfFigure(const TJwwEntSe& se) { return SourceOf(se); }

namespace {}  // namespace

SvgSources TakeSvgSources(const Store& s, bool circles, bool arcs, bool solids) {
  SvgSources src;
  for (const TJwwOrder& e : s.order) {
    const bool chosen = (e.kind == kJwwCircle && circles) || (e.kind == kJwwArc && arcs) ||
                        (e.kind == kJwwSe && solids);
    if (!chosen) continue;
    ++src.total;
    if (static_cast<long long>(src.figures.size()) >= kSvgMaxFigures) continue;
    const auto i = static_cast<std::size_t>(e.index);
    if (e.kind == kJwwCircle && i < s.circles.size()) {
      src.figures.push_back(SourceOf(s.circles[i]));
    } else if (e.kind == kJwwArc && i < s.arcs.size()) {
      src.figures.push_back(SourceOf(s.arcs[i]));
    } else if (e.kind == kJwwSe && i < s.ses.size()) {
      src.figures.push_back(SourceOf(s.ses[i]));
    }
  }
  return src;
}

SvgPicture DrawConversion(const SvgSources& sources, const PolygonPolicy& policy) {
  // The conversion's own precision, so its vertices here are those written.
  const ExtendedPrecisionScope precision;
  SvgPicture picture;
  picture.figures = sources.total;
  PolygonWalker walker;
  std::vector<Vertex> vertices;
  for (const SvgSource& source : sources.figures) {
    walker.Walk(source.figure, policy, vertices);
    const auto segments = static_cast<long long>(vertices.size()) - 1;
    if (picture.segments + segments > kSvgMaxSegments) break;
    SvgLayer& layer = picture.layers[{source.lg, source.ly}];
    layer.curves.push_back(source.curve);
    std::vector<SvgPoint>& walk = layer.polygons.emplace_back();
    for (const Vertex& v : vertices) walk.push_back({v.x, v.y});
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
    text = IntegerText(figures) + " polygons of " + IntegerText(ClampSegments(policy.segments)) +
           " segments";
  }
  if (drawn < figures) text += "; the first " + IntegerText(drawn) + " drawn";
  return text;
}

}  // namespace q527
