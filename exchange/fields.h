// Splitting a line of the exchange file into its blank-separated fields.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

namespace q527 {

// The host never writes more than a handful of fields; 32 leaves room, and
// nothing reads beyond field 16.
constexpr std::size_t kMaxFields = 32;

struct FieldList {
  std::array<std::string_view, kMaxFields> field;
  // The number of fields; kMaxFields + 1 stands for "more than kMaxFields".
  std::size_t count = 0;
  // Field values read ahead, when the line was split on another thread: bit
  // i of realsKnown says that reals[i] is TextToFloat(field[i]).
  const double* reals = nullptr;
  std::uint32_t realsKnown = 0;

  std::string_view operator[](std::size_t i) const {
    return i < count && i < kMaxFields ? field[i] : std::string_view();
  }
};

enum class PlainSplit {
  kNotPlain,  // the line holds a byte other than printable ASCII and blanks
  kEmpty,     // nothing but blanks: the line is ignored
  kFields,
};

// The road for the bulk of every file: lines of printable ASCII other than
// quote and equals sign, separated by blanks (0x20), taken sixteen bytes at a
// time with SSE2 and eight at a time without. Gives exactly the fields
// FieldSplitter::SplitAnyLine gives for such a line; any other line is
// kNotPlain, and out then holds nothing that counts.
PlainSplit SplitPlainLine(std::string_view line, FieldList& out);
// The same road eight bytes at a time, as builds without SSE2 take it
// throughout; the tests hold it to the byte-wise road as well.
PlainSplit SplitPlainLineByWords(std::string_view line, FieldList& out);

// Splits lines into fields. A field is a view into the line as long as its
// bytes stand together there, which is the usual case; only a field that
// loses bytes in its middle (a quote, a control byte) is copied, into a
// buffer kept from line to line.
class FieldSplitter {
 public:
  // False when the line holds nothing and is to be ignored.
  bool Split(std::string_view line, FieldList& out) {
    switch (SplitPlainLine(line, out)) {
      case PlainSplit::kFields: return true;
      case PlainSplit::kEmpty: return false;
      case PlainSplit::kNotPlain: break;
    }
    return SplitAnyLine(line, out);
  }
  // The same for every line, byte by byte where it must be.
  bool SplitAnyLine(std::string_view line, FieldList& out);

 private:
  // The field being built.
  struct Field {
    const char* data = nullptr;
    std::size_t len = 0;
    bool copied = false;
  };

  void Append(Field& f, const char* from, std::size_t count) {
    if (!f.copied) {
      if (f.len == 0) {
        f.data = from;
        f.len = count;
        return;
      }
      if (f.data + f.len == from) {
        f.len += count;
        return;
      }
      MoveToScratch(f);
    }
    std::memcpy(scratch_.get() + used_ + f.len, from, count);
    f.len += count;
  }

  void MoveToScratch(Field& f) {
    // Each byte of the line lands in the scratch buffer at most once, so a
    // buffer of the line's size never has to move while views point into it.
    if (scratchSize_ < lineSize_) {
      scratch_.reset();
      scratch_ = std::make_unique_for_overwrite<char[]>(lineSize_);
      scratchSize_ = lineSize_;
    }
    std::memcpy(scratch_.get() + used_, f.data, f.len);
    f.data = scratch_.get() + used_;
    f.copied = true;
  }

  std::string_view Close(Field& f) {
    const std::string_view v(f.data, f.len);
    if (f.copied) used_ += f.len;
    f = Field{};
    return v;
  }

  // At a blank: closes the field it ends, if any. False when that filled the
  // list, so the rest of the line is not to be read.
  bool EndField(Field& f, FieldList& out, std::size_t& index) {
    if (f.len == 0) return true;  // a blank after a blank, or at the start
    out.field[index] = Close(f);
    if (++index < kMaxFields) return true;
    // Further fields are never read; only "more than 32" matters.
    out.count = kMaxFields + 1;
    return false;
  }

  // Closes the field the line ends in, an empty one after a trailing blank
  // included. False when the line holds nothing.
  bool EndLine(Field& f, FieldList& out, std::size_t index) {
    out.field[index] = Close(f);
    out.count = index + 1;
    return !(out.count == 1 && out.field[0].empty());
  }

  std::unique_ptr<char[]> scratch_;
  std::size_t scratchSize_ = 0;
  std::size_t lineSize_ = 0;
  std::size_t used_ = 0;
};

}  // namespace q527
