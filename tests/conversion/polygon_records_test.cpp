// Converted figures kept as one polygon record each write exactly what their
// segments kept as records of their own wrote: the same lines, the same
// progress texts and the same looks at Escape (one per segment), an abort at
// any look included. And the store no longer grows with the segment count,
// while the 32-bit count limit still counts the segments.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "bench/workload.h"
#include "conversion/polygon_maker.h"
#include "conversion/polygons.h"
#include "support/conversion_store.h"
#include "support/recorded_pass.h"

namespace q527 {

namespace {

std::vector<std::pair<const char*, PolygonPolicy>> Policies() {
  PolygonPolicy deviation{.planned = true, .maxDeviation = 0.05};
  PolygonPolicy circumscribed = deviation;
  circumscribed.fit = PolygonFit::kCircumscribed;
  PolygonPolicy mid = deviation;
  mid.fit = PolygonFit::kMid;
  mid.maxDeviation = 0.5;
  return {{"n3", PolygonPolicy{.segments = 3}},
          {"n24", PolygonPolicy{.segments = 24}},
          {"deviation", deviation},
          {"circumscribed", circumscribed},
          {"mid", mid}};
}

TEST(PolygonRecords, WriteWhatTheirSegmentsAsRecordsWrite) {
  const std::pair<const char*, std::string> drawings[] = {
      {"conversion", GenerateConversion(5, 300, 200, 60)},
      {"realistic", GenerateRealistic(7, 3000)},
  };
  TJwwOverrides solidColour;
  solidColour.color = 10;
  solidColour.solidColor = 3;
  solidColour.lwidth = 2;
  for (const auto& [drawing, text] : drawings) {
    for (const auto& [policy, p] : Policies()) {
      SCOPED_TRACE(std::string(drawing) + " " + policy);
      const Store records = Converted(text, p);
      ASSERT_FALSE(records.polygons.empty());
      Store segments = records;
      StorePolygonSegments(segments);
      ASSERT_TRUE(segments.polygons.empty());
      ExpectSamePass(RecordPass(records), RecordPass(segments));
      ExpectSamePass(RecordPass(records, 0, 1, solidColour),
                     RecordPass(segments, 0, 1, solidColour));
      // Aborts at the first look, inside the polygons and near the end.
      const int looks = RecordPass(segments).polls;
      for (const int at : {1, 2, 7, looks / 2, looks}) {
        SCOPED_TRACE(at);
        ExpectSamePass(RecordPass(records, at), RecordPass(segments, at));
      }
    }
  }
}

TEST(PolygonRecords, StoreDoesNotGrowWithTheSegmentCount) {
  const std::string drawing = GenerateConversion(9, 200, 100, 30);
  const Store few = Converted(drawing, PolygonPolicy{.segments = 3});
  const Store many = Converted(drawing, PolygonPolicy{.segments = 999});
  EXPECT_EQ(many.polygons.size(), 330u);
  EXPECT_EQ(many.order.size(), few.order.size());
  EXPECT_EQ(many.lines.size(), few.lines.size());
  EXPECT_EQ(many.solid2s.size(), few.solid2s.size());
  // The progress still counts every segment.
  EXPECT_EQ(JwwCountedEntries(many) - JwwCountedEntries(few), 330u * 996u);
}

TEST(PolygonRecords, CountLimitCountsTheSegmentsOfEarlierConversions) {
  // 1,074,822 circles and as many arcs of 999 segments: each kind alone is
  // within the 32-bit limit, both together pass it.
  Store s = ReadStore("");
  s.circles.resize(1074822, TJwwEntCircle{kFigureAttr, 0, 0, 1});
  s.arcs.resize(1074822, TJwwEntArc{kFigureAttr, 0, 0, 1, 0, 90, 1, 0});
  ASSERT_EQ(ConvertCircles(s, 999), ConvertStatus::kDone);
  const std::size_t entries = s.order.size();
  EXPECT_EQ(ConvertArcs(s, 999), ConvertStatus::kCountLimit);
  EXPECT_EQ(s.arcs.size(), 1074822u);
  EXPECT_EQ(s.order.size(), entries);
  EXPECT_EQ(s.polygons.size(), 1074822u);
}

}  // namespace

}  // namespace q527
