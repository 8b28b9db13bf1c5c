// Bad input, with nothing lost: damaged, hostile or merely unusual exchange
// and settings files, handed to the product the way the host or a user would
// hand them over. Whatever comes in, the host must get back the whole
// converted drawing ("hd" and every figure), "hq", or its own file untouched:
// never half a drawing, never "inf" or "nan", never a program that hangs.
//
// Most cases run the built q527-cli on files in a temporary folder; the
// dialog's handlers and the reader are driven directly where that says more.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "dialog/form.h"
#include "exchange/file_io.h"
#include "exchange/output_pass.h"
#include "exchange/reader.h"
#include "exchange/writer.h"
#include "support/test_files.h"

namespace q527 {

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// Permission bits stop nobody running as root, so the cases that rely on
// them run only for an ordinary user.
bool RunningAsRoot() { return ::geteuid() == 0; }

class BadInput : public ::testing::Test {
 protected:
  void SetUp() override { FaultArm(0); }
  void TearDown() override { FaultArm(0); }

  // With limited, a run that does not end within a minute is killed and
  // shows as exit status 124.
  CliResult Run(const std::string& args, bool limited = false) {
    return RunCli(dir_.path(), args, limited ? 60 : 0);
  }

  // The result of one run of q527-cli on the given exchange-file bytes.
  std::string Convert(const std::string& bytes, const std::string& args, bool limited = false) {
    WriteFileBytes(dir_ / "in.txt", bytes);
    const CliResult r = Run("-q " + args + " -o out.txt in.txt", limited);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    return ReadFileBytes(dir_ / "out.txt");
  }

