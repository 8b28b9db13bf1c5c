#include "cli/svg_document.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>
#include <vector>

#include "common/extended_trig.h"
#include "common/geometry.h"
#include "exchange/file_io.h"
#include "picture/frame.h"

namespace q527 {

namespace {

// The picture's frame in pixels: a fixed width, the drawing fitted into a
// square of kArea with a margin, the caption in a band below.
constexpr long double kWidth = 1000;
constexpr long double kMargin = 20;
constexpr long double kArea = kWidth - 2 * kMargin;
constexpr long double kMinDrawingHeight = 60;
constexpr long double kCaptionBand = 30;
constexpr std::size_t kPieceBytes = std::size_t{1} << 20;
// A semi-axis below this many pixels draws as the segment it nearly is: a
// renderer draws nothing for an ellipse of radius 0 and a straight chord for
// an arc of radius 0, where the curve runs to and fro along its axis.
constexpr long double kThinAxis = 0.005L;
constexpr const char* kFigureColour = "#2060d0";
constexpr const char* kPolygonColour = "#d02010";

long double Radians(long double degrees) { return degrees / 180 * kPi; }

// A tilt or start angle brought below one turn, so its sine and cosine, and
// the renderer's, stay exact.
long double TurnOf(long double degrees) {
  const long double r = std::fmod(degrees, 360.0L);
  if (r == 0) return 0;  // no "-0.00" in the file
  return r < 0 ? r + 360 : r;
}

// The curve as the picture draws it: its semi-axes, and its points by the
// one ellipse formula of the project (common/geometry.h).
struct Ellipse {
  const SvgCurve& c;
  long double cx, cy, a, b;
  ExtendedSinCos tilt;
  explicit Ellipse(const SvgCurve& c)
      : c(c),
        cx(c.cx),
        cy(c.cy),
        a(c.radius),
        b(static_cast<long double>(c.radius) * c.flat),
        tilt(SinCosExtended(static_cast<double>(Radians(TurnOf(c.tiltDeg))))) {}
  // The point at the parameter angle.
  void At(long double degrees, long double& x, long double& y) const {
    const ExtendedSinCos th = SinCosExtended(static_cast<double>(Radians(TurnOf(degrees))));
    EllipsePointAt(x, y, c.cx, c.cy, c.radius, c.flat, tilt.cos, tilt.sin, th.cos, th.sin);
  }
};

// Drawing units to pixels, y turned up, and the page's height.
struct Frame : PictureFrame {
  long double height = 0;
};

// The drawing fitted into a square of kArea, with the margin round it; a
// flat drawing keeps a band of kMinDrawingHeight, the caption its own below.
Frame FrameOf(const SvgPicture& picture) {
  PictureBox b;
  for (const auto& [key, layer] : picture.layers) {
    for (const SvgCurve& c : layer.curves) AddCurveBox(b, c);
    for (const auto& polygon : layer.polygons) {
      for (const SvgPoint& p : polygon) b.Add(p.x, p.y);
    }
  }
  const FittedFrame fit = FitBox(b, kMargin, kMargin, kArea, kArea);
  Frame f;
  static_cast<PictureFrame&>(f) = fit.frame;
  const long double drawing = std::max(fit.height, kMinDrawingHeight);
  f.oy = kMargin + (drawing - fit.height) / 2;
  f.height = std::ceil(2 * kMargin + drawing + kCaptionBand);
  return f;
}

// The document under construction, handed on piece by piece.
struct Out {
  std::string text;
  const std::function<bool(std::string_view)>& sink;
  bool ok = true;

