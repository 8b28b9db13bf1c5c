// q527-cli --svg end to end: the picture rendered by a real SVG renderer
// (rsvg-convert) shows each curve and its polygon where they must be, and
// the option's errors leave the user's files as they were.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "common/geometry.h"
#include "support/png_reader.h"
#include "support/test_files.h"

namespace q527 {

namespace {

namespace fs = std::filesystem;

// A big circle (its polygon gives the picture's scale), an arc, a flat
// tilted ellipse and a circular solid, on three layers.
constexpr const char* kDrawing =
    "lg1\r\nly2\r\nlc3\r\n"
    "ci 0 0 100\r\n"
    "ly3\r\n"
    "ci 300 0 80 30 300 1 0\r\n"
    "ci 150 250 90 0 360 0.3 30\r\n"
    "lg2\r\nly0\r\n"
    "se 400 250 50 1 0 0 6.28318530717959 100\r\n";

constexpr int kSegments = 6;

struct Figure {
  const char* name;
  double cx, cy, r, flat, tilt, start, sweep;  // degrees
};
const Figure kFigures[] = {
    {"circle", 0, 0, 100, 1, 0, 0, 360},
    {"arc", 300, 0, 80, 1, 0, 30, 270},
    {"flat tilted ellipse", 150, 250, 90, 0.3, 30, 0, 360},
    {"circular solid", 400, 250, 50, 1, 0, 0, 360},
};

enum class Colour { kBackground, kFigure, kPolygon, kOther };

// The figures are blue, the polygons red; a pixel a line only partly covers
// is a mix of its colour and the white background.
Colour ColourOf(const PngImage::Pixel& p) {
  if (p.r > 245 && p.g > 245 && p.b > 245) return Colour::kBackground;
  if (p.b - p.r > 60 && p.b - p.g > 20) return Colour::kFigure;
  if (p.r - p.b > 60 && p.r - p.g > 60) return Colour::kPolygon;
  return Colour::kOther;
}

// Whether a pixel of that colour lies within a pixel of (x, y).
bool ColourNear(const PngImage& img, double x, double y, Colour want) {
  const long px = std::lround(x), py = std::lround(y);
  for (long dy = -1; dy <= 1; ++dy) {
    for (long dx = -1; dx <= 1; ++dx) {
      if (ColourOf(img.At(px + dx, py + dy)) == want) return true;
    }
  }
  return false;
}

struct Pixel {
  double x, y;
};

std::vector<Pixel> FirstPolyline(const std::string& svg, const std::string& group) {
  const std::size_t at = svg.find("<polyline points=\"", svg.find("<g id=\"" + group + "\""));
  std::vector<Pixel> points;
  if (at == std::string::npos) return points;
  const std::string list = svg.substr(at + 18, svg.find('"', at + 18) - at - 18);
  const std::regex pair(R"(([-0-9.]+),([-0-9.]+))");
  for (std::sregex_iterator it(list.begin(), list.end(), pair), end; it != end; ++it) {
    points.push_back({std::stod((*it)[1]), std::stod((*it)[2])});
  }
  return points;
}

// rsvg-convert's rendering of the picture; an image with its error set when
// the renderer failed. rsvg-convert (Debian's librsvg2-bin) is installed
// with the test tools: a machine without it cannot pass these tests.
PngImage RenderPng(const fs::path& svg) {
  const fs::path png = fs::path(svg).replace_extension(".png");
  const std::string render = "rsvg-convert '" + svg.string() + "' -o '" + png.string() + "'";
  if (std::system(render.c_str()) != 0) {
    PngImage failed;
    failed.error = "rsvg-convert failed or is missing: " + render;
    return failed;
  }
  return DecodePng(ReadFileBytes(png));
}

class SvgCliTest : public ::testing::Test {
 protected:
  CliResult Run(const std::string& args) { return RunCli(dir_.path(), args); }

