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

// Calls line(text, done) for each line of a run of bytes that starts at
// offset start of the input: lines end at LF, a CR just before it belongs to
// the line end, and any other CR is dropped before the line is split, so it
// cannot become the second byte of a double-byte character. done is the
// offset of the line's LF in the input, or tailDone for a last line without
// one. Empty lines are skipped; crFree holds a line whose CRs were dropped
// until the next line.
template <typename LineFn>
inline void ForEachLine(std::string_view run, std::size_t start, std::size_t tailDone,
                        std::string& crFree, LineFn&& line) {
  const char* p = run.data();
  const char* const end = p + run.size();
  while (p < end) {
    const auto* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
    const char* lineEnd = lf != nullptr ? lf : end;
    std::string_view text(p, lineEnd - p);
    p = lf != nullptr ? lf + 1 : end;
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (std::memchr(text.data(), '\r', text.size()) != nullptr) {
      crFree.clear();
      for (char c : text) {
        if (c != '\r') crFree.push_back(c);
      }
      text = crFree;
    }
    if (text.empty()) continue;
    line(text, lf != nullptr ? start + (lf - run.data()) : tailDone);
  }
}

// Cuts a byte stream, handed over in blocks, into runs of whole lines for
// Sink::Run(run, start, tailDone) (see ForEachLine): a run ends at a LF, but
// for the input's last. A Ctrl-Z ends the input. A line may run across any
// number of blocks: its pieces are gathered in carry_.
template <typename Sink>
class LineCutter {
 public:
  explicit LineCutter(Sink& sink) : sink_(sink) {}

  void Feed(std::string_view block);

  // The end of the input: a last line without a line end is handed over too.
  void Finish() {
    if (!ended_) FlushCarry();
    ended_ = true;
  }

 private:
  void FlushCarry() {
    if (!carry_.empty()) sink_.Run(carry_, carryStart_, fed_);
    std::string().swap(carry_);
  }

  Sink& sink_;
  bool ended_ = false;
  std::size_t fed_ = 0;
  std::string carry_;
  std::size_t carryStart_ = 0;  // the input offset of carry_'s first byte
};

template <typename Sink>
void LineCutter<Sink>::Feed(std::string_view block) {
  // An empty block may come with a null pointer, which memchr must not see.
  if (ended_ || block.empty()) return;
  const std::size_t blockStart = fed_;
  fed_ += block.size();
  if (const void* z = std::memchr(block.data(), 0x1A, block.size())) {
    block = block.substr(0, static_cast<const char*>(z) - block.data());
    ended_ = true;
  }
  const std::size_t firstLf = block.find('\n');
  if (firstLf == std::string_view::npos) {
    if (carry_.empty()) carryStart_ = blockStart;
    carry_.append(block);
  } else {
    std::size_t from = 0;
    if (!carry_.empty()) {
      carry_.append(block.substr(0, firstLf + 1));
      sink_.Run(carry_, carryStart_, fed_);
      carry_.clear();
      from = firstLf + 1;
    }
    const std::size_t lastLf = block.rfind('\n');
    if (lastLf + 1 > from) sink_.Run(block.substr(from, lastLf + 1 - from), blockStart + from, fed_);
    carry_.assign(block.substr(lastLf + 1));
    carryStart_ = blockStart + lastLf + 1;
  }
  if (ended_) FlushCarry();
}

// Reads a byte stream on the calling thread: each line's fields go to Read
// (a template argument, so that it joins the loop over the lines).
template <FieldsReader Read>
class LineReader {
 public:
  // total: the expected size of the whole input, for the table growth.
  LineReader(Store& s, std::size_t total) : s_(s), growth_(total), cutter_(*this) {}

  void Feed(std::string_view block) { cutter_.Feed(block); }

  // The end of the input: a last line without a line end is read too.
  void Finish() {
    cutter_.Finish();
    growth_.Trim(s_);
  }

  // From the cutter.
  void Run(std::string_view run, std::size_t start, std::size_t tailDone) {
    ForEachLine(run, start, tailDone, crFree_, [this](std::string_view line, std::size_t done) {
      growth_.Check(s_, done);
      if (splitter_.Split(line, fields_)) Read(s_, fields_);
    });
  }

 private:
  Store& s_;
  TableGrowth growth_;
  LineCutter<LineReader> cutter_;
  std::string crFree_;
  FieldSplitter splitter_;
  FieldList fields_;
};

}  // namespace q527
