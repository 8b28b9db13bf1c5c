// The picture of a conversion: what is taken and drawn, where it lands in
// pixels, the layer groups and the caption, and documents that stay sound
// for drawings no screen can hold.
#include "cli/svg_picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "cli/svg_document.h"
#include "cli/svg_restore.h"
#include "conversion/polygon_maker.h"
#include "exchange/reader.h"
#include "exchange/file_io.h"
#include "support/test_files.h"

namespace q527 {

namespace {

namespace fs = std::filesystem;

// Every number in the document's geometry, in order (not its namespace,
// colours or caption).
std::vector<double> NumbersIn(const std::string& doc) {
  std::vector<double> all;
  static const std::regex number(R"([-+]?[0-9]+(\.[0-9]+)?([eE][-+]?[0-9]+)?|nan|inf)");
  static const std::regex names(R"x((xmlns|stroke|fill)="[^"]*"|>[^<]*</text>)x");
  const std::string geometry = std::regex_replace(doc, names, "");
  for (std::sregex_iterator it(geometry.begin(), geometry.end(), number), end; it != end; ++it) {
    all.push_back(std::strtod(it->str().c_str(), nullptr));
  }
  return all;
}

// The values of the attribute in each element of the tag, in order.
std::vector<double> AttrOf(const std::string& doc, const std::string& tag,
                           const std::string& attr) {
  std::vector<double> all;
  const std::regex element("<" + tag + R"( [^>]*\b)" + attr + R"x(="([^"]*)")x");
  for (std::sregex_iterator it(doc.begin(), doc.end(), element), end; it != end; ++it) {
    all.push_back(std::strtod((*it)[1].str().c_str(), nullptr));
  }
  return all;
}

SvgPicture PictureOf(std::vector<SvgCurve> curves, std::int32_t lg = 0, std::int32_t ly = 0) {
  SvgPicture p;
  p.layers[{lg, ly}].curves = std::move(curves);
  return p;
}

// A document a renderer can show: no number that is not finite, every one
// within the page, and the page of the fixed width.
void ExpectSoundDocument(const std::string& doc) {
  EXPECT_EQ(doc.find("nan"), std::string::npos) << doc;
  EXPECT_EQ(doc.find("inf"), std::string::npos) << doc;
  EXPECT_NE(doc.find("width=\"1000\""), std::string::npos);
  const std::vector<double> height = AttrOf(doc, "svg", "height");
  ASSERT_EQ(height.size(), 1u);
  for (const double v : NumbersIn(doc)) {
    EXPECT_TRUE(std::isfinite(v)) << doc;
    EXPECT_LE(std::fabs(v), std::max(1000.0, height[0]) + 1) << doc;
  }
  EXPECT_EQ(doc.substr(doc.size() - 7), "</svg>\n");
}

TEST(SvgDocumentTest, FitsTheDrawingWithYUp) {
  // Two circles: the box is x -10..110, y -10..60, so 120 units take the
  // 960 pixels between the margins (8 a unit) and y runs downwards from 60.
  SvgPicture p = PictureOf({{0, 0, 10}, {100, 50, 10}});
  const std::string doc = SvgDocument(p);
  EXPECT_EQ(AttrOf(doc, "circle", "cx"), (std::vector<double>{100, 900}));
  EXPECT_EQ(AttrOf(doc, "circle", "cy"), (std::vector<double>{500, 100}));
  EXPECT_EQ(AttrOf(doc, "circle", "r"), (std::vector<double>{80, 80}));
  EXPECT_EQ(AttrOf(doc, "svg", "height"), std::vector<double>{20 + 560 + 20 + 30});
  ExpectSoundDocument(doc);

  // A tall drawing is fitted by its height, centred across.
  p = PictureOf({{0, 0, 10}, {0, 220, 10}});
  const std::string tall = SvgDocument(p);
  EXPECT_EQ(AttrOf(tall, "circle", "cx"), (std::vector<double>{500, 500}));
  EXPECT_EQ(AttrOf(tall, "circle", "cy"), (std::vector<double>{940, 60}));
  EXPECT_EQ(AttrOf(tall, "circle", "r"), (std::vector<double>{40, 40}));
}

TEST(SvgDocumentTest, PolygonsAreDrawnWhereTheirVerticesAre) {
  SvgPicture p = PictureOf({{0, 0, 10}});
  p.layers[{0, 0}].polygons.push_back({{10, 0}, {0, 10}, {-10, 0}, {0, -10}, {10, 0}});
  const std::string doc = SvgDocument(p);
  EXPECT_NE(doc.find("<polyline points=\"980.00,500.00 500.00,20.00 20.00,500.00 "
                     "500.00,980.00 980.00,500.00\"/>"),
            std::string::npos)
      << doc;
  // The figure is drawn before (under) its polygon.
  EXPECT_LT(doc.find("<circle"), doc.find("<polyline"));
}

TEST(SvgDocumentTest, ArcsTurnAsInTheDrawing) {
  // Upper right quarter of the unit circle, counter-clockwise in the
  // drawing: on the screen from (right, centre) up to (centre, top), SVG's
  // negative sweep. A mirrored ellipse or a negative sweep turns the other way.
  struct Case {
    const char* name;
    SvgCurve curve;
    const char* path;
  };
  const Case cases[] = {
      {"counter-clockwise",
       {0, 0, 1, 1, 0, 0, 90, false},
       "M980.00 980.00 A960.00 960.00 0.00 0 0 20.00 20.00"},
      {"negative sweep",
       {0, 0, 1, 1, 0, 90, -90, false},
       "M20.00 20.00 A960.00 960.00 0.00 0 1 980.00 980.00"},
      {"mirrored",
       {0, 0, 1, -1, 0, 0, -90, false},
       "M980.00 980.00 A960.00 960.00 0.00 0 0 20.00 20.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string doc = SvgDocument(PictureOf({c.curve}));
    EXPECT_NE(doc.find(c.path), std::string::npos) << doc;
  }
  // Past a quarter turn the arc is drawn in pieces: no piece's ends meet,
  // and no renderer has to choose between the large and the small arc.
  const std::string most = SvgDocument(PictureOf({{0, 0, 1, 1, 0, 10, 359.9, false}}));
  EXPECT_EQ(std::count(most.begin(), most.end(), 'A'), 4);
}

TEST(SvgDocumentTest, TiltedEllipseTurnsTheOtherWayOnTheScreen) {
  const std::string doc = SvgDocument(PictureOf({{0, 0, 10, 0.5, 30, 0, 360, true}}));
  EXPECT_NE(doc.find("transform=\"rotate(330.00 "), std::string::npos) << doc;
  EXPECT_EQ(AttrOf(doc, "ellipse", "rx").size(), 1u);
  const double rx = AttrOf(doc, "ellipse", "rx")[0], ry = AttrOf(doc, "ellipse", "ry")[0];
  EXPECT_NEAR(ry * 2, rx, 0.02);
}

TEST(SvgDocumentTest, FlatEllipseIsTheSegmentItRunsAlong) {
  // Flatness 0 along 90°: the curve runs up and down the y axis; a renderer
  // would draw nothing for an ellipse of height 0.
  const std::string doc = SvgDocument(PictureOf({{0, 0, 10, 0, 90, 0, 360, true}}));
  EXPECT_EQ(doc.find("<ellipse"), std::string::npos);
  EXPECT_NE(doc.find("<polyline"), std::string::npos);
  const std::size_t at = doc.find("<polyline");
  ASSERT_NE(at, std::string::npos);
  const std::vector<double> all = NumbersIn(doc.substr(at, doc.find("/>", at) - at));
  // From the top (parameter 0) down through the centre to the bottom and back.
  EXPECT_EQ(all, (std::vector<double>{500, 20, 500, 500, 500, 980, 500, 500, 500, 20}));
  ExpectSoundDocument(doc);
}

TEST(SvgDocumentTest, DegenerateAndHugeDrawingsGiveSoundDocuments) {
  const double big = 1.7e308;
  const double nan = std::nan("");
  struct Case {
    const char* name;
    SvgPicture picture;
  };
  SvgPicture empty;
  SvgPicture point = PictureOf({{5, 5, 0}});
  point.layers[{0, 0}].polygons.push_back({{5, 5}, {5, 5}, {5, 5}});
  SvgPicture far = PictureOf({{1e300, 1e300, 1e300}, {-1e300, 5, 1}});
  SvgPicture edge = PictureOf({{big, big, big, 1, 0, 0, 90, false}, {-big, -big, 1}});
  edge.layers[{0, 0}].polygons.push_back({{big, big}, {-big, -big}, {nan, 0}, {0, 1}});
  SvgPicture tiny = PictureOf({{1e-300, 0, 1e-305}, {0, 0, 1e-310, 0.5, 1e300, 1e300, -7}});
  SvgPicture broken = PictureOf({{nan, 0, 1}, {0, 0, 1, 1, nan, 0, 90, false}});
  const Case cases[] = {{"empty", empty},          {"one point", point}, {"1e300", far},
                        {"largest doubles", edge}, {"tiny", tiny},       {"not numbers", broken}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectSoundDocument(SvgDocument(c.picture));
  }
}

TEST(SvgDocumentTest, OneGroupPerLayerWithContent) {
  SvgPicture p = PictureOf({{0, 0, 1}}, 1, 2);
  p.layers[{0, 10}].curves.push_back({5, 5, 1});
  p.layers[{15, 15}].polygons.push_back({{0, 0}, {1, 1}});
  const std::string doc = SvgDocument(p);
  const std::regex group(R"x(<g id="([^"]*)")x");
  std::vector<std::string> ids;
  for (std::sregex_iterator it(doc.begin(), doc.end(), group), end; it != end; ++it) {
    ids.push_back((*it)[1]);
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"layer-0-a", "layer-1-2", "layer-f-f"}));
}

TEST(SvgDocumentTest, CaptionIsTextBelowTheDrawing) {
  SvgPicture p = PictureOf({{0, 0, 1}});
  p.caption = "3 polygons <of> 4 & more";
  const std::string doc = SvgDocument(p);
  EXPECT_NE(doc.find(">3 polygons &lt;of&gt; 4 &amp; more</text>"), std::string::npos) << doc;
  const double y = AttrOf(doc, "text", "y").at(0);
  EXPECT_GT(y, 980);  // under the drawing's 960 pixels and its top margin
  EXPECT_LT(y, AttrOf(doc, "svg", "height").at(0));
}

TEST(SvgCaptionTest, SaysCountsAndDeviation) {
  PolygonPolicy seed;
  seed.segments = 24;
  PolygonPolicy planned;
  planned.planned = true;
  PolygonSummary sum{.polygons = 24, .fewest = 12, .most = 40, .largestDeviation = 0.05};
  PolygonSummary capped = sum;
  capped.capped = 2;
  PolygonPolicy clamped;
  clamped.segments = 2000;
  struct Case {
    PolygonSummary summary;
    PolygonPolicy policy;
    long long figures, drawn;
    const char* want;
  };
  const Case cases[] = {
      {sum, planned, 24, 24, "24 polygons of 12 to 40 segments, largest deviation 0.05"},
      {capped, planned, 24, 24,
       "24 polygons of 12 to 40 segments, largest deviation 0.05 (2 at the maximum count)"},
      {{}, seed, 7, 7, "7 polygons of 24 segments"},
      {{}, clamped, 7, 7, "7 polygons of 999 segments"},
      {{}, seed, 150000, 100000, "150000 polygons of 24 segments; the first 100000 drawn"},
      {{}, seed, 0, 0, "nothing converted"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SvgCaption(c.summary, c.policy, c.figures, c.drawn), c.want);
  }
}

Store StoreWith(int circles, int arcs, int solids) {
  Store s;
  auto add = [&](auto& table, TJwwKind kind, auto record) {
    table.push_back(record);
    s.order.push_back({kind, static_cast<std::int32_t>(table.size() - 1)});
  };
  for (int i = 0; i < circles; ++i) {
    add(s.circles, kJwwCircle, TJwwEntCircle{.attr = {.lg = 1, .ly = 2}, .cx = 1.0 * i, .r = 3});
    s.lines.push_back({});  // a figure that is not converted, between them
    s.order.push_back({kJwwLine, static_cast<std::int32_t>(s.lines.size() - 1)});
  }
  for (int i = 0; i < arcs; ++i) {
    add(s.arcs, kJwwArc,
        TJwwEntArc{.attr = {.ly = 3}, .r = 5, .start = 10, .end = 200, .flat = 0.5, .tilt = 20});
  }
  for (int i = 0; i < solids; ++i) {
    TJwwEntSe se;
    se.attr.lg = 4;
    se.v = {0, 0, 2, 1, 0, 0.5, -2};
    add(s.ses, kJwwSe, se);
  }
  return s;
}

TEST(DrawConversionTest, DrawsThePolygonsTheConversionWrites) {
  for (const bool planned : {false, true}) {
    SCOPED_TRACE(planned ? "planned" : "division count");
    PolygonPolicy policy;
    policy.segments = 7;
    policy.planned = planned;
    policy.maxDeviation = 0.01;
    Store s = StoreWith(2, 1, 1);
    const SvgSources src = TakeSvgSources(s, true, true, true);
    ASSERT_EQ(ConvertCircles(s, policy), ConvertStatus::kDone);
    ASSERT_EQ(ConvertArcs(s, policy), ConvertStatus::kDone);
    ASSERT_EQ(ConvertSolidCircles(s, policy), ConvertStatus::kDone);
    StorePolygonSegments(s);
    const SvgPicture p = DrawConversion(src, policy);
    EXPECT_EQ(p.figures, 4);
    EXPECT_EQ(p.drawn, 4);
    EXPECT_EQ(p.segments, static_cast<long long>(s.lines.size() - 2 + s.solid2s.size()));
    // Each polygon's vertices are the written segments' ends, bit for bit.
    std::vector<SvgPoint> written;
    for (std::size_t k = 2; k < s.lines.size(); ++k)
      written.push_back({s.lines[k].x2, s.lines[k].y2});
    for (const auto& q : s.solid2s) written.push_back({q.x2, q.y2});
    std::vector<SvgPoint> drawn;
    for (const auto& key : {std::pair{1, 2}, std::pair{0, 3}, std::pair{4, 0}}) {
      ASSERT_TRUE(p.layers.count(key));
      for (const auto& polygon : p.layers.at(key).polygons) {
        drawn.insert(drawn.end(), polygon.begin() + 1, polygon.end());
      }
    }
    ASSERT_EQ(drawn.size(), written.size());
    for (std::size_t k = 0; k < drawn.size(); ++k) {
      EXPECT_EQ(drawn[k].x, written[k].x) << k;
      EXPECT_EQ(drawn[k].y, written[k].y) << k;
    }
    EXPECT_EQ(p.layers.size(), 3u);
    EXPECT_EQ(p.layers.at({4, 0}).curves.at(0).sweepDeg, -2 * 180 / M_PI);
  }
}

TEST(DrawConversionTest, TakesOnlyTheChosenKindsUpToTheCaps) {
  const Store s = StoreWith(3, 2, 4);
  const SvgSources some = TakeSvgSources(s, false, true, true);
  EXPECT_EQ(some.total, 6);
  // The chosen kinds, in the file's order: the arcs, then the solids.
  ASSERT_EQ(some.figures.size(), 6u);
  for (std::size_t k = 0; k < 6; ++k) {
    EXPECT_EQ(some.figures[k].figure.unit, k < 2 ? AngleUnit::kDegrees : AngleUnit::kRadians);
    EXPECT_FALSE(some.figures[k].figure.circle);
  }

  const Store many = StoreWith(static_cast<int>(kSvgMaxFigures) + 5, 0, 0);
  const SvgSources first = TakeSvgSources(many, true, true, true);
  EXPECT_EQ(first.total, kSvgMaxFigures + 5);
  EXPECT_EQ(static_cast<long long>(first.figures.size()), kSvgMaxFigures);

  // 999 segments a figure: the segment cap ends the picture first.
  const Store big = StoreWith(2100, 0, 0);
  PolygonPolicy policy;
  policy.segments = 999;
  const SvgPicture p = DrawConversion(TakeSvgSources(big, true, true, true), policy);
  EXPECT_EQ(p.figures, 2100);
  EXPECT_EQ(p.drawn, kSvgMaxSegments / 999);
  EXPECT_EQ(p.segments, p.drawn * 999);
}

// The way back's picture: the consumed segments as one polyline per run of
// segments that follow each other in the file, the restored curves, and
// nothing of what was left as it was.
TEST(DrawRestoreTest, DrawsConsumedSegmentsAndRestoredCurves) {
  std::string file = "lg1\r\nly2\r\n";
  char buf[160];
  for (int k = 0; k < 16; ++k) {
    const double a = 2 * M_PI * k / 16, b = 2 * M_PI * (k + 1) / 16;
    std::snprintf(buf, sizeof buf, "%.15g %.15g %.15g %.15g\r\n", 5 + 3 * std::cos(a),
                  3 * std::sin(a), 5 + 3 * std::cos(b), 3 * std::sin(b));
    file += buf;
  }
  file += "ly3\r\n0 0 10 0\r\n10 0 5 8\r\n5 8 0 0\r\n";  // a triangle stays
  Store s;
  JwwInit(s);
  JwwReadBuffer(s, file);
  const RestoreSnapshot before = TakeRestoreSnapshot(s);
  RestoreSummary sum;
  ASSERT_EQ(RestoreCurves(s, {}, &sum), ConvertStatus::kDone);
  const SvgPicture p = DrawRestore(s, before);
  EXPECT_EQ(p.figures, 1);
  EXPECT_EQ(p.drawn, 1);
  EXPECT_EQ(p.segments, 16);
  ASSERT_EQ(p.layers.size(), 1u);
  const SvgLayer& layer = p.layers.at({1, 2});
  ASSERT_EQ(layer.curves.size(), 1u);
  EXPECT_NEAR(layer.curves[0].radius, 3, 1e-9);
  EXPECT_TRUE(layer.curves[0].closed);
  ASSERT_EQ(layer.polygons.size(), 1u);
  EXPECT_EQ(layer.polygons[0].size(), 17u);
  EXPECT_EQ(RestoreCaption(sum, p.figures, p.drawn).rfind("1 curves restored from 16 segments", 0),
            0u);
  EXPECT_EQ(RestoreCaption({}, 0, 0), "nothing restored");
}

TEST(WriteSvgFileTest, FailedWriteKeepsTheOldPicture) {
  TempDir dir("q527-svg");
  const fs::path path = dir / "p.svg";
  const SvgPicture p = PictureOf({{0, 0, 1}});
  ASSERT_TRUE(WriteSvgFile(p, path));
  EXPECT_EQ(ReadFileBytes(path), SvgDocument(p));
  WriteFileBytes(path, "old");
  for (long long k = 1; k <= 4; ++k) {
    FaultArm(k);
    const bool ok = WriteSvgFile(p, path);
    FaultArm(0);
    if (ok) break;
    EXPECT_EQ(ReadFileBytes(path), "old") << k;
  }
  EXPECT_FALSE(WriteSvgFile(p, dir / "absent" / "p.svg"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace

}  // namespace q527
