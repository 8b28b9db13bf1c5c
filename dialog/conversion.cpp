#include "dialog/conversion.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <vector>

#include "common/extended_trig.h"
#include "common/fpu_precision.h"
#include "common/geometry.h"
#include "common/myfunc.h"
#include "exchange/writer.h"

namespace {

// 2π at extended precision; the circle step is its quotient by N held as a
// double, so the vertices match those of the host's own conversions.
constexpr long double kTwoPi = 6.283185307179586476925286766559005768L;
// An arc whose ends meet to within this many degrees is a closed ellipse.
constexpr long double kClosedSweep = 1.0E-8L;
// Sweeps up to this size are reduced by the plain add/subtract-360 steps
// (at most a few thousand rounds); larger ones are first brought below 360
// by an exact remainder, so no angle can keep the run busy.
constexpr double kStepwiseLimit = 360.0 * 4096.0;
constexpr std::int64_t kMaxCount = std::numeric_limits<std::int32_t>::max();

struct Point {
  double x = 0;
  double y = 0;
};

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// Degrees to radians as EllipsePointDeg converts them.
double Radians(double degrees) { return static_cast<double>(degrees / 180.0L * kPi); }

// cos and sin of the N + 1 vertex angles of a walk: the start, then the step
// added N times, each angle as the point function takes it. The long double
// sine and cosine cost far more than the rest of a segment, and walks repeat:
// every circle walks the same angles, and so do all closed ellipses, and all
// circular solids of a full turn.
struct AngleTable {
  std::uint64_t startBits = 0, stepBits = 0;
  std::vector<long double> cos, sin;
  long long uses = 0;

  template <typename ToAngle>
  void Fill(std::int32_t n, double start, double step, ToAngle toAngle) {
    std::memcpy(&startBits, &start, sizeof start);
    std::memcpy(&stepBits, &step, sizeof step);
    const std::size_t count = static_cast<std::size_t>(ClampDivisionCount(n)) + 1;
    cos.resize(count);
    sin.resize(count);
    double a = start;
    for (std::size_t k = 0; k < cos.size(); ++k) {
      const ExtendedSinCos t = SinCosExtended(toAngle(a));
      cos[k] = t.cos;
      sin[k] = t.sin;
      a += step;
    }
    uses = 0;
  }
};

// The tables of the walks met most: a walk not kept takes the place of the
// one used least, so the walks that repeat stay while one-off walks come and
// go. Filling a table costs no more than the vertices it serves.
template <typename ToAngle>
class AngleTables {
 public:
  AngleTables(std::int32_t n, ToAngle toAngle) : n_(n), toAngle_(toAngle) {}

  const AngleTable& For(double start, double step) {
    std::uint64_t startBits, stepBits;
    std::memcpy(&startBits, &start, sizeof start);
    std::memcpy(&stepBits, &step, sizeof step);
    AngleTable* least = nullptr;
    for (AngleTable& t : tables_) {
      if (t.startBits == startBits && t.stepBits == stepBits && !t.cos.empty()) {
        ++t.uses;
        return t;
      }
      if (least == nullptr || t.uses < least->uses) least = &t;
    }
    least->Fill(n_, start, step, toAngle_);
    return *least;
  }

