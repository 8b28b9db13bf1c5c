#include "bench/workload.h"

#include <algorithm>
#include <charconv>
#include <random>
#include <string_view>
#include <utility>
#include <vector>

namespace q527 {

namespace {

// Words for texts and names, as Shift-JIS bytes. Several have a second byte
// that equals an ASCII character the reader cares about (0x5C, 0x40), and one
// is half-width katakana (single bytes 0xA0..0xDF), so texts exercise the
// double-byte rules and not only ASCII.
constexpr std::string_view kWords[] = {
    "\x89\x7e",                  // 円
    "\x95\xbd\x96\xca\x90\x7d",  // 平面図
    "\x90\xa1\x96\x40",          // 寸法
    "\x92\xca\x82\xe8\x90\x63",  // 通り芯
    "\x89\xef\x8b\x63\x8e\xba",  // 会議室
    "\x83\x5c\x83\x74\x83\x40",  // ソファ
    "\x95\x5c\x8e\xa6",          // 表示
    "\x8b\x40\x94\x5c",          // 機能
    "\x8a\x4b\x92\x69",          // 階段
    "\x82\x50\x8a\x4b",          // １階
    "\x91\x71\x8c\xc9",          // 倉庫
    "\xb1\xb2\xb3",              // ｱｲｳ
    "\x95\xc7\x90\x63",          // 壁芯
    "\x8f\x6b\x8e\xda",          // 縮尺
    "W=1200",
    "D-3",
    "GL+1500",
    "A",
    "X1",
    "1/100",
    "EV",
    "PS",
    "3,600",
};
constexpr std::string_view kFullWidthSpace = "\x81\x40";
constexpr std::string_view kFonts[] = {
    "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e",  // ＭＳ ゴシック
    "\x82\x6c\x82\x72 \x96\xbe\x92\xa9",                  // ＭＳ 明朝
    "Arial",
};
constexpr std::string_view kDirections[] = {
    "1 0",
    "1 0",
    "1 0",
    "1 0",
    "1 0",
    "1 0",
    "1 0",
    "1 0",
    "0 1",
    "-1 0",
    "0.866025403784439 0.5",
    "0.707106781186548 0.707106781186548",
    "0.5 0.866025403784439",
    "0.965925826289068 0.258819045102521",
    "0 -1",
};
constexpr std::string_view kTextKeywords[] = {"cv", "cs", "cr", "co", "cp", "ct", "ck", "cz", "c2"};
constexpr long long kSolidColors[] = {255, 65280, 16711680, 8421504, 12632256, 0};
constexpr long long kLineWidths[] = {0, 0, 0, 1, 2, 3, 5};

constexpr long long kPow10[] = {1,
                                10,
                                100,
                                1000,
                                10000,
                                100000,
                                1000000,
                                10000000,
                                100000000,
                                1000000000,
                                10000000000,
                                100000000000,
                                1000000000000,
                                10000000000000,
                                100000000000000,
                                1000000000000000};

// Random decisions on raw draws only, so the bytes do not depend on how a
// standard library implements its distributions.
class Dice {
 public:
  explicit Dice(std::uint64_t seed) : rng_(seed) {}
  // The modulo bias of a 64-bit draw is far below anything a workload shows.
  std::uint64_t Below(std::uint64_t n) { return rng_() % n; }
  long long Range(long long lo, long long hi) {
    return lo + static_cast<long long>(Below(static_cast<std::uint64_t>(hi - lo) + 1));
  }
  bool PerMille(unsigned pm) { return Below(1000) < pm; }
  template <class T, std::size_t N>
  const T& Pick(const T (&table)[N]) {
    return table[Below(N)];
  }