  TempDir dir_{"q527-bad"};
};

// Everything the host may be handed back must read as an exchange file: CR LF
// lines, no byte that ends a line or the file inside a line, and in every
// number field a finite number.
void ExpectWellFormed(const std::string& out) {
  ASSERT_TRUE(out == "hq\r\n" || out.rfind("hd\r\n", 0) == 0) << out.substr(0, 100);
  std::size_t start = 0;
  while (start < out.size()) {
    const std::size_t lf = out.find('\n', start);
    ASSERT_NE(lf, std::string::npos) << "the last line has no line end";
    ASSERT_GT(lf, start);
    ASSERT_EQ(out[lf - 1], '\r');
    const std::string_view line(out.data() + start, lf - 1 - start);
    start = lf + 1;
    ASSERT_EQ(line.find_first_of("\r\x1A"s), std::string_view::npos) << line;
    // A text's words follow its quote; everything before it is keyword and numbers.
    std::string head(line.substr(0, line.find('"')));
    for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(head.find("inf"), std::string::npos) << line;
    EXPECT_EQ(head.find("nan"), std::string::npos) << line;
    std::size_t at = 0;
    while (at < head.size()) {
      std::size_t end = head.find(' ', at);
      if (end == std::string::npos) end = head.size();
      const std::string_view field(head.data() + at, end - at);
      at = end + 1;
      if (field.empty() || !(std::isdigit(static_cast<unsigned char>(field[0])) ||
                             field[0] == '-' || field[0] == '.')) {
        continue;  // a keyword
      }
      double v = 0;
      const auto res = std::from_chars(field.data(), field.data() + field.size(), v);
      EXPECT_TRUE(res.ec == std::errc{} && res.ptr == field.data() + field.size() &&
                  std::isfinite(v))
          << "not a finite number: " << field << " in " << line;
    }
  }
}

// Lines of the output that are figures of the given form: four bare numbers
// (kind "line") or a keyword and its numbers.
std::size_t CountFigureLines(const std::string& out, std::string_view keyword) {
  std::size_t count = 0, start = 0;
  while (start < out.size()) {
    const std::size_t lf = out.find('\n', start);
    const std::string_view line(out.data() + start, lf - 1 - start);
    start = lf + 1;
    if (keyword.empty()) {
      if (!line.empty() && (std::isdigit(static_cast<unsigned char>(line[0])) || line[0] == '-') &&
          std::count(line.begin(), line.end(), ' ') == 3) {
        ++count;
      }
    } else if (line.rfind(std::string(keyword) + ' ', 0) == 0) {
      ++count;
    }
  }
  return count;
}

// A small drawing around each damaged piece: the figures before and after it
// share its attributes, so the piece's own reading decides the output alone.
const std::string kHead =
    "lg1\r\nly2\r\nlc3\r\nlt1\r\nlw2\r\n"
    "ci 10 20 5\r\n"
    "ci 0 0 10 0 90 1 0\r\n"
    "pl\r\n0 0 1 0\r\n1 0 1 1\r\n#\r\n"
    "ch 0 0 1 0 \"\x89\x7e\x82\xcc text\r\n";
const std::string kTail =
    "ci 30 30 3\r\n"
    "5 5 6 6\r\n"
    "lc10 7\r\nse 0 0 4 1 0 0 6.28318530717959 0\r\n"
    "sl 0 0 1 0 1 1 0 1\r\n";

// A line of random bytes that reads as nothing: one field (no blank, tab,
// quote or equals sign), led by DEL so that no keyword can match, and no byte
// that ends a line or the file.
std::string JunkLine(std::mt19937& rng) {
  std::string line = "\x7f";
  const int n = 1 + static_cast<int>(rng() % 200);
  while (static_cast<int>(line.size()) < n) {
    const char c = static_cast<char>(rng() % 256);
    if (std::string_view(" \t\"=\r\n\x1A", 7).find(c) != std::string_view::npos) continue;
    line += c;
  }
  return line + "\r\n";
}

std::string NumberedFields(int from, int count) {
  std::string s;
  for (int i = from; i < from + count; ++i) s += ' ' + std::to_string(i);
  return s;
}

// Each damaged file must give exactly what its clean reading gives, both when
// nothing is converted (every figure comes back as read) and when every kind
// is converted.
TEST_F(BadInput, DamagedFilesGiveWhatTheirCleanReadingGives) {
  std::mt19937 rng(527);
  std::string junk;
  for (std::size_t i = 0; i < kHead.size(); ++i) {
    junk += kHead[i];
    if (kHead[i] == '\n') junk += JunkLine(rng);
  }
  std::string nuls = kHead;
  for (std::size_t at : {std::size_t{1}, std::size_t{8}, std::size_t{24}, std::size_t{29}}) {
    nuls.insert(at, 1, '\0');
  }
  struct Case {
    const char* name;
    std::string damaged;
    std::string clean;
  };
  // Pieces that leave the reader's state as their clean form does; they are
  // checked all in one file.
  const Case middle[] = {
      {"junk lines between the figures", junk, kHead},
      {"binary junk in a line", "\x7f\x01\x02\xff\xfe\x80\x9f\xe0\xfd\x1b\x7f\r\n", ""},
      {"NUL bytes inside lines", nuls, kHead},
      {"lines of NUL and control bytes", "\0\0\0\r\n\x01\x02\x03\r\n\0\r\n"s, ""},
      {"100,000 numbers in a line", "1" + NumberedFields(2, 99999) + "\r\n", ""},
      {"an arc line of 100,000 fields", "ci 0 0 5 0 90 1 0" + NumberedFields(0, 99992) + "\r\n",
       "ci 0 0 5 0 90 1 0\r\n"},
      {"lead byte ending a number", "ci 0 0 5\x82\r\n", "ci 0 0 5\r\n"},
      {"lead byte ending a text", "ch 0 0 1 0 \"ab\x82\r\n", "ch 0 0 1 0 \"ab\r\n"},
      {"lead byte before an LF", "ch 0 0 1 0 \"ab\x82\n", "ch 0 0 1 0 \"ab\r\n"},
      {"a line of one lead byte", "\x82\r\n\xfd\r\n", ""},
      {"numbers beyond the double range", "ci 1e400 -1e400 5\r\n0 1e400 -1e999 7\r\n",
       "ci 0 0 5\r\n0 0 0 7\r\n"},
      {"words for numbers", "ci nan inf 3\r\n-inf 1 NaN 2\r\nci 0 0 infinity 0 90 1 0\r\n",
       "ci 0 0 3\r\n0 1 0 2\r\n"},
      {"negative zero", "ci -0 -0.0 5\r\n-0 0 0 -7\r\n", "ci 0 0 5\r\n0 0 0 -7\r\n"},
      {"radius below the double range", "ci 2 2 1e-400\r\n", ""},
      // Between figures of the same attributes, so that no attribute line
      // stands for the dropped ones.
      {"zero radii",
       "ci 0 0 0\r\nci 0 0 0 0 90 1 0\r\n"
       "lc10 7\r\nse 0 0 4 1 0 0 6 0\r\nse 0 0 0 1 0 0 6 0\r\nse 1 1 4 1 0 0 6 0\r\nlc3\r\n",
       "lc10 7\r\nse 0 0 4 1 0 0 6 0\r\nse 1 1 4 1 0 0 6 0\r\nlc3\r\n"},
  };
  // Pieces that end the file.
  const Case last[] = {
      {"lead byte at the end of the file", "ch 0 0 1 0 \"cd\x82", "ch 0 0 1 0 \"cd\r\n"},
      {"no line end after the last figure", "ci 0 0 7", "ci 0 0 7\r\n"},
      {"a lone CR at the end of the file", "ci 0 0 7\r", "ci 0 0 7\r\n"},
      {"Ctrl-Z ends the file",
       "ci 0 0 7\r\n\x1A"
       "ci 0 0 8\r\n",
       "ci 0 0 7\r\n"},
  };
  const auto same = [this](const std::string& damaged, const std::string& clean) {
    bool ok = true;
    for (const char* args : {"-k none", "-n 5"}) {
      SCOPED_TRACE(args);
      const std::string out = Convert(damaged, args);
      const std::string want = Convert(clean, args);
      ExpectWellFormed(out);
      EXPECT_EQ(out, want);
      ok = ok && out == want;
    }
    return ok;
  };
  std::string damaged = kHead, clean = kHead;
  for (const Case& c : middle) {
    damaged += c.damaged;
    clean += c.clean;
  }
  if (!same(damaged + kTail, clean + kTail)) {
    // Name the piece that differs.
    for (const Case& c : middle) {
      EXPECT_TRUE(same(kHead + c.damaged + kTail, kHead + c.clean + kTail)) << c.name;
    }
  }
  for (const Case& c : last) EXPECT_TRUE(same(kHead + c.damaged, kHead + c.clean)) << c.name;

  // A NUL right after a lead byte is that character's second byte: it is
  // kept, and written back as read.
  EXPECT_NE(Convert("ch 0 0 1 0 \"a\x82\0b\r\n"s, "-k none").find("\"a\x82\0b\r\n"s),
            std::string::npos);
}

// Files that hold no figure at all are read completely, so the run is a
// real one: "hd" with the closing lines and nothing else. The host had handed
// over no figure, so it loses none.
TEST_F(BadInput, FilesWithoutFiguresConvertToNothing) {
  for (const std::string& bytes :
       {""s, "\x1A"s, "\x1A\x1A\r\nci 0 0 5\r\n"s, "\r\n\r\n   \r\n\t\r\n\0\r\n"s}) {
    SCOPED_TRACE(testing::PrintToString(bytes));
    WriteFileBytes(dir_ / "JWC_TEMP.TXT", bytes);
    const CliResult counts = Run("--counts");
    EXPECT_EQ(counts.code, 0);
    EXPECT_EQ(counts.out, "円：0 円弧楕円弧：0 円周S：0\n");
    EXPECT_EQ(Convert(bytes, "-n 5"), "hd\r\nlg0\r\nly0\r\n");
  }
}

// Angles and sizes far outside any drawing: the conversion must end, and what
// it writes must be finite numbers; a segment whose ends left the double
// range, or that collapsed to a point because the angle no longer moves, is
// dropped.
TEST_F(BadInput, ExtremeFiguresConvertToFiniteNumbersOrNothing) {
  struct Case {
    const char* name;
    std::string line;
    std::size_t lines, solids;  // figures written for N = 8
  };
  const Case cases[] = {
      {"arc ending at 1e300 degrees", "ci 0 0 10 0 1e300 1 0", 8, 0},
      {"arc starting at 1e300 degrees", "ci 0 0 10 1e300 -1e300 1 0", 0, 0},
      {"arc ending past the double range", "ci 0 0 10 0 1e999 1 0", 8, 0},  // reads as 0: closed
      {"arc over the whole double range", "ci 0 0 10 -1.7e308 1.7e308 1 0", 0, 0},
      {"arc tilted by 1e300 degrees", "ci 0 0 10 0 90 1 1e300", 8, 0},
      {"circular solid of 1e18 radians", "se 0 0 5 1 0 1e18 1e18 0", 0, 8},
      {"circular solid tilted by 1e300 radians", "se 0 0 5 1 1e300 0 3 0", 0, 8},
      {"circular solid sweeping past the double range", "se 0 0 5 1 0 1.7e308 1.7e308 0", 0, 0},
      {"circle whose polygon leaves the double range", "ci 1e308 1e308 1e308", 4, 0},
      {"ellipse of flatness 1e300", "ci 0 0 1e300 0 90 1e300 0", 0, 0},
      {"radius of 1e307", "ci 0 0 1e307", 8, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string out = Convert("lc10 2\r\n" + c.line + "\r\n", "-n 8", true);
    ExpectWellFormed(out);
    EXPECT_EQ(CountFigureLines(out, ""), c.lines) << out;
    EXPECT_EQ(CountFigureLines(out, "sl"), c.solids) << out;
    // Nothing of the source figure is left behind.
    EXPECT_EQ(CountFigureLines(out, "ci") + CountFigureLines(out, "se"), 0u) << out;
  }
}

// A single line of 100 MB, built in memory: the reader gets through it in
// linear time and memory, keeps it whole where it is a text, and reads the
// lines after it as usual. (Long lines through the file reader's blocks:
// ReaderFile.AVeryLongLineWorks.)
TEST_F(BadInput, HundredMegabyteLines) {
  constexpr std::size_t kSize = std::size_t{100} << 20;
  // A text whose bytes keep the splitter busy: blanks kept after the quote,
  // double-byte characters, and now and then a control byte to drop.
  std::string chunk;
  while (chunk.size() < 4095) chunk += "ab \x82\xa0";
  chunk += '\x01';
  std::string body;
  for (int i = 0; i < 25; ++i) body += chunk;
  while (body.size() < kSize) body += body;  // 25 · 4096 · 2^10 bytes
  std::string bytes = "ci 0 0 5\r\nch 0 0 1 0 \"" + body + "\r\nci 1 1 2\r\n";
  const std::size_t textSize = body.size() / chunk.size() * (chunk.size() - 1);
  body.clear();
  body.shrink_to_fit();
  {
    Store s;
    JwwInit(s);
    JwwReadBuffer(s, bytes);
    ASSERT_EQ(s.texts.size(), 1u);
    ASSERT_EQ(s.circles.size(), 2u);
    EXPECT_EQ(s.circles[1].r, 2);
    ASSERT_EQ(s.texts[0].text.size(), textSize);
    EXPECT_EQ(s.texts[0].text.substr(4090, 10),
              "ab \x82\xa0"
              "ab \x82\xa0");
    // What goes back to the host holds the text whole, on one line.
    TJwwWriter w(s);
    JwwWriteStart(w);
    JwwAddOut(w, "hd");
    JwwWriteAll(s, w);
    const std::string& out = w.lines.bytes;
    const std::size_t at = out.find("ch 0 0 1 0 \"");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(out.find("\r\n", at), at + 12 + textSize);
    EXPECT_NE(out.find("ci 1 1 2\r\n"), std::string::npos);
  }
  // A number of 100 MB digits is beyond every range and reads as 0.
  bytes.assign("lc");
  bytes.append(kSize, '7');
  bytes += "\r\nci 0 0 5\r\n";
  Store s;
  JwwInit(s);
  JwwReadBuffer(s, bytes);
  ASSERT_EQ(s.circles.size(), 1u);
  EXPECT_EQ(s.circles[0].attr.color, 0);
}

// An exchange file the CLI cannot open or read to its end: one error line,
// exit status 1, and no "hd" anywhere. A file that cannot be opened is left
// as it is; one that fails part-way gets "hq", as the dialog's close writes.
TEST_F(BadInput, UnreadableExchangeFileIsNeverConverted) {
  // The kernel refuses every read of this file with EIO.
  CliResult r = Run("-o out.txt /proc/self/mem");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("could not be read to its end"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_EQ(ReadFileBytes(dir_ / "out.txt"), "hq\r\n");

  r = Run("--counts /proc/self/mem");
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(r.out.empty());

  if (RunningAsRoot()) GTEST_SKIP() << "permission bits do not stop root";
  const std::string drawing = kHead + kTail;
  WriteFileBytes(dir_ / "JWC_TEMP.TXT", drawing);
  fs::permissions(dir_ / "JWC_TEMP.TXT", fs::perms::none);
  for (const char* args : {"", "-o out2.txt", "--cancel", "--counts"}) {
    SCOPED_TRACE(args);
    r = Run(args);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("cannot open for reading"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "out2.txt"));
  }
  fs::permissions(dir_ / "JWC_TEMP.TXT", fs::perms::owner_read, fs::perm_options::add);
  EXPECT_EQ(ReadFileBytes(dir_ / "JWC_TEMP.TXT"), drawing);
}

struct QuietPlatform : FormPlatform {
  std::vector<std::string> failures;
  void ShowNow(std::string_view) override {}
  bool IsDown() override { return false; }
  void ReportFailure(std::string_view utf8) override { failures.emplace_back(utf8); }
  void MoveTo(std::int32_t, std::int32_t) override {}
  void SetEdit1(std::string_view) override {}
  void SetChecks(bool, bool, bool) override {}
  void Close() override {}
};

// The dialog on an exchange file it cannot read: OK converts nothing and says
// so once; the close writes "hq" where it can, and says so when it cannot.
TEST_F(BadInput, DialogOnAnUnreadableExchangeFile) {
  const fs::path exchange = dir_ / "JWC_TEMP.TXT";
  const fs::path settings = dir_ / "q527.dat";
  struct Case {
    const char* name;
    bool folder;
    std::size_t failures;  // messages after OK and close
  };
  const Case cases[] = {
      {"a folder in its place", true, 2},  // not read at OK, not written at close
      {"no permission to read", false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.folder && RunningAsRoot()) continue;
    fs::remove_all(exchange);
    if (c.folder) {
      fs::create_directories(exchange / "inner");
    } else {
      WriteFileBytes(exchange, kHead);
      fs::permissions(exchange, fs::perms::none);
    }
    QuietPlatform p;
    TForm1 form(p, exchange, settings);
    form.FormShow();
    form.Button1Click(DialogState{});
    form.FormClose();
    ASSERT_EQ(p.failures.size(), c.failures);
    EXPECT_NE(p.failures[0].find("最後まで読めなかった"), std::string::npos);
    if (c.folder) {
      EXPECT_TRUE(fs::is_directory(exchange / "inner"));
    } else {
      EXPECT_EQ(ReadFileBytes(exchange), "hq\r\n");
    }
    // Only the two files: no temporary file is left beside them.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 2);
  }
}

// Read-only files. The file is replaced by moving a new file over it, which
// on Linux needs write permission on the folder only: a read-only exchange or
// settings file is replaced like any other (and is then no longer
// read-only). A read-only folder stops the replacement, and the old content
// stays.
TEST_F(BadInput, ReadOnlyFilesAndFolders) {
  const std::string drawing = kHead + kTail;
  const std::string oldSettings = "7\r\n8\r\n12\r\n1\r\n0\r\n0\r\n";
  const std::string expected = Convert(drawing, "-n 5 -k circle");

  WriteFileBytes(dir_ / "JWC_TEMP.TXT", drawing);
  WriteFileBytes(dir_ / "q527.dat", oldSettings);
  fs::permissions(dir_ / "JWC_TEMP.TXT", fs::perms::owner_read | fs::perms::group_read);
  fs::permissions(dir_ / "q527.dat", fs::perms::owner_read | fs::perms::group_read);
  CliResult r = Run("-q --settings q527.dat -n 5");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(dir_ / "JWC_TEMP.TXT"), expected);
  EXPECT_EQ(ReadFileBytes(dir_ / "q527.dat"), "7\r\n8\r\n5\r\n1\r\n0\r\n0\r\n");

  if (RunningAsRoot()) GTEST_SKIP() << "permission bits do not stop root";
  const fs::path ro = dir_ / "ro";
  fs::create_directories(ro);
  WriteFileBytes(ro / "JWC_TEMP.TXT", drawing);
  WriteFileBytes(ro / "q527.dat", oldSettings);
  fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec);
  // The exchange file cannot be replaced: one error line, the host's figures stay.
  r = Run("--settings ro/q527.dat -n 5 ro/JWC_TEMP.TXT");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_EQ(ReadFileBytes(ro / "JWC_TEMP.TXT"), drawing);
  EXPECT_EQ(ReadFileBytes(ro / "q527.dat"), oldSettings);
  // The settings file cannot be replaced: the run goes on without it.
  r = Run("-q --settings ro/q527.dat -n 5 -o out.txt ro/JWC_TEMP.TXT");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(dir_ / "out.txt"), expected);
  EXPECT_EQ(ReadFileBytes(ro / "q527.dat"), oldSettings);
  EXPECT_EQ(std::distance(fs::directory_iterator(ro), fs::directory_iterator()), 2);
}