  Out& operator<<(std::string_view s) {
    text += s;
    return *this;
  }
  // A pixel value, to a hundredth.
  Out& Num(long double v) {
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, static_cast<double>(v), std::chars_format::fixed, 2);
    text.append(buf, res.ptr);
    return *this;
  }
  void Flush(bool last) {
    if (!ok || (!last && text.size() < kPieceBytes)) return;
    ok = sink(text);
    text.clear();
  }
};

bool FinitePixels(std::initializer_list<long double> values) {
  for (const long double v : values) {
    if (!std::isfinite(v) || std::fabs(v) > 1e9L) return false;
  }
  return true;
}

// A curve too thin to have an outline: the points where it turns back
// (every quarter turn of its parameter holds all of them) joined by lines.
void EmitThinCurve(Out& out, const Frame& f, const SvgCurve& c, const Ellipse& e) {
  const long double sweep = IsDrawnClosed(c) ? 360.0L : c.sweepDeg;
  const long double start = c.startDeg;
  long double x, y;
  std::vector<std::pair<long double, long double>> points;
  e.At(start, x, y);
  points.emplace_back(f.X(x), f.Y(y));
  const long double dir = sweep >= 0 ? 1 : -1;
  long double q = dir > 0 ? std::floor(start / 90) * 90 + 90 : std::ceil(start / 90) * 90 - 90;
  for (int k = 0; k < 5 && (q - start) * dir < std::fabs(sweep); ++k, q += 90 * dir) {
    e.At(q, x, y);
    points.emplace_back(f.X(x), f.Y(y));
  }
  e.At(start + sweep, x, y);
  points.emplace_back(f.X(x), f.Y(y));
  for (const auto& [px, py] : points) {
    if (!FinitePixels({px, py})) return;
  }
  out << "<polyline points=\"";
  for (std::size_t k = 0; k < points.size(); ++k) {
    if (k > 0) out << " ";
    out.Num(points[k].first) << ",";
    out.Num(points[k].second);
  }
  out << "\"/>\n";
}

void EmitCurve(Out& out, const Frame& f, const SvgCurve& c) {
  if (!IsFiniteCurve(c)) return;
  const Ellipse e(c);
  const long double rx = std::fabs(e.a) * f.scale, ry = std::fabs(e.b) * f.scale;
  const long double cx = f.X(e.cx), cy = f.Y(e.cy);
  if (!FinitePixels({rx, ry, cx, cy})) return;
  if (rx < kThinAxis || ry < kThinAxis) return EmitThinCurve(out, f, c, e);
  // y down on the screen: the tilt turns the other way.
  const long double rotate = TurnOf(-static_cast<long double>(c.tiltDeg));
  if (IsDrawnClosed(c)) {
    if (c.flat == 1 || c.flat == -1) {
      out << "<circle cx=\"";
      out.Num(cx) << "\" cy=\"";
      out.Num(cy) << "\" r=\"";
      out.Num(rx) << "\"/>\n";
      return;
    }
    out << "<ellipse cx=\"";
    out.Num(cx) << "\" cy=\"";
    out.Num(cy) << "\" rx=\"";
    out.Num(rx) << "\" ry=\"";
    out.Num(ry) << "\"";
    if (rotate != 0) {
      out << " transform=\"rotate(";
      out.Num(rotate) << " ";
      out.Num(cx) << " ";
      out.Num(cy) << ")\"";
    }
    out << "/>\n";
    return;
  }
  // Counter-clockwise in the drawing is counter-clockwise on the screen,
  // which is SVG's negative sweep. A negative flatness mirrors the ellipse.
  const long double sweep = c.sweepDeg;
  const bool counterClockwise = (sweep > 0) == (c.flat > 0);
  // Pieces of at most a quarter turn: no large-arc choice, and no piece
  // whose ends meet.
  const int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / 90)));
  long double x, y;
  e.At(c.startDeg, x, y);
  out << "<path d=\"M";
  out.Num(f.X(x)) << " ";
  out.Num(f.Y(y));
  for (int k = 1; k <= pieces; ++k) {
    e.At(c.startDeg + sweep * k / pieces, x, y);
    out << " A";
    out.Num(rx) << " ";
    out.Num(ry) << " ";
    out.Num(rotate) << (counterClockwise ? " 0 0 " : " 0 1 ");
    out.Num(f.X(x)) << " ";
    out.Num(f.Y(y));
  }
  out << "\"/>\n";
}

// A polygon as polylines: a vertex that has no place in the picture (not a
// finite number) breaks it, and vertices in the same hundredth of a pixel as
// the one before are left out.
void EmitPolygon(Out& out, const Frame& f, const std::vector<SvgPoint>& polygon) {
  std::string points, last;
  std::size_t count = 0;
  auto finish = [&] {
    if (count >= 2) out << "<polyline points=\"" << points << "\"/>\n";
    points.clear();
    last.clear();
    count = 0;
  };
  for (const SvgPoint& p : polygon) {
    const long double x = f.X(p.x), y = f.Y(p.y);
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !FinitePixels({x, y})) {
      finish();
      continue;
    }
    Out one{{}, out.sink};
    one.Num(x) << ",";
    one.Num(y);
    if (one.text == last) continue;
    if (count > 0) points += ' ';
    points += one.text;
    last = std::move(one.text);
    ++count;
  }
  finish();
}

void EmitHex(Out& out, std::int32_t v) {
  char buf[16];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, 16);
  out << std::string_view(buf, static_cast<std::size_t>(res.ptr - buf));
}

void EmitText(Out& out, std::string_view text) {
  for (const char ch : text) {
    switch (ch) {
      case '&': out << "&amp;"; break;
      case '<': out << "&lt;"; break;
      case '>': out << "&gt;"; break;
      default: out.text += ch;
    }
  }
}

}  // namespace

bool EmitSvg(const SvgPicture& picture, const std::function<bool(std::string_view)>& sink) {
  const Frame f = FrameOf(picture);
  Out out{{}, sink};
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1000\" height=\"";
  out.Num(f.height) << "\" viewBox=\"0 0 1000 ";
  out.Num(f.height) << "\">\n<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n"
                       "<g fill=\"none\" stroke-width=\"1\" stroke-linejoin=\"round\">\n";
  for (const auto& [key, layer] : picture.layers) {
    out << "<g id=\"layer-";
    EmitHex(out, key.first);
    out << "-";
    EmitHex(out, key.second);
    out << "\">\n<g stroke=\"" << kFigureColour << "\">\n";
    for (const SvgCurve& c : layer.curves) {
      EmitCurve(out, f, c);
      out.Flush(false);
    }
    out << "</g>\n<g stroke=\"" << kPolygonColour << "\">\n";
    for (const auto& polygon : layer.polygons) {
      EmitPolygon(out, f, polygon);
      out.Flush(false);
    }
    out << "</g>\n</g>\n";
  }
  out << "</g>\n<text x=\"";
  out.Num(kMargin) << "\" y=\"";
  out.Num(f.height - kMargin) << "\" font-family=\"sans-serif\" font-size=\"14\" fill=\"#000000\">";
  EmitText(out, picture.caption);
  out << "</text>\n</svg>\n";
  out.Flush(true);
  return out.ok;
}

std::string SvgDocument(const SvgPicture& picture) {
  std::string all;
  EmitSvg(picture, [&](std::string_view piece) {
    all += piece;
    return true;
  });
  return all;
}

bool WriteSvgFile(const SvgPicture& picture, const std::filesystem::path& path) {
  FileReplacement file(path);
  if (EmitSvg(picture, [&](std::string_view piece) { return file.Append(piece); }) &&
      file.Commit()) {
    return true;
  }
  file.Discard();
  return false;
}

}  // namespace q527
