// The byte-stream plumbing of the reader: cutting a stream into lines, and
// growing the store's tables ahead of a whole input being read.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/fields.h"
#include "exchange/store.h"

namespace q527 {

// What a line's fields go to.
using FieldsReader = void (*)(Store& s, const FieldList& fields);

// Table growth while a whole input is read. Doubling alone would leave up to
// half of every table unused and copy it on every step; instead, once a fair
// part of the input has been read, a table that runs short is given room for
// the share of the input still to come, so the big tables end close to their
// final size after a step or two.
class TableGrowth {
 public:
  // Every line adds at most one record, so a table with kBatch free places
  // cannot run short during the next kBatch lines.
  static constexpr std::size_t kBatch = 64;

  explicit TableGrowth(std::size_t total) : total_(total) {}

  // Called before each line is read; done is the input read so far.
  void Check(Store& s, std::size_t done) {
    if (++lines_ < kBatch) return;
    lines_ = 0;
    EnsureAll(s, done, false);
  }

  // Gives back the room a projection left over.
  void Trim(Store& s) { EnsureAll(s, total_, true); }

 private:
  void EnsureAll(Store& s, std::size_t done, bool trim);

  template <typename T>
  void Ensure(std::vector<T>& table, std::size_t done, bool trim);

  static constexpr std::size_t kSample = std::size_t{1} << 20;
  std::size_t total_;
  std::size_t lines_ = 0;
};

// Cuts a byte stream into lines and gives each line's fields to Read (a
// template argument, so that it joins the loop over the lines). Lines end at LF (a CR just
// before it belongs to the line end); a Ctrl-Z ends the file. A line may run
// across any number of blocks: its pieces are gathered in carry_.
template <FieldsReader Read>
class LineReader {
 public:
  // total: the expected size of the whole input, for the table growth.
  LineReader(Store& s, std::size_t total) : s_(s), growth_(total) {}

  void Feed(std::string_view block);

  // The end of the input: a last line without a line end is read too.
  void Finish();

 private:
  void FlushCarry();

  void Line(std::string_view line, std::size_t done);

  Store& s_;
  TableGrowth growth_;
  bool ended_ = false;
  std::size_t fed_ = 0;
  std::string carry_;
  std::string crFree_;
  FieldSplitter splitter_;
  FieldList fields_;
};

template <FieldsReader Read>
void LineReader<Read>::Feed(std::string_view block) {
  // An empty block may come with a null pointer, which memchr must not see.
  if (ended_ || block.empty()) return;
  const char* p = block.data();
  const char* end = p + block.size();
  const std::size_t blockStart = fed_;
  fed_ += block.size();
  if (const void* z = std::memchr(p, 0x1A, block.size())) {
    end = static_cast<const char*>(z);
    ended_ = true;
  }
  if (!carry_.empty()) {
    const auto* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
    if (lf == nullptr) {
      carry_.append(p, end);
      p = end;
    } else {
      carry_.append(p, lf);
      Line(carry_, blockStart + (lf - block.data()));
      carry_.clear();
      p = lf + 1;
    }
  }
  while (p < end) {
    const auto* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
    if (lf == nullptr) {
      carry_.assign(p, end);
      break;
    }
    Line(std::string_view(p, lf - p), blockStart + (lf - block.data()));
    p = lf + 1;
  }
  if (ended_) FlushCarry();
}

template <FieldsReader Read>
void LineReader<Read>::Finish() {
  if (!ended_) FlushCarry();
  ended_ = true;
  growth_.Trim(s_);
}

template <FieldsReader Read>
void LineReader<Read>::FlushCarry() {
  if (!carry_.empty()) Line(carry_, fed_);
  std::string().swap(carry_);
}

// Inline: it runs once a line, from the loop in Feed.
template <FieldsReader Read>
inline void LineReader<Read>::Line(std::string_view line, std::size_t done) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  // A CR that does not end the line is dropped before the line is split,
  // so it cannot become the second byte of a double-byte character.
  if (std::memchr(line.data(), '\r', line.size()) != nullptr) {
    crFree_.clear();
    for (char c : line) {
      if (c != '\r') crFree_.push_back(c);
    }
    line = crFree_;
  }
  if (line.empty()) return;
  growth_.Check(s_, done);
  if (splitter_.Split(line, fields_)) Read(s_, fields_);
}

}  // namespace q527