 private:
  std::mt19937_64 rng_;
};

// mantissa × 10^-decimals, with the trailing zeros of the fraction dropped as
// the host writes its numbers.
void AppendFixed(std::string& out, long long mantissa, int decimals) {
  if (mantissa == 0) {
    out += '0';
    return;
  }
  if (mantissa < 0) {
    out += '-';
    mantissa = -mantissa;
  }
  char digits[24];
  const auto res = std::to_chars(digits, digits + sizeof digits, mantissa);
  int n = static_cast<int>(res.ptr - digits);
  int dec = decimals;
  while (dec > 0 && digits[n - 1] == '0') {
    --n;
    --dec;
  }
  if (n <= dec) {
    out += "0.";
    out.append(static_cast<std::size_t>(dec - n), '0');
    out.append(digits, static_cast<std::size_t>(n));
    return;
  }
  out.append(digits, static_cast<std::size_t>(n - dec));
  if (dec > 0) {
    out += '.';
    out.append(digits + (n - dec), static_cast<std::size_t>(dec));
  }
}

void AppendInt(std::string& out, long long v) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, res.ptr);
}

void AppendHexDigit(std::string& out, long long v) { out += "0123456789ABCDEF"[v & 15]; }

class Writer {
 public:
  Writer(std::uint64_t seed, std::string& out) : dice_(seed), out_(out) {}

  Dice& dice() { return dice_; }
  std::string& out() { return out_; }

  void End() { out_ += "\r\n"; }
  void Line(std::string_view text) {
    out_ += text;
    End();
  }

  // A 15-significant-digit value with `intDigits` digits before the point
  // (0 gives 0.xxxxxxxxxxxxxxx), as a drawing's computed points are.
  void Precise(int intDigits, bool allowNegative) {
    const long long mantissa = kPow10[14] + dice_.Range(0, 9 * kPow10[14] - 1);
    const bool negative = allowNegative && dice_.PerMille(250);
    AppendFixed(out_, negative ? -mantissa : mantissa, intDigits == 0 ? 15 : 15 - intDigits);
  }

  // A coordinate: mostly computed values, many round ones, some with one or
  // two decimals as typed by a user.
  void Coord() {
    const auto r = dice_.Below(100);
    if (r < 50) {
      static constexpr int kDigits[] = {1, 2, 3, 3, 4, 4, 4, 5};
      Precise(dice_.Pick(kDigits), true);
    } else if (r < 80) {
      AppendInt(out_, dice_.Range(-20000, 20000));
    } else {
      AppendFixed(out_, dice_.Range(-2000000, 2000000), 2);
    }
  }
  void Coords(int n) {
    for (int i = 0; i < n; ++i) {
      if (i > 0) out_ += ' ';
      Coord();
    }
  }
  void Length() {
    if (dice_.PerMille(500)) {
      static constexpr int kDigits[] = {1, 2, 2, 3, 3};
      Precise(dice_.Pick(kDigits), false);
    } else {
      AppendInt(out_, dice_.Range(1, 5000));
    }
  }
  void Degrees() {
    static constexpr long long kRound[] = {0, 90, 180, 270, 45, 30, 60, 135};
    if (dice_.PerMille(300)) {
      AppendInt(out_, dice_.Pick(kRound));
    } else {
      AppendFixed(out_, dice_.Range(1, 360 * kPow10[12] - 1), 12);
    }
  }
  void Radians() { AppendFixed(out_, dice_.Range(1, 628318530717958), 14); }
  void Flatness() {
    if (dice_.PerMille(600)) {
      out_ += '1';
    } else {
      Precise(0, false);
    }
  }
  void Sep() { out_ += ' '; }

  void Text() {
    if (dice_.PerMille(80)) out_.append(static_cast<std::size_t>(dice_.Range(1, 3)), ' ');
    if (dice_.PerMille(20)) out_ += kFullWidthSpace;
    const long long words = dice_.PerMille(30) ? dice_.Range(8, 16) : dice_.Range(1, 3);
    for (long long w = 0; w < words; ++w) {
      if (w > 0) {
        const auto r = dice_.Below(4);
        if (r == 0) out_ += ' ';
        if (r == 1) out_ += kFullWidthSpace;
      }
      out_ += dice_.Pick(kWords);
    }
  }

