#include "cli/svg_restore.h"

#include "common/number_texts.h"

namespace q527 {

namespace {

// The start and end of a line or linear solid.
template <typename Segment>
void AddSegment(SvgLayer& layer, const Segment& seg, bool& joined) {
  std::vector<std::vector<SvgPoint>>& walks = layer.polygons;
  // A segment that starts where the last one ended goes on from it.
  if (joined && !walks.empty() && walks.back().back().x == seg.x1 &&
      walks.back().back().y == seg.y1) {
    walks.back().push_back({seg.x2, seg.y2});
    return;
  }
  walks.push_back({{seg.x1, seg.y1}, {seg.x2, seg.y2}});
  joined = true;
}

// The restored figure of an entry the run appended, as a curve.
bool AddCurve(SvgPicture& picture, const Store& s, const TJwwOrder& e) {
  const auto i = static_cast<std::size_t>(e.index);
  const TJwwAttr* attr = nullptr;
  SvgSource source;
  if (e.kind == kJwwCircle && i < s.circles.size()) {
    attr = &s.circles[i].attr;
    source = SourceOfFigure(s.circles[i]);
  } else if (e.kind == kJwwArc && i < s.arcs.size()) {
    attr = &s.arcs[i].attr;
    source = SourceOfFigure(s.arcs[i]);
  } else if (e.kind == kJwwSe && i < s.ses.size()) {
    attr = &s.ses[i].attr;
    source = SourceOfFigure(s.ses[i]);
  }
  if (attr == nullptr) return false;
  picture.layers[{attr->lg, attr->ly}].curves.push_back(source.curve);
  return true;
}

}  // namespace

RestoreSnapshot TakeRestoreSnapshot(const Store& s) {
  RestoreSnapshot snapshot;
  snapshot.kinds.reserve(s.order.size());
  for (const TJwwOrder& e : s.order) snapshot.kinds.push_back(e.kind);
  return snapshot;
}

SvgPicture DrawRestore(const Store& after, const RestoreSnapshot& before) {
  SvgPicture picture;
  const std::size_t old = before.kinds.size();
  for (std::size_t k = old; k < after.order.size(); ++k) {
    ++picture.figures;
    if (picture.drawn < kSvgMaxFigures && AddCurve(picture, after, after.order[k])) ++picture.drawn;
  }
  // The consumed segments: entries the run marked removed.
  bool joined = false;
  for (std::size_t k = 0; k < old && picture.segments < kSvgMaxSegments; ++k) {
    const TJwwOrder& e = after.order[k];
    const auto i = static_cast<std::size_t>(e.index);
    if (e.kind != kJwwRemoved) {
      joined = false;
      continue;
    }
    if (before.kinds[k] == kJwwLine && i < after.lines.size()) {
      const TJwwEntLine& l = after.lines[i];
      AddSegment(picture.layers[{l.attr.lg, l.attr.ly}], l, joined);
    } else if (before.kinds[k] == kJwwSolid2 && i < after.solid2s.size()) {
      const TJwwEntSolid2& l = after.solid2s[i];
      AddSegment(picture.layers[{l.attr.lg, l.attr.ly}], l, joined);
    } else {
      continue;
    }
    ++picture.segments;
  }
  return picture;
}

std::string RestoreCaption(const RestoreSummary& summary, long long figures, long long drawn) {
  if (figures == 0) return "nothing restored";
  std::string text = IntegerText(figures) + " curves restored from " +
                     IntegerText(summary.segments) + " segments, largest deviation " +
                     ShortRealText(static_cast<double>(summary.largestDeviation));
  if (drawn < figures) text += "; the first " + IntegerText(drawn) + " drawn";
  return text;
}

}  // namespace q527
