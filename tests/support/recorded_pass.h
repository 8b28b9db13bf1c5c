// One output pass over a store with everything the user could tell from it
// recorded: the lines, the progress texts and how often Escape was looked at,
// the key going down at a chosen look.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/output_pass.h"
#include "exchange/store.h"
#include "exchange/writer.h"

namespace q527 {

struct RecordedPass {
  std::string bytes;
  std::size_t count = 0;
  std::vector<std::string> shown;
  int polls = 0;
};

// The pass with Escape down at look number downAt (from 1; 0: never).
inline RecordedPass RecordPass(const Store& s, int downAt = 0, std::size_t threads = 1,
                               const TJwwOverrides& o = {}) {
  struct Ui : ProgressDisplay, EscapeKey {
    RecordedPass& pass;
    int downAt;
    Ui(RecordedPass& pass, int downAt) : pass(pass), downAt(downAt) {}
    void ShowNow(std::string_view text) override { pass.shown.emplace_back(text); }
    bool IsDown() override { return ++pass.polls == downAt; }
  };
  RecordedPass pass;
  Ui ui(pass, downAt);
  TJwwWriter w(s);
  JwwWriteStart(w);
  JwwWriteAll(s, w, o, &ui, &ui, threads);
  pass.bytes = std::move(w.lines.bytes);
  pass.count = w.lines.count;
  return pass;
}

inline void ExpectSamePass(const RecordedPass& got, const RecordedPass& want) {
  EXPECT_EQ(got.count, want.count);
  EXPECT_TRUE(got.bytes == want.bytes) << "the lines differ";
  EXPECT_EQ(got.shown, want.shown);
  EXPECT_EQ(got.polls, want.polls);
}

}  // namespace q527
