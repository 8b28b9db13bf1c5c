// The choices of q527-plus.exe as the run they ask for: each way of
// choosing maps to the request q527-cli makes of the same options.
#include "dialog/plus/choices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/options.h"
#include "dialog/plus/control_states.h"

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

// The way back's choices ask for what q527-cli --restore asks for with the
// same values: its deviation, fewest segments and kinds.
TEST(RequestOfTest, TheWayBackIsTheRequestOfCliRestore) {
  const struct {
    std::vector<const char*> cli;  // after "q527-cli --restore"
    const char* deviation;         // the choices: as typed
    std::int32_t fewest;
    bool circles, arcs, solids;
  } cases[] = {
      {{}, "0.01", 8, true, true, true},
      {{"--max-deviation", "0.5", "--min-segments", "12"}, " 0.5 ", 12, true, true, true},
      {{"--max-deviation", "1e-4", "-k", "arc"}, "+1e-4", 8, false, true, false},
      {{"--min-segments", "100000", "-k", "circle,solid"}, "", 250000, true, false, true},
      {{"--min-segments", "3", "-k", "none"}, "-2", -5, false, false, false},
      {{"--max-deviation", "0.01"}, "0.01mm", 8, true, true, true},
  };
  for (const auto& c : cases) {
    std::vector<const char*> argv = {"q527-cli", "--restore"};
    argv.insert(argv.end(), c.cli.begin(), c.cli.end());
    std::string line;
    for (const char* a : argv) line += std::string(a) + " ";
    SCOPED_TRACE(line);
    const CommandLine parsed =
        ParseCommandLine(static_cast<int>(argv.size()), const_cast<char**>(argv.data()));
    ASSERT_EQ(parsed.action, CommandLine::Action::kRun) << parsed.error;
    const Options& o = parsed.options;
    PlusChoices choices;
    choices.run = RunMode::kRestore;
    choices.restoreDeviation = c.deviation;
    choices.restoreMinSegments = c.fewest;
    choices.circles = c.circles;
    choices.arcs = c.arcs;
    choices.solids = c.solids;
    const ConversionRequest r = RequestOf(choices);
    EXPECT_EQ(r.mode, RunMode::kRestore);
    EXPECT_EQ(r.circles, o.circle);
    EXPECT_EQ(r.arcs, o.arc);
    EXPECT_EQ(r.solids, o.solid);
    EXPECT_EQ(r.restore.maxDeviation, o.restoreOptions.maxDeviation);
    EXPECT_EQ(r.restore.minSegments, o.restoreOptions.minSegments);
    EXPECT_EQ(r.restore.circles && r.restore.arcs && r.restore.solids,
              o.restoreOptions.circles && o.restoreOptions.arcs && o.restoreOptions.solids);
    EXPECT_FALSE(r.policy.planned);
    EXPECT_EQ(r.policy.segments, o.policy.segments);
  }
}

TEST(RestoreFieldsTest, ReadAsTheEditFieldsGiveThem) {
  EXPECT_EQ(RestoreDeviationOf("0.25"), 0.25);
  EXPECT_EQ(RestoreDeviationOf(""), 0.01);
  EXPECT_EQ(RestoreDeviationOf("0"), 0.01);
  const struct {
    const char* text;
    std::int32_t want;
  } counts[] = {{"8", 8}, {" 40 ", 40}, {"", 3}, {"2", 3}, {"100001", 100000}, {"abc", 3}};
  for (const auto& c : counts) EXPECT_EQ(RestoreSegmentCountOf(c.text), c.want) << c.text;
}

// Each mode greys what does not apply to it; the action and the kinds
// apply to both.
TEST(ControlAppliesTest, EachModeTakesItsOwnControls) {
  PlusChoices count, accuracy, restore;
  accuracy.mode = SegmentMode::kAccuracy;
  restore.run = RunMode::kRestore;
  restore.mode = SegmentMode::kAccuracy;  // the conversion's choice stays, greyed
  const struct {
    PlusCtl control;
    bool byCount, byAccuracy, restoring;
  } cases[] = {
      {PlusCtl::RadioConvert, true, true, true},
      {PlusCtl::RadioRestore, true, true, true},
      {PlusCtl::CheckArc, true, true, true},
      {PlusCtl::ButtonOk, true, true, true},
      {PlusCtl::EditRestoreDeviation, false, false, true},
      {PlusCtl::LabelRestoreFewest, false, false, true},
      {PlusCtl::RadioAccuracy, true, true, false},
      {PlusCtl::EditCount, true, true, false},
      {PlusCtl::RadioMid, true, true, false},
      {PlusCtl::GroupFit, true, true, false},
      {PlusCtl::EditDeviation, false, true, false},
      {PlusCtl::LabelMost, false, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.control));
    EXPECT_EQ(ControlApplies(c.control, count), c.byCount);
    EXPECT_EQ(ControlApplies(c.control, accuracy), c.byAccuracy);
    EXPECT_EQ(ControlApplies(c.control, restore), c.restoring);
  }
}

}  // namespace

}  // namespace q527