  // --- header -------------------------------------------------------------
  void Header(std::uint64_t seed) {
    out_ += "file=C:\\jww\\";
    out_ += kWords[1];  // a Shift-JIS folder name
    out_ += "\\plan";
    AppendInt(out_, static_cast<long long>(seed % 1000));
    Line(".jww");
    Line("hk 1");
    out_ += "hs";
    for (int g = 0; g < 16; ++g) out_ += g < 4 ? " 100" : (g < 8 ? " 50" : " 1");
    End();
    Line("hzs 420 297");
    Line("hcw 2 2.5 3 4 5 6 7 8 10 14");
    Line("hch 2 2.5 3 4 5 6 7 8 10 14");
    Line("hcd 0 0 0.5 0.5 1 1 1 1 1.5 2");
    Line("hcc 1 1 2 2 3 3 4 4 5 6");
    Line("hn 0 0 1 1");
    for (int g = 0; g < 4; ++g) {
      out_ += "lg";
      AppendHexDigit(out_, g);
      End();
      out_ += "lgn\"";
      out_ += kWords[static_cast<std::size_t>(g + 1)];
      if (g == 3) out_ += " 2";  // a name with a blank
      End();
      for (int l = 0; l < 3; ++l) {
        out_ += "ly";
        AppendHexDigit(out_, l);
        End();
        out_ += "lyn";
        out_ += kWords[static_cast<std::size_t>(8 + (g * 3 + l) % 6)];
        End();
      }
    }
    lg_ = 0;
    ly_ = 0;
    Line("lg0");
    Line("ly0");
    Line("lc1");
    Line("lt1");
    Line("lw0");
    lc_ = 1;
  }

  // --- attribute lines ------------------------------------------------------
  void SetLayerGroup(long long g) {
    out_ += "lg";
    AppendHexDigit(out_, g);
    End();
    lg_ = g;
  }
  void SetLayer(long long l) {
    out_ += "ly";
    AppendHexDigit(out_, l);
    End();
    ly_ = l;
  }
  void SetColor(long long c) {
    out_ += "lc";
    AppendInt(out_, c);
    End();
    lc_ = c;
  }

  void MaybeAttributes() {
    if (dice_.PerMille(15)) {
      SetLayerGroup(dice_.PerMille(700) ? dice_.Range(0, 3) : dice_.Range(0, 15));
      SetLayer(dice_.Range(0, 15));
    }
    if (dice_.PerMille(30)) SetLayer(dice_.Range(0, 15));
    if (dice_.PerMille(60) || lc_ == 10) SetColor(dice_.Range(1, 9));
    if (dice_.PerMille(30)) {
      out_ += "lt";
      AppendInt(out_, dice_.Range(1, 9));
      End();
    }
    if (dice_.PerMille(20)) {
      out_ += "lw";
      AppendInt(out_, dice_.Pick(kLineWidths));
      End();
    }
    if (dice_.PerMille(8)) {
      static constexpr std::string_view kZ[] = {"z1", "z2", "z3", "z4", "z5"};
      Line(dice_.Pick(kZ));
      if (dice_.PerMille(300)) Line(dice_.Pick(kZ));
    }
    if (dice_.PerMille(5)) {
      static constexpr std::string_view kSuffix[] = {"", "", "ln", "ci", "ch"};
      out_ += "hhp";
      AppendInt(out_, dice_.Range(1, 99));
      out_ += dice_.Pick(kSuffix);
      End();
    }
    if (dice_.PerMille(2)) {
      static constexpr std::string_view kSuffix[] = {"", "-", "ln", "ci", "ch"};
      out_ += "hp";
      AppendInt(out_, dice_.Range(1, 99));
      out_ += dice_.Pick(kSuffix);
      Sep();
      Coords(2);
      End();
    }
  }

  void SolidColor() {
    if (dice_.PerMille(400)) {
      out_ += "lc10 ";
      AppendInt(out_, dice_.Pick(kSolidColors));
      End();
      lc_ = 10;
    }
  }

