#include "exchange/writer.h"

#include <cmath>
#include <initializer_list>

#include "common/geometry.h"
#include "common/myfunc.h"
#include "exchange/number_text.h"
#include "exchange/out_line.h"

namespace q527 {

// Every figure line is assembled in a buffer on the stack and appended to the
// output bytes in one piece with its CR LF, so writing a figure costs no
// allocation and no intermediate string per number.

namespace {

// The degeneracy tolerance, held at extended precision: differences and
// magnitudes of doubles are compared against it as long double.
constexpr long double kTolerance = 1e-8L;

bool AtMostTolerance(double v) { return std::fabs(static_cast<long double>(v)) <= kTolerance; }

// Two points coincide when both differences are below the tolerance.
bool Coincide(double xa, double ya, double xb, double yb) {
  return std::fabs(static_cast<long double>(xb) - xa) < kTolerance &&
         std::fabs(static_cast<long double>(yb) - ya) < kTolerance;
}

template <typename... T>
bool AllFinite(T... v) {
  return (std::isfinite(v) && ...);
}

bool AllFinite(const double* v, int n) {
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(v[i])) return false;
  }
  return true;
}

// A line end or an end-of-file byte inside a text would break the file's
// line structure for the reader; no text read from a file holds one.
constexpr std::string_view kLineBreakers = "\r\n\x1A";

void AppendWithoutLineBreaks(std::string& out, std::string_view text) {
  if (text.find_first_of(kLineBreakers) == std::string_view::npos) {
    out.append(text);
    return;
  }
  for (char c : text) {
    if (kLineBreakers.find(c) == std::string_view::npos) out.push_back(c);
  }
}

// True when StripBlanks would leave nothing: only ASCII blanks, control
// bytes and full-width blanks. Decided without building the stripped text.
bool IsBlankText(std::string_view text) {
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(b)) {
      if (i + 1 >= n) return false;
      if (b != 0x81 || static_cast<unsigned char>(text[i + 1]) != 0x40) return false;
      i += 2;
    } else {
      if (b > 0x20) return false;
      ++i;
    }
  }
  return true;
}

// The command of a text: keyword, position and direction, blank and quote.
void AddTextLine(TJwwWriter& w, std::string_view keyword, std::string_view text, double x, double y,
                 double dx, double dy) {
  OutLine line;
  line.Word(keyword).Real(x).Real(y).Real(dx).Real(dy).Word(" \"");
  JwwAddOutJoined(w, line.View(), text);
}

bool SameOrTooClose(const double* p, int a, int b) {
  return Coincide(p[2 * a], p[2 * a + 1], p[2 * b], p[2 * b + 1]);
}

// The "so" / "sg" degeneracy: radius, inner value and flatness.
bool RingIsDegenerate(const std::array<double, 8>& v) {
  return static_cast<long double>(v[2]) <= kTolerance ||
         static_cast<long double>(v[7]) <= kTolerance ||
         static_cast<long double>(v[7]) >= static_cast<long double>(v[2]) - kTolerance ||
         AtMostTolerance(v[3]);
}

}  // namespace

void JwwWriteStart(TJwwWriter& w) { w.written = TJwwWritten{}; }

void JwwAddOut(TJwwWriter& w, std::string_view line) {
  std::string& out = w.lines.bytes;
  out.append(line);
  out.append("\r\n", 2);
  ++w.lines.count;
}

void JwwAddOutJoined(TJwwWriter& w, std::string_view command, std::string_view text) {
  std::string& out = w.lines.bytes;
  out.append(command);
  AppendWithoutLineBreaks(out, text);
  out.append("\r\n", 2);
  ++w.lines.count;
}

// ---------------------------------------------------------------------------
// Figure emitters

void JwwOutLine(TJwwWriter& w, double x1, double y1, double x2, double y2) {
  if (!AllFinite(x1, y1, x2, y2) || Coincide(x1, y1, x2, y2)) return;
  OutLine line;
  line.First(x1).Real(y1).Real(x2).Real(y2);
  AddLine(w, line);
}

void JwwOutPoint(TJwwWriter& w, double x, double y) {
  if (!AllFinite(x, y)) return;
  OutLine line;
  line.Word("pt").Real(x).Real(y);
  AddLine(w, line);
}

void JwwOutPointEx(TJwwWriter& w, double x, double y, double v1, double v2, std::int32_t code) {
  if (!AllFinite(x, y, v1, v2)) return;
  if (AtMostTolerance(v1)) v1 = 1.0;
  if (code < -7 || code > 11) code = -3;
  OutLine line;
  line.Word("pt").Real(x).Real(y).Real(v1).Real(v2).Int(code);
  AddLine(w, line);
}

void JwwOutCircle(TJwwWriter& w, double cx, double cy, double r) {
  if (!AllFinite(cx, cy, r) || static_cast<long double>(r) <= kTolerance) return;
  OutLine line;
  line.Word("ci").Real(cx).Real(cy).Real(r);
  AddLine(w, line);
}

void JwwOutArc(TJwwWriter& w, double cx, double cy, double r, double start, double end, double flat,
               double tilt) {
  if (!AllFinite(cx, cy, r, start, end, flat, tilt)) return;
  if (static_cast<long double>(r) <= kTolerance || AtMostTolerance(flat)) return;
  OutLine line;
  line.Word("ci").Real(cx).Real(cy).Real(r).Real(start).Real(end).Real(flat).Real(tilt);
  AddLine(w, line);
}