 private:
  std::int32_t n_;
  ToAngle toAngle_;
  std::array<AngleTable, 8> tables_;
};

Point CirclePoint(const TJwwEntCircle& c, const AngleTable& t, std::size_t k) {
  const long double x = t.cos[k] * c.r + c.cx;
  const long double y = t.sin[k] * c.r + c.cy;
  return {static_cast<double>(x), static_cast<double>(y)};
}

// EllipsePoint with the tilt's cosine and sine found once per figure and the
// angle's from a table; the operations are those of EllipsePoint and
// RotatePoint, in their order, so the vertices are the same to the last bit.
struct Tilt {
  long double c, s;
  explicit Tilt(double theta) {
    const ExtendedSinCos t = SinCosExtended(theta);
    c = t.cos;
    s = t.sin;
  }
};

Point TiltedEllipsePoint(double cx, double cy, double radius, double flatness, const Tilt& t,
                         long double cosA, long double sinA) {
  const double u = static_cast<double>(cosA * radius);
  const double v = static_cast<double>(sinA * (static_cast<long double>(radius) * flatness));
  const long double dx = static_cast<long double>(u) - 0.0;
  const long double dy = static_cast<long double>(v) - 0.0;
  Point p{static_cast<double>(0.0 + t.c * dx - t.s * dy),
          static_cast<double>(0.0 + t.s * dx + t.c * dy)};
  p.x += cx;
  p.y += cy;
  return p;
}

void SetSegment(TJwwEntLine& line, const TJwwAttr& attr, std::int32_t /*scolor*/, Point p, Point q) {
  line.attr = attr;
  line.x1 = p.x;
  line.y1 = p.y;
  line.x2 = q.x;
  line.y2 = q.y;
}

void SetSegment(TJwwEntSolid2& solid, const TJwwAttr& attr, std::int32_t scolor, Point p, Point q) {
  solid.attr = attr;
  solid.scolor = scolor;
  solid.x1 = p.x;
  solid.y1 = p.y;
  solid.x2 = q.x;
  solid.y2 = q.y;
}

// The frame shared by the three conversions: extend the target and order
// tables once to their exact new counts, write N segments per source figure
// at T0 + i·N + j, release the source table and mark its old order entries
// removed. `walk` gives, for one source figure, its attribute block, solid
// colour, start angle, step and point function; the point function takes the
// vertex's angle and its number 0..N.
template <typename Src, typename Dst, typename Walk>
bool ConvertFigures(Store& s, std::vector<Src>& src, std::vector<Dst>& dst, TJwwKind srcKind,
                    TJwwKind dstKind, std::int32_t n, Walk walk) {
  n = ClampDivisionCount(n);
  const auto c = static_cast<std::int64_t>(src.size());
  const auto t0 = static_cast<std::int64_t>(dst.size());
  const auto o0 = static_cast<std::int64_t>(s.order.size());
  const std::int64_t added = c * n;
  // Indexes and counts are 32-bit in the store and in the exchange format;
  // a conversion that would pass that limit is refused before anything
  // changes, instead of wrapping into negative indexes.
  if (t0 + added > kMaxCount || o0 + added > kMaxCount) return false;

  // Both reservations come first, so running out of memory leaves both
  // tables at their old counts; the appends below then never allocate, and
  // each new record is written once instead of zeroed first.
  dst.reserve(static_cast<std::size_t>(t0 + added));
  s.order.reserve(static_cast<std::size_t>(o0 + added));

  for (std::int64_t i = 0; i < c; ++i) {
    const Src& fig = src[static_cast<std::size_t>(i)];
    walk(fig, [&](const TJwwAttr& attr, std::int32_t scolor, double a, double step, auto pointAt) {
      Point p = pointAt(a, 0);
      for (std::int32_t j = 0; j < n; ++j) {
        // Summed step by step: the closing vertex is the point at start + N·s,
        // which may differ from the first vertex in the last bits.
        a += step;
        const Point q = pointAt(a, static_cast<std::size_t>(j) + 1);
        // Segments and order entries are appended in step: the segment goes
        // to T0 + i·N + j and its entry to the end of the old order table
        // plus the same offset.
        const std::int64_t at = t0 + i * n + j;
        SetSegment(dst.emplace_back(), attr, scolor, p, q);
        s.order.push_back(TJwwOrder{dstKind, static_cast<std::int32_t>(at)});
        p = q;
      }
    });
  }

  std::vector<Src>().swap(src);
  for (std::int64_t k = 0; k < o0; ++k) {
    TJwwOrder& entry = s.order[static_cast<std::size_t>(k)];
    if (entry.kind == srcKind) entry.kind = kJwwRemoved;
  }
  return true;
}

// Remembers whether the pass was told the Escape key was down, so the run
// can tell an abort from a finished pass.
struct WatchedEscape final : EscapeKey {
  explicit WatchedEscape(EscapeKey& key) : key(key) {}
  bool IsDown() override {
    if (key.IsDown()) pressed = true;
    return pressed;
  }
  EscapeKey& key;
  bool pressed = false;
};

constexpr std::string_view kRefusedMessage =
    "交換ファイル JWC_TEMP.TXT を最後まで読めなかったため、変換を行いません。"
    "図形は変更されません。";
constexpr std::string_view kFailedMessage =
    "メモリ不足または図形数の上限により変換を完了できませんでした。"
    "図形は変更されません。";
constexpr std::string_view kWriteFailedMessage =
    "交換ファイル JWC_TEMP.TXT を書き込めないため、変換を完了できませんでした。"
    "図形は変更されません。";

void AppendCount(std::string& text, std::size_t count) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, count);
  text.append(buf, res.ptr);
}

}  // namespace

