// Reading what the writer wrote and writing it again must change nothing:
// the writer's output is the reader's fixed point.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "exchange/output_pass.h"
#include "exchange/reader.h"
#include "exchange/writer.h"

namespace q527 {

namespace {

// One conversion without converting: read, "hd", every figure.
std::string Pass(std::string_view file) {
  Store s;
  JwwInit(s);
  JwwReadBuffer(s, file);
  TJwwWriter w(s);
  JwwWriteStart(w);
  JwwAddOut(w, "hd");
  JwwWriteAll(s, w);
  return w.lines.bytes;
}

std::size_t FiguresRead(std::string_view file) {
  Store s;
  JwwInit(s);
  JwwReadBuffer(s, file);
  return s.order.size();
}

// Shift-JIS texts: kanji, katakana whose second byte is a backslash, a
// full-width blank, half-width katakana, blanks inside and at the ends.
const char* const kTexts[] = {
    "\x90\x7D\x96\xCA",            // 図面
    "\x83\x5C\x83\x74\x83\x67",    // ソフト
    "\x83\x65\x83\x58\x83\x67 1",  // テスト 1
    "\x81\x40\x95\xB6\x8E\x9A",    // full-width blank, 文字
    " lead and trail ",
    "a  b\"c\"",
    "\xB1\xB2\xB3",    // half-width katakana
    "R=5 \x81\x7B 3",  // an equals sign and ＋
    "100",
};

const char* const kFonts[] = {
    "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e",  // ＭＳ ゴシック
    "\x82\x6c\x82\x72 \x96\xBE\x92\xA9",                  // ＭＳ 明朝
    "Arial",
    "Font \"quoted\"",
};

class FileGenerator {
 public:
  FileGenerator(std::uint32_t seed, bool malformed) : rng_(seed), malformed_(malformed) {}

  std::string File(int figures) {
    out_.clear();
    Header();
    // The file starts on the layer of its first figure, as the host writes it.
    Line("lg" + Hex(group_ = Pick(16)));
    Line("ly" + Hex(layer_ = Pick(16)));
    Line("lc" + std::to_string(1 + Pick(9)));
    Line("lt" + std::to_string(1 + Pick(9)));
    if (Chance(2)) Line("lw" + std::to_string(Pick(4)));
    Line("cn" + std::to_string(1 + Pick(10)));
    Line("cc" + std::to_string(Pick(3)));
    Line("cn\"$" + std::string(kFonts[Pick(4)]));
    for (int i = 0; i < figures; ++i) {
      if (i > 0 && Chance(4)) Attribute();
      Figure(i == 0 ? 0 : Pick(16));
      if (malformed_ && Chance(6)) Garbage();
    }
    return out_;
  }

 private:
  int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
  bool Chance(int n) { return Pick(n) == 0; }

  static std::string Hex(int v) { return std::string(1, "0123456789ABCDEF"[v & 15]); }

  void Line(const std::string& line) {
    out_ += line;
    // The host ends lines with CR LF; a damaged file may end them with LF.
    out_ += (malformed_ && Chance(20)) ? "\n" : "\r\n";
  }

  // A number as a drawing holds it: short decimals, computed values with
  // every digit, small and large magnitudes.
  double Value() {
    switch (Pick(6)) {
      case 0: return Pick(2001) - 1000;
      case 1: return (Pick(200001) - 100000) / 100.0;
      case 2: return 500.0 * std::cos(Pick(100000) * 1e-3) + Pick(1000);
      case 3: return std::ldexp(static_cast<double>(rng_()), -Pick(90)) * (Chance(2) ? -1 : 1);
      case 4: return (Pick(1000) + 1) * std::pow(10.0, Pick(40) - 20);
      default: return std::sqrt(static_cast<double>(Pick(1000000)));
    }
  }

  std::string Text(double v) {
    char buf[40];
    const auto r = Chance(2)
                       ? std::to_chars(buf, buf + sizeof buf, v)
                       : std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    return std::string(buf, r.ptr);
  }

  // Coordinates of a drawing; a damaged file may also hold magnitudes so
  // small that figures made of them collapse.
  std::string Num() {
    double v = Value();
    if (!malformed_ && v != 0 && std::fabs(v) < 1e-6) v += 1;
    return Text(v);
  }