  void TextAttributes() {
    if (dice_.PerMille(150)) {
      out_ += "cn";
      AppendInt(out_, dice_.Range(1, 10));
      End();
    } else if (dice_.PerMille(40)) {
      static constexpr std::string_view kSizes[] = {"2", "2.5", "3", "3.5", "5", "7"};
      out_ += "cn0 ";
      out_ += dice_.Pick(kSizes);
      Sep();
      out_ += dice_.Pick(kSizes);
      Sep();
      AppendInt(out_, dice_.Range(0, 3));
      Sep();
      AppendInt(out_, dice_.Range(1, 9));
      End();
    }
    if (dice_.PerMille(30)) {
      out_ += "cc";
      AppendInt(out_, dice_.Range(0, 8));
      End();
    }
    if (dice_.PerMille(20)) {
      out_ += "cn\"$";
      out_ += dice_.Pick(kFonts);
      End();
    }
  }

  // --- figures --------------------------------------------------------------
  void LineFigure() {
    Coords(4);
    End();
  }
  // A polyline of n connected segments.
  void Polyline(long long n) {
    Line("pl");
    std::string last;
    for (long long i = 0; i < n; ++i) {
      if (i == 0) {
        Coords(2);
      } else {
        out_ += last;
      }
      Sep();
      const std::size_t mark = out_.size();
      Coords(2);
      last.assign(out_, mark, std::string::npos);
      End();
    }
    Line("#");
  }
  void Circle() {
    out_ += "ci ";
    Coords(2);
    Sep();
    Length();
    End();
  }
  void Arc() {
    out_ += "ci ";
    Coords(2);
    Sep();
    Length();
    Sep();
    const auto form = dice_.Below(4);
    if (form == 0) {  // full ellipse
      out_ += "0 360 ";
      Precise(0, false);
    } else {
      Degrees();
      Sep();
      Degrees();
      Sep();
      if (form == 1) {  // elliptic arc
        Precise(0, false);
      } else {
        out_ += '1';
      }
    }
    Sep();
    if (dice_.PerMille(700)) {
      out_ += '0';
    } else {
      Degrees();
    }
    End();
  }
  void TextFigure() {
    TextAttributes();
    out_ += dice_.PerMille(700) ? std::string_view("ch") : dice_.Pick(kTextKeywords);
    Sep();
    Coords(2);
    Sep();
    out_ += dice_.Pick(kDirections);
    out_ += " \"";
    Text();
    End();
  }
  void Message() {
    TextAttributes();
    Line("msg");
    LineFigure();
    out_ += "cs ";
    Coords(2);
    Sep();
    out_ += dice_.Pick(kDirections);
    out_ += " \"";
    if (!dice_.PerMille(200)) Text();  // a blank message text: the writer puts the length
    End();
  }
  void PointFigure(bool extended) {
    if (dice_.PerMille(200)) {
      out_ += "pn";
      AppendInt(out_, dice_.Range(1, 9));
      End();
    }
    out_ += "pt ";
    Coords(2);
    if (extended) {
      Sep();
      Length();
      Sep();
      Degrees();
      Sep();
      AppendInt(out_, dice_.Range(-7, 11));
    }
    End();
  }
  void Block() {
    out_ += "BL ";
    Coords(2);
    Sep();
    out_ += dice_.PerMille(500) ? kWords[0] : std::string_view("DOOR1");
    End();
  }
  void Solid(int corners) {
    SolidColor();
    out_ += "sl ";
    if (corners == 2) {
      Coords(4);
    } else if (corners == 3) {
      Coords(6);
    } else if (dice_.PerMille(50)) {
      // Two corners given equal: the reader turns it into a triangle.
      const std::size_t mark = out_.size();
      Coords(2);
      const std::string p1(out_, mark);
      Sep();
      Coords(4);
      Sep();
      out_ += p1;
    } else {
      Coords(8);
    }
    End();
  }
  void CircularSolid(std::string_view keyword) {
    SolidColor();
    out_ += keyword;
    Sep();
    Coords(2);
    Sep();
    Length();
    Sep();
    Flatness();
    Sep();
    out_ += dice_.PerMille(700) ? std::string_view("0") : std::string_view("0.523598775598299");
    Sep();
    if (dice_.PerMille(500)) {
      out_ += "0 6.28318530717959";
    } else {
      Radians();
      Sep();
      if (dice_.PerMille(200)) out_ += '-';
      Radians();
    }
    Sep();
    if (keyword == "se") {
      out_ += dice_.PerMille(800) ? "100" : "0";
    } else {
      static constexpr long long kCodes[] = {100, 5, 0, -1};
      AppendInt(out_, dice_.Pick(kCodes));
    }
    End();
  }
  // "so" and "sg": value 8 is an inner radius below value 3.
  void RingSolid(std::string_view keyword) {
    SolidColor();
    out_ += keyword;
    Sep();
    Coords(2);
    Sep();
    const long long outer = dice_.Range(100, 5000);
    AppendInt(out_, outer);
    Sep();
    Flatness();
    out_ += " 0 ";
    Radians();
    Sep();
    Radians();
    Sep();
    AppendInt(out_, dice_.Range(1, outer - 1));
    End();
  }