double ArcSweepDegrees(double start, double end) {
  double sweep = end - start;
  // Infinite or undefined angles have no direction to follow; the whole
  // ellipse is the one polygon that is still well defined.
  if (!std::isfinite(sweep)) return 360.0;
  if (std::fabs(sweep) > kStepwiseLimit) sweep = std::fmod(sweep, 360.0);
  while (sweep < 0) sweep += 360.0;
  while (sweep >= 360.0) sweep -= 360.0;
  if (std::fabs(static_cast<long double>(sweep)) <= kClosedSweep ||
      std::fabs(static_cast<long double>(sweep) - 360.0L) <= kClosedSweep) {
    sweep = 360.0;
  }
  return sweep;
}

bool ConvertCircles(Store& s, std::int32_t n) {
  const std::int32_t segments = ClampDivisionCount(n);
  const double step = static_cast<double>(kTwoPi / segments);
  AngleTables tables(segments, [](double a) { return a; });
  const AngleTable& angles = tables.For(0.0, step);
  return ConvertFigures(s, s.circles, s.lines, kJwwCircle, kJwwLine, n,
                        [&](const TJwwEntCircle& c, auto emit) {
                          emit(c.attr, 0, 0.0, step, [&](double, std::size_t k) {
                            return CirclePoint(c, angles, k);
                          });
                        });
}

bool ConvertArcs(Store& s, std::int32_t n) {
  const std::int32_t segments = ClampDivisionCount(n);
  AngleTables tables(segments, Radians);
  return ConvertFigures(s, s.arcs, s.lines, kJwwArc, kJwwLine, n,
                        [&](const TJwwEntArc& arc, auto emit) {
                          const long double sweep = ArcSweepDegrees(arc.start, arc.end);
                          const double step = static_cast<double>(sweep / segments);
                          const AngleTable& angles = tables.For(arc.start, step);
                          const Tilt tilt(Radians(arc.tilt));
                          emit(arc.attr, 0, arc.start, step, [&](double, std::size_t k) {
                            return TiltedEllipsePoint(arc.cx, arc.cy, arc.r, arc.flat, tilt,
                                                      angles.cos[k], angles.sin[k]);
                          });
                        });
}

bool ConvertSolidCircles(Store& s, std::int32_t n) {
  const std::int32_t segments = ClampDivisionCount(n);
  AngleTables tables(segments, [](double a) { return a; });
  return ConvertFigures(s, s.ses, s.solid2s, kJwwSe, kJwwSolid2, n,
                        [&](const TJwwEntSe& se, auto emit) {
                          // The sweep is taken as stored: a negative one runs
                          // the other way round, zero gives N empty segments.
                          const long double sweep = se.v[6];
                          const double step = static_cast<double>(sweep / segments);
                          const AngleTable& angles = tables.For(se.v[5], step);
                          const Tilt tilt(se.v[4]);
                          emit(se.attr, se.scolor, se.v[5], step, [&](double, std::size_t k) {
                            return TiltedEllipsePoint(se.v[0], se.v[1], se.v[2], se.v[3], tilt,
                                                      angles.cos[k], angles.sin[k]);
                          });
                        });
}