  std::string Direction() {
    const double a = Pick(3600) * 0.1 * 3.141592653589793 / 180;
    return Text(std::cos(a)) + " " + Text(std::sin(a));
  }

  // A radius: a damaged file may hold a degenerate one, which the writer
  // drops (leaving the attribute lines written for it).
  std::string Radius() {
    if (malformed_ && Chance(8)) return Chance(2) ? "0" : "-3";
    return Text(std::fabs(Value()) + 0.5);
  }

  std::string Flatness() {
    if (malformed_ && Chance(8)) return "0";
    return Text((Chance(2) ? -1 : 1) * (0.05 + Pick(300) / 100.0));
  }

  std::string Nums(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += (i ? " " : "") + Num();
    return s;
  }

  void Header() {
    if (Chance(2)) Line("file=C:\\jww\\\x90\x7D\x96\xCA.jww");
    Line("hzs 420 297");
    Line("hk 0");
    std::string hcw = "hcw", hcc = "hcc";
    for (int i = 0; i < 10; ++i) {
      hcw += " " + std::to_string(1 + Pick(9));
      hcc += " " + std::to_string(1 + Pick(9));
    }
    Line(hcw);
    Line(hcc);
    if (Chance(3)) Line("bz");
  }

  void Attribute() {
    switch (Pick(11)) {
      case 0: Line("lg" + Hex(group_ = Pick(16))); break;
      case 1: Line("ly" + Hex(layer_ = Pick(16))); break;
      case 2: Line("lc" + std::to_string(1 + Pick(9))); break;
      case 3: Line("lc10 " + std::to_string(Pick(0x1000000))); break;
      case 4: Line("lt" + std::to_string(1 + Pick(9))); break;
      case 5: Line("lw" + std::to_string(Pick(5))); break;
      case 6: Line("cn" + std::to_string(1 + Pick(10))); break;
      case 7: Line("cn0 " + Nums(3) + " " + std::to_string(1 + Pick(9))); break;
      case 8: Line("cc" + std::to_string(Pick(9))); break;
      case 9: Line("cn\"$" + std::string(kFonts[Pick(4)])); break;
      default: Line("pn" + std::to_string(1 + Pick(9))); break;
    }
  }

  std::string Words() { return kTexts[Pick(sizeof kTexts / sizeof *kTexts)]; }

  void Figure(int kind) {
    // z-flags and hhp numbers belong to the next figure; a message text's
    // own flags cannot be told from its line's, so it gets none.
    if (kind != 6) {
      if (Chance(5)) Line("z" + std::to_string(1 + Pick(5)));
      if (Chance(8)) Line("hhp" + std::to_string(1 + Pick(99)));
    }
    switch (kind) {
      case 0:
      case 1: Line(Nums(4)); break;
      case 2: Line("ci " + Nums(2) + " " + Radius()); break;
      case 3:
        Line("ci " + Nums(2) + " " + Radius() + " " + Nums(2) + " " +
             (Chance(2) ? "1" : Flatness()) + " " + Num());
        break;
      case 4: {
        static const char* kKeys[] = {"ch", "cv", "cs", "cr", "co", "cp", "ct", "ck", "cz", "c2"};
        Line(std::string(kKeys[Pick(10)]) + " " + Nums(2) + " " +
             (Chance(2)    ? "1 0"
              : malformed_ ? Nums(2)
                           : Direction()) +
             " \"" + Words());
        break;
      }
      case 5: Line("pt " + Nums(2)); break;
      case 6:
        Line("msg");
        Line(Nums(4));
        Line("cs " + Nums(2) + " 1 0 \"" + (Chance(3) ? std::string("\x81\x40") : Words()));
        break;
      case 7: Line("pt " + Nums(4) + " " + std::to_string(Pick(25) - 10)); break;
      case 8: Line("BL " + Nums(2) + " block" + std::to_string(Pick(9))); break;
      case 9: Line("sl " + Nums(4)); break;
      case 10: Line("sl " + Nums(6)); break;
      case 11: Line("sl " + (Chance(4) ? "0 0 0 0 " + Nums(4) : Nums(8))); break;
      case 12: Line("sc " + Nums(2) + " 5 1 " + Nums(3) + " " + (Chance(2) ? "100" : "0")); break;
      case 13:
        Line("se " + Nums(2) + " " + Radius() + " 1 0 0 " + Num() + " " +
             (malformed_ && Chance(4) ? "5" : "100"));
        break;
      case 14:
      case 15:
        Line(std::string(kind == 14 ? "so " : "sg ") + Nums(2) + " 10 1 0 0 1 " +
             std::to_string(malformed_ ? Pick(12) : 1 + Pick(9)));
        break;
    }
    if (Chance(12)) {
      Line("pl");
      for (int i = Pick(4); i >= 0; --i) Line(Nums(4));
      Line("#");
    }
  }

