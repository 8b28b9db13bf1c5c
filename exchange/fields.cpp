#include "exchange/fields.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/myfunc.h"

namespace q527 {

namespace {

// What a byte does while a line is split, one table for each state of the
// splitting flag. Once the flag is off, blank, quote and equals sign are kept
// like any other byte and a tab is dropped like any other control byte.
enum ByteClass : unsigned char { kKeep, kLead, kDrop, kQuote, kEquals, kBlank };

struct ByteClasses {
  std::array<ByteClass, 256> splitting{};
  std::array<ByteClass, 256> whole{};
  constexpr ByteClasses() {
    for (int b = 0; b < 256; ++b) {
      ByteClass c = kDrop;
      if (IsLeadByte(static_cast<unsigned char>(b))) {
        c = kLead;
      } else if (b >= 0x20 && b <= 0xFD) {
        c = kKeep;
      }
      whole[b] = c;
      splitting[b] = c;
    }
    splitting['"'] = kQuote;
    splitting['='] = kEquals;
    splitting[' '] = kBlank;
    splitting['\t'] = kBlank;
  }
};
constexpr ByteClasses kBytes;

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// How many of the eight bytes, from the first, are printable ASCII other than
// blank, quote and equals sign: bytes every state of the splitting keeps as
// they stand. Carries and borrows between bytes start only at a byte that is
// marked anyway, so the first marked byte is exact.
inline int PlainBytes(std::uint64_t w) {
  const std::uint64_t quote = w ^ ('"' * kOnes);
  const std::uint64_t equals = w ^ ('=' * kOnes);
  const std::uint64_t marked = ((w - 0x21 * kOnes) | (w + kOnes) | w | ((quote - kOnes) & ~quote) |
                                ((equals - kOnes) & ~equals)) &
                               kHighBits;
  return marked == 0 ? 8 : std::countr_zero(marked) >> 3;
}

// The end of the run from i of bytes that are kept as they stand; a
// double-byte character is taken whole, whatever its second byte.
inline std::size_t KeptRunEnd(const unsigned char* p, std::size_t i, std::size_t n,
                              const ByteClass* cls) {
  std::size_t j = i;
  for (;;) {
    // Plain ASCII, the bulk of every line, is passed a word at a time.
    if constexpr (std::endian::native == std::endian::little) {
      while (n - j >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p + j, 8);
        const int plain = PlainBytes(w);
        j += static_cast<std::size_t>(plain);
        if (plain < 8) break;
      }
    }
    while (j < n && cls[p[j]] == kKeep) ++j;
    if (j + 1 < n && cls[p[j]] == kLead) {
      j += 2;
      continue;
    }
    return j;
  }
}

}  // namespace

bool FieldSplitter::SplitAnyLine(std::string_view line, FieldList& out) {
  const char* const base = line.data();
  const auto* const p = reinterpret_cast<const unsigned char*>(base);
  const std::size_t n = line.size();
  lineSize_ = n;
  used_ = 0;

  std::size_t index = 0;
  Field field;
  const ByteClass* cls = kBytes.splitting.data();
  std::size_t i = 0;
  while (i < n) {
    const std::size_t j = KeptRunEnd(p, i, n, cls);
    if (j > i) {
      Append(field, base + i, j - i);
      i = j;
      if (i == n) break;
    }
    // The byte that ended the run.
    switch (cls[p[i]]) {
      case kLead:  // the last byte of the line: it has no partner and is dropped
        i = n;
        break;
      case kQuote:
        cls = kBytes.whole.data();
        ++i;
        break;
      case kEquals:
        Append(field, base + i, 1);
        cls = kBytes.whole.data();
        ++i;
        break;
      case kBlank:
        if (!EndField(field, out, index)) return true;
        ++i;
        break;
      default:  // control bytes, 0xFE and 0xFF
        ++i;
        break;
    }
  }
  return EndLine(field, out, index);
}