// Settings files with garbage: the run uses what the lenient reading makes of
// them, and OK leaves six clean lines behind.
TEST_F(BadInput, GarbageSettingsFiles) {
  std::mt19937 rng(1527);
  std::string binary;
  while (binary.size() < 4096) {
    const char c = static_cast<char>(rng() % 256);
    if (c != '\n') binary += c;
  }
  std::string manyLines = "5\r\n6\r\n7\r\n1\r\n0\r\n1\r\n";
  for (int i = 0; i < 9994; ++i) manyLines += "999\r\n";
  struct Case {
    const char* name;
    std::string bytes;
    std::string saved;
    std::size_t segments;  // lines made from the circle; 0: it stays a circle
  };
  const Case cases[] = {
      {"binary junk on one line", binary, "0\r\n0\r\n3\r\n0\r\n0\r\n0\r\n", 0},
      {"NUL bytes", "1\0\r\n\0\r\n8\r\n1\0\r\n\0\r\n1\r\n"s, "0\r\n0\r\n8\r\n1\r\n0\r\n1\r\n", 8},
      {"numbers beyond 32 bits",
       "99999999999999999999\r\n-2147483649\r\n4294967299\r\n1\r\n1\r\n1\r\n",
       "0\r\n0\r\n3\r\n1\r\n1\r\n1\r\n", 3},
      {"the 32-bit limits", "2147483647\r\n-2147483648\r\n2147483647\r\n1\r\n1\r\n1\r\n",
       "2147483647\r\n-2147483648\r\n999\r\n1\r\n1\r\n1\r\n", 999},
      {"10,000 lines", manyLines, "5\r\n6\r\n7\r\n1\r\n0\r\n1\r\n", 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(dir_ / "q527.dat", c.bytes);
    WriteFileBytes(dir_ / "JWC_TEMP.TXT", "ci 0 0 5\r\n");
    const CliResult r = Run("-q --settings q527.dat");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(dir_ / "q527.dat"), c.saved);
    const std::string out = ReadFileBytes(dir_ / "JWC_TEMP.TXT");
    ExpectWellFormed(out);
    EXPECT_EQ(CountFigureLines(out, ""), c.segments);
    EXPECT_EQ(CountFigureLines(out, "ci"), c.segments == 0 ? 1u : 0u);
  }
}

}  // namespace

}  // namespace q527