  // One figure of the realistic mix; returns how many figures it made.
  long long Figure(long long remaining) {
    MaybeAttributes();
    const auto r = dice_.Below(1000);
    if (r < 520) {
      LineFigure();
    } else if (r < 600) {
      const long long n = std::min<long long>(dice_.Range(2, 8), remaining);
      Polyline(n);
      return n;
    } else if (r < 670) {
      Circle();
    } else if (r < 730) {
      Arc();
    } else if (r < 800) {
      TextFigure();
    } else if (r < 808) {
      Message();
    } else if (r < 828) {
      PointFigure(false);
    } else if (r < 838) {
      PointFigure(true);
    } else if (r < 848) {
      Solid(2);
    } else if (r < 860) {
      Solid(3);
    } else if (r < 878) {
      Solid(4);
    } else if (r < 886) {
      CircularSolid("sc");
    } else if (r < 901) {
      CircularSolid("se");
    } else if (r < 906) {
      RingSolid("so");
    } else if (r < 911) {
      RingSolid("sg");
    } else if (r < 915) {
      Block();
    } else {
      LineFigure();
    }
    return 1;
  }

  // --- junk -----------------------------------------------------------------
  void BadNumber() {
    static constexpr std::string_view kBad[] = {"1,5",
                                                "1e",
                                                "$10",
                                                "--3",
                                                "1.2.3",
                                                "nan",
                                                "inf",
                                                "1e99999",
                                                "-1e99999",
                                                "1e-99999",
                                                "0x1G",
                                                "\x82\x50\x82\x51",
                                                "+-1",
                                                ".",
                                                "-",
                                                "1e+",
                                                "0x",
                                                "$",
                                                "1 .5",
                                                "12a",
                                                "99999999999999999999999999999999999",
                                                "1e308",
                                                "-1.7976931348623157e308",
                                                "4.9e-324"};
    out_ += dice_.Pick(kBad);
  }
  void NumberOrJunk() {
    if (dice_.PerMille(300)) {
      BadNumber();
    } else {
      Coord();
    }
  }
  void Junk() {
    switch (dice_.Below(24)) {
      case 0: {  // a keyword with a field count no row takes
        static constexpr std::string_view kKeys[] = {"ci", "sl",  "hs", "pt", "sc", "se", "so",
                                                     "sg", "hcw", "hn", "BL", "ch", "cs", "hzs"};
        out_ += dice_.Pick(kKeys);
        const long long n = dice_.Range(0, 12);
        for (long long i = 0; i < n; ++i) {
          Sep();
          NumberOrJunk();
        }
        End();
        break;
      }
      case 1: {  // numbers that do not parse inside otherwise good figures
        out_ += dice_.PerMille(500) ? "ci " : "";
        for (int i = 0; i < 3; ++i) {
          NumberOrJunk();
          Sep();
        }
        NumberOrJunk();
        End();
        break;
      }
      case 2:  // a lone lead byte at the end of a line
        out_ += "ch 0 0 1 0 \"";
        out_ += kWords[0];
        out_ += dice_.PerMille(500) ? '\x82' : '\xe0';
        End();
        break;
      case 3: {  // NUL and other control bytes mid-line
        Coords(2);
        out_ += dice_.PerMille(500) ? std::string_view("\0", 1) : std::string_view("\x01\x7f");
        Sep();
        Coords(2);
        End();
        break;
      }
      case 4: {  // a very long text
        out_ += "ch 1 2 1 0 \"";
        const long long n = dice_.Range(256, 4000);
        for (long long i = 0; i < n; ++i) out_ += kWords[static_cast<std::size_t>(i % 14)];
        End();
        break;
      }
      case 5: {  // a very long line of fields
        const long long n = dice_.Range(33, 3000);
        for (long long i = 0; i < n; ++i) {
          Coord();
          Sep();
        }
        End();
        break;
      }
      case 6:  // a lone CR inside a line, LF-only and doubled CR ends
        Coords(2);
        out_ += '\r';
        Sep();
        Coords(4);
        out_ += dice_.PerMille(500) ? "\n" : "\r\r\n";
        break;
      case 7: {  // tabs, quotes and equals signs in odd places
        static constexpr std::string_view kOdd[] = {
            "\t1\t2\t3\t4", "1 2 \"3 4", "a=b 1 2 3", "\"\"\"",
            "ci\t0\t0\t5",  "= = = =",   "1 2 3 4 ",  " 1  2  3  4"};
        Line(dice_.Pick(kOdd));
        break;
      }
      case 8: {  // attribute lines with odd values
        static constexpr std::string_view kAttr[] = {
            "lgZ",          "lg",          "ly10",         "lc10",
            "lc10 x",       "cc12",        "cc",           "cn0 1 2",
            "cn99",         "cn-1",        "hp0 1 2",      "hp100 1 2",
            "hp5-ln 1 2",   "hpx 1 2",     "hhpx",         "hhp12ci",
            "z9",           "pn",          "lt-5",         "lw40000",
            "lw-1",         "cn$",         "cn\"$",        "lgn",
            "lyn\"",        "lc$FFFFFFFF", "lt0x7FFFFFFF", "lc-2147483648",
            "lw2147483648", "bz"};
        Line(dice_.Pick(kAttr));
        break;
      }
      case 9:  // message mode without its text, polyline ends without a start
        Line(dice_.PerMille(500) ? "msg" : "#");
        if (dice_.PerMille(500)) LineFigure();
        break;
      case 10: {  // extreme numbers
        static constexpr std::string_view kHuge[] = {
            "1e308 1e308 -1e308 -1e308",
            "1e-320 0 0 1e-320",
            "ci 0 0 1e-9",
            "ci 0 0 10 0 90 0 0",
            "se 0 0 5 1 0 0 0 7",
            "sl 0 0 0 0 0 0 0 0",
            "sl 0 0 1e-11 0 5 5",
            "pt 1 2 0 5 12",
            "so 0 0 5 1 0 0 1 5",
            "1.7976931348623157e308 0 -1.7976931348623157e308 0"};
        Line(dice_.Pick(kHuge));
        break;
      }
      case 11: {  // blank lines of every sort
        static constexpr std::string_view kBlank[] = {"", " ", "\t", "   \t  ", "\x81\x40"};
        Line(dice_.Pick(kBlank));
        break;
      }
      case 12:  // bytes outside the text range
        out_ += "ch 0 0 1 0 \"\xfe\xff";
        out_ += kWords[1];
        out_ += "\x1b[0m";
        End();
        break;
      case 13:  // a lead byte before a blank, a quote or the line end
        out_ += "\x83 1 2 3";
        End();
        out_ += "lyn\x83\"";
        End();
        break;
      default:  // mostly valid figures between the junk
        Figure(1);
        break;
    }
  }