namespace {

// One bit per byte of eight, in the high bit of each, computed on the low
// seven bits so that no carry or borrow crosses from one byte to the next:
// every byte is classified exactly, not only the first that stands out.
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;

// Bytes equal to c (c < 0x80) among bytes whose high bit is clear.
inline std::uint64_t EqualBytes(std::uint64_t low7, unsigned char c) {
  const std::uint64_t t = low7 ^ (c * kOnes);
  return ~((t + kLow7) | t) & kHighBits;
}

// Bytes at least c (0 < c < 0x80) among bytes whose high bit is clear.
inline std::uint64_t AtLeastBytes(std::uint64_t low7, unsigned char c) {
  return (low7 + (0x80 - c) * kOnes) & kHighBits;
}

// The high bit of byte i as bit i: the eight products land on distinct bits,
// so the multiplication gathers them without carries.
inline std::uint64_t GatherHighBits(std::uint64_t marks) {
  return ((marks >> 7) * 0x0102040810204080ULL) >> 56;
}

// Blanks of the eight bytes, gathered; false when one of them is neither a
// blank nor a plain byte.
inline bool PlainWord(std::uint64_t w, std::uint64_t& blanks) {
  const std::uint64_t high = w & kHighBits;
  const std::uint64_t low7 = w & kLow7;
  const std::uint64_t blank = EqualBytes(low7, ' ');
  const std::uint64_t plain = AtLeastBytes(low7, 0x21) & ~AtLeastBytes(low7, 0x7F) &
                              ~EqualBytes(low7, '"') & ~EqualBytes(low7, '=');
  if (high != 0 || (plain | blank) != kHighBits) return false;
  blanks = GatherHighBits(blank);
  return true;
}

constexpr bool IsPlainByte(unsigned char b) { return b > 0x20 && b < 0x7F && b != '"' && b != '='; }

#if defined(__SSE2__)
// Sixteen bytes at once: bit i of the result marks a blank at byte i; false
// when a byte is neither a blank nor a plain byte.
inline bool PlainVector(const char* at, std::uint32_t& blanks) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  const __m128i blank = _mm_cmpeq_epi8(v, _mm_set1_epi8(' '));
  // Signed compares: bytes 0x80..0xFF are negative, so neither bound holds.
  const __m128i printable =
      _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(0x20)), _mm_cmplt_epi8(v, _mm_set1_epi8(0x7F)));
  const __m128i marked =
      _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')), _mm_cmpeq_epi8(v, _mm_set1_epi8('=')));
  const __m128i ok = _mm_or_si128(_mm_andnot_si128(marked, printable), blank);
  if (_mm_movemask_epi8(ok) != 0xFFFF) return false;
  blanks = static_cast<std::uint32_t>(_mm_movemask_epi8(blank));
  return true;
}
#endif

// The blanks of bytes [from, from + len) of the line, len <= 64, as bits;
// false when a byte is neither a blank nor a plain byte. lineStart lets the
// last piece be read as the sixteen bytes that end it where the line is long
// enough, instead of byte by byte.
template <bool kVectors>
inline bool PlainChunk(const char* lineStart, const char* from, std::size_t len,
                       std::uint64_t& blanks) {
  blanks = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  if constexpr (kVectors) {
    std::uint32_t bits;
    for (; i + 16 <= len; i += 16) {
      if (!PlainVector(from + i, bits)) return false;
      blanks |= std::uint64_t{bits} << i;
    }
    if (i == len) return true;
    const std::size_t rest = len - i;
    if (from + len - lineStart >= 16) {
      // The bytes before the rest passed already, so only the rest can fail;
      // their bits are shifted out.
      if (!PlainVector(from + len - 16, bits)) return false;
      blanks |= std::uint64_t{bits >> (16 - rest)} << i;
      return true;
    }
  }
#endif
  (void)lineStart;
  if constexpr (std::endian::native == std::endian::little) {
    for (; i + 8 <= len; i += 8) {
      std::uint64_t w;
      std::memcpy(&w, from + i, 8);
      std::uint64_t word;
      if (!PlainWord(w, word)) return false;
      blanks |= word << i;
    }
  }
  for (; i < len; ++i) {
    const auto b = static_cast<unsigned char>(from[i]);
    if (b == ' ') {
      blanks |= std::uint64_t{1} << i;
    } else if (!IsPlainByte(b)) {
      return false;
    }
  }
  return true;
}

}  // namespace

namespace {

template <bool kVectors>
PlainSplit SplitPlain(std::string_view line, FieldList& out) {
  const char* const p = line.data();
  const std::size_t n = line.size();
  std::size_t index = 0;
  std::size_t start = 0;
  bool inField = false;
  // Sixty-four bytes at a time: their blanks as one mask, then one step per
  // field from the masks of field starts and ends.
  for (std::size_t base = 0; base < n; base += 64) {
    const std::size_t len = std::min<std::size_t>(64, n - base);
    std::uint64_t blanks;
    if (!PlainChunk<kVectors>(p, p + base, len, blanks)) return PlainSplit::kNotPlain;
    const std::uint64_t valid = len == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << len) - 1;
    const std::uint64_t inside = ~blanks & valid;
    const std::uint64_t before = (inside << 1) | (inField ? 1 : 0);
    std::uint64_t starts = inside & ~before;
    std::uint64_t ends = ~inside & before & valid;
    for (;;) {
      if (!inField) {
        if (starts == 0) break;
        start = base + static_cast<std::size_t>(std::countr_zero(starts));
        starts &= starts - 1;
        inField = true;
      }
      if (ends == 0) break;  // the field goes on into the next piece
      const std::size_t end = base + static_cast<std::size_t>(std::countr_zero(ends));
      ends &= ends - 1;
      out.field[index] = std::string_view(p + start, end - start);
      inField = false;
      if (++index == kMaxFields) {
        // Further fields are never read; only "more than 32" matters.
        out.count = kMaxFields + 1;
        return PlainSplit::kFields;
      }
    }
  }
  // As in the byte-wise road, the field the line ends in is always closed,
  // an empty one after a trailing blank included.
  out.field[index] = inField ? std::string_view(p + start, n - start) : std::string_view();
  out.count = index + 1;
  return out.count == 1 && out.field[0].empty() ? PlainSplit::kEmpty : PlainSplit::kFields;
}

}  // namespace

PlainSplit SplitPlainLine(std::string_view line, FieldList& out) {
  return SplitPlain<true>(line, out);
}

PlainSplit SplitPlainLineByWords(std::string_view line, FieldList& out) {
  return SplitPlain<false>(line, out);
}

}  // namespace q527