void JwwOutText(TJwwWriter& w, std::int32_t code, std::string_view text, double x, double y,
                double dx, double dy) {
  if (!AllFinite(x, y, dx, dy)) return;
  if (AtMostTolerance(dx) && AtMostTolerance(dy)) return;
  if (IsBlankText(text)) return;
  AddTextLine(w, JwwTextKeyword(code), text, x, y, dx, dy);
}

void JwwOutMsg(TJwwWriter& w, std::string_view text, double x1, double y1, double x2, double y2,
               double x, double y, double dx, double dy) {
  if (!AllFinite(x1, y1, x2, y2, x, y, dx, dy)) return;
  if (Coincide(x1, y1, x2, y2)) return;
  if (AtMostTolerance(dx) && AtMostTolerance(dy)) return;
  char lengthText[kRealTextMax];
  if (IsBlankText(text)) {
    // A message without words shows the length of its line, to 1e-8.
    const long double d = PointDistance(x1, y1, x2, y2);
    const double length = static_cast<double>(std::trunc(d / kTolerance + 0.5L) * kTolerance);
    if (!std::isfinite(length)) return;  // the line is longer than a double holds
    text = std::string_view(lengthText,
                            static_cast<std::size_t>(FormatReal(lengthText, length) - lengthText));
  }
  JwwAddOut(w, "msg");
  OutLine line;
  line.First(x1).Real(y1).Real(x2).Real(y2);
  AddLine(w, line);
  AddTextLine(w, "cs", text, x, y, dx, dy);
}

void JwwOutSolid2(TJwwWriter& w, double x1, double y1, double x2, double y2) {
  if (!AllFinite(x1, y1, x2, y2) || Coincide(x1, y1, x2, y2)) return;
  OutLine line;
  line.Word("sl").Real(x1).Real(y1).Real(x2).Real(y2);
  AddLine(w, line);
}

void JwwOutSolid3(TJwwWriter& w, double x1, double y1, double x2, double y2, double x3, double y3) {
  const double p[6] = {x1, y1, x2, y2, x3, y3};
  if (!AllFinite(p, 6)) return;
  if (SameOrTooClose(p, 0, 1) || SameOrTooClose(p, 0, 2) || SameOrTooClose(p, 1, 2)) return;
  OutLine line;
  line.Word("sl").Reals(p, 6);
  AddLine(w, line);
}

void JwwOutSolid4(TJwwWriter& w, double x1, double y1, double x2, double y2, double x3, double y3,
                  double x4, double y4) {
  const double p[8] = {x1, y1, x2, y2, x3, y3, x4, y4};
  if (!AllFinite(p, 8)) return;
  if (SameOrTooClose(p, 0, 1)) return JwwOutSolid3(w, x1, y1, x3, y3, x4, y4);
  if (SameOrTooClose(p, 0, 2)) return;
  if (SameOrTooClose(p, 0, 3)) return JwwOutSolid3(w, x1, y1, x2, y2, x3, y3);
  if (SameOrTooClose(p, 1, 2)) return JwwOutSolid3(w, x1, y1, x2, y2, x4, y4);
  if (SameOrTooClose(p, 1, 3)) return;
  if (SameOrTooClose(p, 2, 3)) return JwwOutSolid3(w, x1, y1, x2, y2, x3, y3);
  OutLine line;
  line.Word("sl").Reals(p, 8);
  AddLine(w, line);
}

void JwwOutSc(TJwwWriter& w, const std::array<double, 7>& v, std::int32_t code) {
  if (!AllFinite(v.data(), 7)) return;
  if (static_cast<long double>(v[2]) <= kTolerance || AtMostTolerance(v[3])) return;
  if (code != 100 && code != 5 && code != 0 && code != -1) return;
  OutLine line;
  line.Word("sc").Reals(v.data(), 7).Int(code);
  AddLine(w, line);
}

void JwwOutSe(TJwwWriter& w, const std::array<double, 7>& v, std::int32_t code) {
  if (!AllFinite(v.data(), 7)) return;
  if (static_cast<long double>(v[2]) <= kTolerance || AtMostTolerance(v[3])) return;
  if (code != 100 && code != 0) return;
  OutLine line;
  line.Word("se").Reals(v.data(), 7).Int(code);
  AddLine(w, line);
}

void JwwOutSo(TJwwWriter& w, const std::array<double, 8>& v) {
  if (!AllFinite(v.data(), 8) || RingIsDegenerate(v)) return;
  OutLine line;
  line.Word("so").Reals(v.data(), 8);
  AddLine(w, line);
}

void JwwOutSg(TJwwWriter& w, const std::array<double, 8>& v) {
  if (!AllFinite(v.data(), 8) || RingIsDegenerate(v)) return;
  OutLine line;
  line.Word("sg").Reals(v.data(), 8);
  AddLine(w, line);
}

std::string_view JwwTextKeyword(std::int32_t code) {
  if (code < 0 || code > 9) return kJwwTextKeywords[0];
  return kJwwTextKeywords[static_cast<std::size_t>(code)];
}

}  // namespace q527
