// A picture of a conversion: the figures that were converted, drawn as the
// curves they are, and the polygons that replace them, one group per layer,
// with the counts as a caption. Only q527-cli draws it; the exchange file
// knows nothing of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "conversion/polygons.h"
#include "exchange/store.h"
#include "picture/frame.h"
#include "polygon/walk.h"

namespace q527 {

// At most this many figures and polygon segments are drawn, the first in
// the file's order: a picture of millions of figures is one blot at any
// width, and its file would be hundreds of megabytes.
inline constexpr long long kSvgMaxFigures = 100000;
inline constexpr long long kSvgMaxSegments = 2000000;

// A converted figure as drawn (picture/frame.h).
using SvgCurve = PictureCurve;

struct SvgPoint {
  double x = 0, y = 0;
};

// The figures and polygons of one layer; a polygon is its vertex walk.
struct SvgLayer {
  std::vector<SvgCurve> curves;
  std::vector<std::vector<SvgPoint>> polygons;
};

struct SvgPicture {
  // By (layer group, layer).
  std::map<std::pair<std::int32_t, std::int32_t>, SvgLayer> layers;
  long long figures = 0;  // figures converted
  long long drawn = 0;    // of those, drawn
  long long segments = 0;
  std::string caption;  // ASCII or UTF-8
};

// A figure a conversion will replace: its layer, the curve drawn, and the
// figure as the polygon walk sees it.
struct SvgSource {
  std::int32_t lg = 0, ly = 0;
  SvgCurve curve;
  PolygonFigure figure;
};

// The figures a conversion of the chosen kinds will replace, taken before it
// runs (the conversion frees their tables): the first kSvgMaxFigures of them
// in the file's order, and the count of all.
struct SvgSources {
  std::vector<SvgSource> figures;
  long long total = 0;
};

SvgSources TakeSvgSources(const Store& s, bool circles, bool arcs, bool solids);

// A figure as the picture takes it: its layer, its curve (closed exactly
// when the conversion takes it as closed) and the figure the walk sees.
SvgSource SourceOfFigure(const TJwwEntCircle& c);
SvgSource SourceOfFigure(const TJwwEntArc& arc);
SvgSource SourceOfFigure(const TJwwEntSe& se);

// Draws the sources and the polygons the conversion makes of them, walked
// by the same routine and the same policy (the run's division count in
// `segments`), so the polygons drawn are those written.
SvgPicture DrawConversion(const SvgSources& sources, const PolygonPolicy& policy);

// The caption: "n polygons of a to b segments, largest deviation d" for a
// planned run, "n polygons of N segments" for the dialog's rule, and how
// many were drawn when the picture holds fewer than were converted.
std::string SvgCaption(const PolygonSummary& summary, const PolygonPolicy& policy,
                       long long figures, long long drawn);

}  // namespace q527