// The three conversions append to the same two tables, circles and arcs
// even to the same line table. Reserving what all of them add at once moves
// (and touches fresh memory for) each table once instead of once per kind.
// Capacity only: the counts stay, and when memory is short the conversions
// fail exactly as they would have. A total past the 32-bit limit is left to
// the conversion that passes it to refuse.
void ReserveForConversion(Store& s, std::int32_t n, bool circles, bool arcs, bool solids) {
  const std::int64_t segments = ClampDivisionCount(n);
  const std::int64_t lines = segments * static_cast<std::int64_t>(
                                            (circles ? s.circles.size() : 0) +
                                            (arcs ? s.arcs.size() : 0));
  const std::int64_t solid2s =
      segments * static_cast<std::int64_t>(solids ? s.ses.size() : 0);
  const auto lineCount = static_cast<std::int64_t>(s.lines.size()) + lines;
  const auto solid2Count = static_cast<std::int64_t>(s.solid2s.size()) + solid2s;
  const auto orderCount = static_cast<std::int64_t>(s.order.size()) + lines + solid2s;
  if (lineCount > kMaxCount || solid2Count > kMaxCount || orderCount > kMaxCount) return;
  s.lines.reserve(static_cast<std::size_t>(lineCount));
  s.solid2s.reserve(static_cast<std::size_t>(solid2Count));
  s.order.reserve(static_cast<std::size_t>(orderCount));
}

RunOutcome RunConversion(Store& s, FormSettings& fields, const DialogState& state,
                         const std::filesystem::path& settingsPath, bool readComplete,
                         DialogUi& ui) {
  // The vertices and the output pass's tolerances are long double
  // arithmetic: the same bits on every build only at 64-bit precision.
  const ExtendedPrecisionScope precision;
  try {
    fields.FormLeft = state.left;
    fields.FormTop = state.top;
    fields.DivisionCount = ClampDivisionCount(TextToInt(state.edit1));
    fields.TargetCircle = state.checkCircle;
    fields.TargetArc = state.checkArc;
    fields.TargetSolid = state.checkSolid;
    // A settings file that cannot be replaced keeps its old content; the
    // run goes on without it.
    if (!settingsPath.empty()) SaveSettings(fields, settingsPath);

    // An exchange file read only in part would come back as "hd" with the
    // rest of the user's figures missing, and the host would delete them.
    // Nothing is queued, so the close writes "hq" and the drawing stays.
    if (!readComplete) {
      ui.ReportFailure(kRefusedMessage);
      return RunOutcome::kRefused;
    }

    const std::int32_t n = fields.DivisionCount;
    bool fits = true;
    ui.ShowNow("処理中です");
    ReserveForConversion(s, n, fields.TargetCircle, fields.TargetArc, fields.TargetSolid);
    ui.ShowNow("円データ参照中です");
    if (fields.TargetCircle) fits = ConvertCircles(s, n);
    if (fits) {
      ui.ShowNow("円弧・楕円データ参照中です");
      if (fields.TargetArc) fits = ConvertArcs(s, n);
    }
    if (fits) {
      ui.ShowNow("円周ソリッドデータ参照中です");
      if (fields.TargetSolid) fits = ConvertSolidCircles(s, n);
    }
    if (fits) {
      JwwAddOut(s, "hd");
      WatchedEscape escape(ui);
      JwwWriteAll(s, {}, &ui, &escape);
      ui.ShowNow("ファイル生成中です");
      return escape.pressed ? RunOutcome::kAborted : RunOutcome::kConverted;
    }
  } catch (const JwwSpillError&) {
    // The output went to the exchange file's temporary file as it grew, and
    // that file could not be written (a full disk, in practice).
    JwwClearOut(s);
    ui.ReportFailure(kWriteFailedMessage);
    return RunOutcome::kWriteFailed;
  } catch (const std::exception&) {
    // Memory running out while a table or the output grows, in most cases.
  }
  // Whatever was queued is incomplete: drop it so the close writes "hq" and
  // the host keeps its figures, and say so once.
  JwwClearOut(s);
  ui.ReportFailure(kFailedMessage);
  return RunOutcome::kFailed;
}

std::string CountsText(const Store& s) {
  std::string text = "円：";
  AppendCount(text, JwwCircleCount(s));
  text += " 円弧楕円弧：";
  AppendCount(text, JwwArcCount(s));
  text += " 円周S：";
  AppendCount(text, JwwSolidCircleCount(s));
  return text;
}
