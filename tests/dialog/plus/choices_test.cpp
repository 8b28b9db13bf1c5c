// The choices of q527-plus.exe as the run they ask for: each way of
// choosing maps to the request q527-cli makes of the same options.
#include "dialog/plus/choices.h"

#include <gtest/gtest.h>

#include <string>

namespace q527 {

namespace {

TEST(BoundOfTest, ReadsPositiveNumbersOnly) {
  const struct {
    const char* text;
    double want;
  } cases[] = {{"0.05", 0.05}, {" 2 ", 2},   {"+1.5", 1.5}, {"1e-3", 1e-3}, {"", 0},
               {"0", 0},       {"-1", 0},    {"abc", 0},    {"1.5mm", 0},   {"inf", 0},
               {"nan", 0},     {"1e999", 0}, {"++1", 0}};
  for (const auto& c : cases) EXPECT_EQ(BoundOf(c.text), c.want) << c.text;
}

TEST(RequestOfTest, DivisionCountOnTheCurveIsTheDescribedDialogsRule) {
  PlusChoices c;
  c.divisionCount = 36;
  c.solids = false;
  c.maxDeviation = "0.5";  // a bound typed but not chosen
  const ConversionRequest r = RequestOf(c);
  EXPECT_TRUE(r.circles && r.arcs && !r.solids);
  EXPECT_FALSE(r.policy.planned);
  EXPECT_EQ(r.policy.segments, 36);
  EXPECT_EQ(r.policy.maxDeviation, 0);
}

TEST(RequestOfTest, EachChoiceGivesTheRequestOfTheSameCliOptions) {
  struct Case {
    const char* cli;  // what q527-cli is given for the same choices
    SegmentMode mode;
    PolygonFit fit;
    const char *deviation, *angle, *length;
    std::int32_t count, fewest, most;
    PolygonPolicy want;
  };
  const auto policy = [](double d, double a, double l, std::int32_t n, std::int32_t lo,
                         std::int32_t hi, PolygonFit fit) {
    PolygonPolicy p;
    p.planned = true;
    p.maxDeviation = d;
    p.maxAngle = a;
    p.maxLength = l;
    p.segments = n;
    p.minSegments = lo;
    p.maxSegments = hi;
    p.fit = fit;
    return p;
  };
  const PolygonFit in = PolygonFit::kInscribed, out = PolygonFit::kCircumscribed,
                   mid = PolygonFit::kMid;
  const Case cases[] = {
      {"-n 12 --fit circumscribed", SegmentMode::kCount, out, "1", "", "", 12, 10, 20,
       policy(0, 0, 0, 12, 3, 999, out)},
      {"-n 5 --fit mid", SegmentMode::kCount, mid, "", "", "", 5, 3, 999,
       policy(0, 0, 0, 5, 3, 999, mid)},
      {"--max-deviation 0.5 --fit circumscribed", SegmentMode::kAccuracy, out, "0.5", "", "", 24, 3,
       999, policy(0.5, 0, 0, 24, 3, 999, out)},
      {"--max-angle 15 --max-length 2 --min-segments 8 --max-segments 64", SegmentMode::kAccuracy,
       in, "", "15", "2", 24, 8, 64, policy(0, 15, 2, 24, 8, 64, in)},
      {"-n 7 --fit inscribed (no bound given)", SegmentMode::kAccuracy, in, "x", "-3", "", 7, 3,
       999, policy(0, 0, 0, 7, 3, 999, in)},
      {"--max-deviation 1 (counts clamped)", SegmentMode::kAccuracy, mid, "1", "", "", 2000, 1,
       5000, policy(1, 0, 0, 999, 3, 999, mid)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cli);
    PlusChoices choices;
    choices.mode = c.mode;
    choices.fit = c.fit;
    choices.maxDeviation = c.deviation;
    choices.maxAngle = c.angle;
    choices.maxLength = c.length;
    choices.divisionCount = c.count;
    choices.minSegments = c.fewest;
    choices.maxSegments = c.most;
    const PolygonPolicy got = RequestOf(choices).policy;
    EXPECT_EQ(got.planned, c.want.planned);
    EXPECT_EQ(got.fit, c.want.fit);
    EXPECT_EQ(got.maxDeviation, c.want.maxDeviation);
    EXPECT_EQ(got.maxAngle, c.want.maxAngle);
    EXPECT_EQ(got.maxLength, c.want.maxLength);
    EXPECT_EQ(got.segments, c.want.segments);
    EXPECT_EQ(got.minSegments, c.want.minSegments);
    EXPECT_EQ(got.maxSegments, c.want.maxSegments);
  }
}

}  // namespace

}  // namespace q527