  // Lines a damaged or foreign file may hold.
  void Garbage() {
    switch (Pick(14)) {
      case 0: Line("ci " + Nums(3) + " "); break;  // five fields: ignored
      case 1: Line("ci " + Nums(6)); break;
      case 2: Line("lgZ"); break;
      case 3: Line("cc12"); break;
      case 4: Line("cn" + std::to_string(Pick(40) - 10)); break;  // kinds out of range
      case 5: Line("lw" + std::to_string(Pick(60000) - 10000)); break;
      case 6: Line("hp" + std::to_string(Pick(120)) + "ln " + Nums(2)); break;
      case 7: Line("msg"); break;  // a message without its text
      case 8: Line("\t  \t"); break;
      case 9: Line("pt 1 2 3"); break;
      case 10:
        Line(std::string("ch 0 0 1 0 \"") +
             "a\x01\x7F\xFE"
             "b\x82");
        break;  // control bytes, a lone lead byte
      case 11: Line("1e400 2 nan 4"); break;
      case 12: Line("cn\"$"); break;  // an empty font name
      default: {
        std::string junk;
        for (int i = Pick(12); i > 0; --i) {
          const char c = static_cast<char>(1 + Pick(255));
          if (c != '\x1A') junk += c;  // an end-of-file byte would end the test file early
        }
        Line(junk);
        break;
      }
    }
  }

  std::mt19937 rng_;
  bool malformed_;
  std::string out_;
  int group_ = 0, layer_ = 0;
};

// The first line where two outputs part, with its neighbours.
::testing::AssertionResult SameOutput(const std::string& expected, const std::string& actual) {
  if (expected == actual) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
  const std::size_t from = at < 300 ? 0 : expected.rfind('\n', at - 300);
  const auto excerpt = [&](const std::string& t) { return t.substr(from, at + 200 - from); };
  return ::testing::AssertionFailure() << "outputs part at byte " << at << "\n--- expected ---\n"
                                       << excerpt(expected) << "\n--- actual ---\n"
                                       << excerpt(actual);
}

TEST(RoundTripTest, WrittenFilesAreAFixedPoint) {
  for (std::uint32_t seed = 1; seed <= 60; ++seed) {
    FileGenerator gen(seed, false);
    const std::string file = gen.File(50 + static_cast<int>(seed) * 13);
    const std::string first = Pass(file);
    const std::string second = Pass(first);
    ASSERT_GT(FiguresRead(first), 40u) << "seed " << seed;
    ASSERT_TRUE(SameOutput(first, second)) << "seed " << seed;
  }
}

// A damaged file may need one pass to settle: attribute values out of range
// are replaced, a dropped figure leaves attribute lines that a second reading
// gives to the next figure, and a file whose first attribute lines name other
// values than its first figure has gets other closing lines. After that pass
// nothing moves.
TEST(RoundTripTest, DamagedFilesSettleAfterOnePass) {
  for (std::uint32_t seed = 1; seed <= 60; ++seed) {
    FileGenerator gen(seed * 7919, true);
    const std::string file = gen.File(40 + static_cast<int>(seed) * 11);
    const std::string second = Pass(Pass(file));
    ASSERT_TRUE(SameOutput(second, Pass(second))) << "seed " << seed;
  }
}

}  // namespace

}  // namespace q527
