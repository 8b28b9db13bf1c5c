// Stores for the tests of the conversions and of the run around them: one
// read from exchange-file bytes, one with its curves converted, a read store
// with its started writer as the drivers hold them when they convert, and
// the attributes of the figures the tests add by hand.
#pragma once

#include <gtest/gtest.h>

#include <string_view>

#include "conversion/polygons.h"
#include "exchange/reader.h"
#include "exchange/store.h"
#include "exchange/writer.h"

namespace q527 {

// Every field distinct, so that one lost or swapped on the way into a polygon
// shows.
inline const TJwwAttr kFigureAttr{4, 2, 3, 5, 6, 7, 16};

inline Store ReadStore(std::string_view file) {
  Store s;
  JwwInit(s);
  JwwReadBuffer(s, file);
  return s;
}

// A store read from exchange-file bytes with every circle, arc and circular
// solid converted by the policy.
inline Store Converted(std::string_view drawing, const PolygonPolicy& policy) {
  Store s = ReadStore(drawing);
  EXPECT_EQ(ConvertCircles(s, policy), ConvertStatus::kDone);
  EXPECT_EQ(ConvertArcs(s, policy), ConvertStatus::kDone);
  EXPECT_EQ(ConvertSolidCircles(s, policy), ConvertStatus::kDone);
  return s;
}

// A store read from exchange-file bytes and its writer, ready for a run.
struct ReadJob {
  Store s;
  TJwwWriter w{s};
  explicit ReadJob(std::string_view file) : s(ReadStore(file)) { JwwWriteStart(w); }
  ReadJob(const ReadJob&) = delete;
  ReadJob& operator=(const ReadJob&) = delete;
};

}  // namespace q527