  std::int64_t lg_ = 0, ly_ = 0, lc_ = 1;

 private:
  Dice dice_;
  std::string& out_;
};

}  // namespace

std::string GenerateRealistic(std::uint64_t seed, long long figures) {
  std::string out;
  out.reserve(static_cast<std::size_t>(figures > 0 ? figures : 0) * 52 + 4096);
  Writer w(seed, out);
  w.Header(seed);
  for (long long made = 0; made < figures;) made += w.Figure(figures - made);
  return out;
}

std::string GenerateConversion(std::uint64_t seed, long long circles, long long arcs,
                               long long solids) {
  std::string out;
  Writer w(seed, out);
  Dice& dice = w.dice();
  w.Line("hk 1");
  w.Line("hzs 420 297");
  w.Line("lg0");
  w.Line("ly0");
  w.Line("lc1");
  w.Line("lt1");
  w.Line("lw0");

  std::vector<char> kinds;
  kinds.reserve(static_cast<std::size_t>(circles + arcs + solids));
  kinds.insert(kinds.end(), static_cast<std::size_t>(circles), 'c');
  kinds.insert(kinds.end(), static_cast<std::size_t>(arcs), 'a');
  kinds.insert(kinds.end(), static_cast<std::size_t>(solids), 's');
  for (std::size_t i = kinds.size(); i > 1; --i) std::swap(kinds[i - 1], kinds[dice.Below(i)]);
  out.reserve(kinds.size() * 60 + 256);

  for (char kind : kinds) {
    if (dice.PerMille(10)) w.SetLayer(dice.Range(0, 15));
    if (dice.PerMille(20) || (kind != 's' && w.lc_ == 10)) w.SetColor(dice.Range(1, 9));
    switch (kind) {
      case 'c': w.Circle(); break;
      case 'a': w.Arc(); break;
      default: w.CircularSolid("se"); break;
    }
  }
  return out;
}

