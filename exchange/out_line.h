// One output line under construction, for the attribute and the figure
// emitters: keyword and numbers separated by one blank, assembled on the
// stack and appended to the output bytes in one piece with its CR LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "exchange/number_text.h"
#include "exchange/writer.h"

namespace q527 {

class OutLine {
 public:
  OutLine& Word(std::string_view w) {
    std::memcpy(p_, w.data(), w.size());
    p_ += w.size();
    return *this;
  }
  // A value after the keyword or another value.
  OutLine& Real(double v) {
    *p_++ = ' ';
    return First(v);
  }
  // The first value of a line that has no keyword.
  OutLine& First(double v) {
    p_ = FormatReal(p_, v);
    return *this;
  }
  OutLine& Int(std::int32_t v) {
    *p_++ = ' ';
    p_ = FormatInt(p_, v);
    return *this;
  }
  OutLine& Reals(const double* v, int n) {
    for (int i = 0; i < n; ++i) Real(v[i]);
    return *this;
  }
  std::string_view View() const { return {buf_, static_cast<std::size_t>(p_ - buf_)}; }
  // Appends the line with its CR LF to the output in one piece.
  void AddTo(TJwwOutLines& out) {
    p_[0] = '\r';
    p_[1] = '\n';
    out.bytes.append(buf_, static_cast<std::size_t>(p_ + 2 - buf_));
    ++out.count;
  }

 private:
  // Keyword, eight reals and an integer, each written with kRealTextMax of
  // room behind its start.
  char buf_[16 + 9 * (kRealTextMax + 1) + kIntTextMax + 2];
  char* p_ = buf_;
};

inline void AddLine(TJwwWriter& w, OutLine& line) { line.AddTo(w.lines); }

}  // namespace q527