  TempDir dir_{"q527-svg-cli"};
  fs::path in_ = dir_ / "JWC_TEMP.TXT";
};

TEST_F(SvgCliTest, RenderedPictureShowsCurvesAndPolygonsApart) {
  WriteFileBytes(in_, kDrawing);
  const CliResult plain = Run("-q -n 6 -o plain.txt");
  ASSERT_EQ(plain.code, 0) << plain.err;
  const CliResult r = Run("-n 6 --svg p.svg -o out.txt");
  ASSERT_EQ(r.code, 0) << r.err;
  // The picture changes nothing in the exchange file.
  EXPECT_EQ(ReadFileBytes(dir_ / "out.txt"), ReadFileBytes(dir_ / "plain.txt"));
  const std::string svg = ReadFileBytes(dir_ / "p.svg");
  for (const char* group : {"layer-1-2", "layer-1-3", "layer-2-0"}) {
    EXPECT_NE(svg.find(std::string("<g id=\"") + group + "\""), std::string::npos) << group;
  }
  EXPECT_NE(svg.find(">4 polygons of 6 segments</text>"), std::string::npos) << svg;

  const PngImage img = RenderPng(dir_ / "p.svg");
  ASSERT_TRUE(img.error.empty()) << img.error;
  EXPECT_EQ(img.width, 1000u);

  // The big circle's hexagon gives the picture's frame: its centre is the
  // circle's centre (0, 0), its vertices lie 100 units from it.
  const std::vector<Pixel> hexagon = FirstPolyline(svg, "layer-1-2");
  ASSERT_EQ(hexagon.size(), 7u) << svg;
  Pixel centre{0, 0};
  for (int k = 0; k < kSegments; ++k) {
    centre.x += hexagon[k].x / kSegments;
    centre.y += hexagon[k].y / kSegments;
  }
  const double scale = std::hypot(hexagon[0].x - centre.x, hexagon[0].y - centre.y) / kFigures[0].r;
  ASSERT_GT(scale, 0.5);
  auto toPixel = [&](double x, double y) {
    return Pixel{centre.x + x * scale, centre.y - y * scale};
  };
  EXPECT_TRUE(ColourNear(img, centre.x, centre.y, Colour::kBackground));
  ASSERT_FALSE(ColourNear(img, 3, 3, Colour::kFigure));

  for (const Figure& f : kFigures) {
    SCOPED_TRACE(f.name);
    // The segment where curve and polygon lie farthest apart: the middle of
    // the chord is polygon, the curve's point halfway between its vertices
    // is figure.
    double best = 0;
    Pixel chord{}, curve{};
    for (int k = 0; k < kSegments; ++k) {
      double x0, y0, x1, y1, xm, ym;
      const double step = f.sweep / kSegments;
      EllipsePointDeg(x0, y0, f.cx, f.cy, f.r, f.flat, f.tilt, f.start + k * step);
      EllipsePointDeg(x1, y1, f.cx, f.cy, f.r, f.flat, f.tilt, f.start + (k + 1) * step);
      EllipsePointDeg(xm, ym, f.cx, f.cy, f.r, f.flat, f.tilt, f.start + (k + 0.5) * step);
      const Pixel c = toPixel((x0 + x1) / 2, (y0 + y1) / 2), m = toPixel(xm, ym);
      const double apart = std::hypot(c.x - m.x, c.y - m.y);
      if (apart > best) {
        best = apart;
        chord = c;
        curve = m;
      }
    }
    ASSERT_GT(best, 6.0);
    EXPECT_TRUE(ColourNear(img, chord.x, chord.y, Colour::kPolygon)) << chord.x << "," << chord.y;
    EXPECT_FALSE(ColourNear(img, chord.x, chord.y, Colour::kFigure));
    EXPECT_TRUE(ColourNear(img, curve.x, curve.y, Colour::kFigure)) << curve.x << "," << curve.y;
    EXPECT_FALSE(ColourNear(img, curve.x, curve.y, Colour::kPolygon));
    // Halfway between them neither is drawn.
    EXPECT_TRUE(
        ColourNear(img, (chord.x + curve.x) / 2, (chord.y + curve.y) / 2, Colour::kBackground));
  }
}

TEST_F(SvgCliTest, BadPictureOptionsAreRefusedBeforeAnythingIsWritten) {
  WriteFileBytes(in_, kDrawing);
  struct Case {
    const char* args;
    const char* errHas;
  };
  const Case cases[] = {
      {"--svg", "--svg needs a file name"},
      {"--svg p.svg --counts", "not with --counts or --cancel"},
      {"--svg p.svg --cancel", "not with --counts or --cancel"},
      {"--svg -", "not standard output"},
      {"--svg JWC_TEMP.TXT", "names the exchange file"},
      {"--svg ./JWC_TEMP.TXT", "names the exchange file"},
      {"--svg out.txt -o out.txt", "names the exchange file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CliResult r = Run(c.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("usage:"), std::string::npos);
  }
  EXPECT_EQ(ReadFileBytes(in_), kDrawing);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);
}

TEST_F(SvgCliTest, PictureThatCannotBeWrittenStillLeavesTheConversion) {
  WriteFileBytes(in_, kDrawing);
  const CliResult r = Run("-n 6 --svg absent/p.svg -o out.txt");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("absent/p.svg: cannot write the picture"), std::string::npos) << r.err;
  // The summary, then the one error line.
  EXPECT_NE(r.err.find("lines written to out.txt"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFileBytes(dir_ / "out.txt").substr(0, 4), "hd\r\n");
  EXPECT_FALSE(fs::exists(dir_ / "absent"));
}

TEST_F(SvgCliTest, NothingChosenDrawsAnEmptyPicture) {
  WriteFileBytes(in_, kDrawing);
  const CliResult r = Run("-q -k none --svg p.svg -o out.txt");
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string svg = ReadFileBytes(dir_ / "p.svg");
  EXPECT_NE(svg.find(">nothing converted</text>"), std::string::npos) << svg;
  EXPECT_EQ(svg.find("<g id="), std::string::npos);
}

// Coordinates near the ends of the double range and a figure of size 1e-300
// beside them: the picture holds no number a renderer cannot take.
TEST_F(SvgCliTest, ExtremeCoordinatesGiveARenderablePicture) {
  WriteFileBytes(in_,
                 "ci 1e300 1e300 1e300\r\n"
                 "ci -1e300 0 5 0 90 1 0\r\n"
                 "se 1e-300 0 1e-300 1 0 0 6.28318530717959 100\r\n");
  const CliResult r = Run("-q --max-deviation 0.1 --svg p.svg -o out.txt");
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string svg = ReadFileBytes(dir_ / "p.svg");
  EXPECT_EQ(svg.find("nan"), std::string::npos) << svg;
  EXPECT_EQ(svg.find("inf"), std::string::npos) << svg;
  const PngImage img = RenderPng(dir_ / "p.svg");
  EXPECT_TRUE(img.error.empty()) << img.error;
}

TEST_F(SvgCliTest, PlannedRunTellsTheLargestDeviation) {
  WriteFileBytes(in_, "ci 0 0 5\r\n");
  const CliResult r = Run("-q --max-deviation 0.1 --svg p.svg -o out.txt");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(ReadFileBytes(dir_ / "p.svg")
                .find(">1 polygons of 16 to 16 segments, largest deviation 0.0960736</text>"),
            std::string::npos);
}

}  // namespace

}  // namespace q527