std::string GenerateMalformed(std::uint64_t seed, long long figures) {
  std::string out;
  Writer w(seed, out);
  Dice& dice = w.dice();
  w.Header(seed);
  const long long ctrlZ = figures >= 10 ? figures - figures / 10 : -1;
  for (long long i = 0; i < figures; ++i) {
    if (i == ctrlZ) {
      out += "1 2 3 4\x1a";  // the file ends inside this line
      out += "ci 0 0 5\r\n";
    }
    if (dice.PerMille(300)) {
      w.Junk();
    } else {
      w.Figure(1);
    }
  }
  return out;
}

namespace {

template <class T>
std::size_t VectorBytes(const std::vector<T>& v) {
  return v.capacity() * sizeof(T);
}

// A string whose bytes live inside the object itself costs no heap block.
std::size_t StringHeap(const std::string& s) {
  const auto* p = reinterpret_cast<const char*>(s.data());
  const auto* self = reinterpret_cast<const char*>(&s);
  if (p >= self && p < self + sizeof(std::string)) return 0;
  return s.capacity() + 1;
}

std::size_t TextHeap(const TJwwEntText& t) { return StringHeap(t.font) + StringHeap(t.text); }

}  // namespace

std::size_t StoreHeapBytes(const Store& s) {
  std::size_t n = 0;
  n += StringHeap(s.fileName);
  n += VectorBytes(s.groupNames) + VectorBytes(s.groupValues);
  n += VectorBytes(s.layerNames) + VectorBytes(s.layerValues);
  for (const auto& name : s.groupNames) n += StringHeap(name);
  for (const auto& name : s.layerNames) n += StringHeap(name);
  n += VectorBytes(s.hp);
  JwwVisitTables(s, [&n](auto, const auto& table) { n += VectorBytes(table); });
  n += VectorBytes(s.order);
  for (const auto& t : s.texts) n += TextHeap(t);
  for (const auto& m : s.msgs) n += TextHeap(m.text);
  for (const auto& b : s.blocks) n += StringHeap(b.name);
  n += StringHeap(s.cur.font) + StringHeap(s.initial.font);
  return n;
}

}  // namespace q527
