// All-or-nothing under faults: the whole job (show, OK, close) runs with the
// k-th file operation or the k-th allocation failing, for every k the job
// reaches. Afterwards the exchange file must hold the complete result, its
// previous content or "hq" — never a partial "hd" — and the settings file
// either the new six lines or the old ones.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <new>
#include <string>

#include "dialog/form.h"
#include "exchange/file_io.h"
#include "support/allocation_seam.h"
#include "support/test_files.h"

namespace q527 {

namespace {

namespace fs = std::filesystem;

struct QuietPlatform : FormPlatform {
  int failures = 0;
  bool closeAsked = false;
  void ShowNow(std::string_view) override {}
  bool IsDown() override { return false; }
  void ReportFailure(std::string_view) override { ++failures; }
  void MoveTo(std::int32_t, std::int32_t) override {}
  void SetEdit1(std::string_view) override {}
  void SetChecks(bool, bool, bool) override {}
  void Close() override { closeAsked = true; }
};

// A drawing with a little of everything, enough that the conversion and the
// output pass grow their tables several times.
std::string Drawing() {
  std::string d = "hk 1\r\nhzs 420 297\r\nlg1\r\nly2\r\nlc3\r\nlt1\r\nlw5\r\n";
  for (int i = 0; i < 12; ++i) {
    d += "ci " + std::to_string(i * 10) + " 5 " + std::to_string(i + 1) + "\r\n";
    d += std::to_string(i) + " 0 " + std::to_string(i + 1) + " 7.5\r\n";
  }
  d += "ci 0 0 10 0 90 1 0\r\nci 5 5 3 45 45 0.5 30\r\n";
  d += "lc10 7\r\nse 0 0 4 1 0 0 6.28318530717959 0\r\nse 9 9 2 0.5 1 3 -2 100\r\n";
  d += "sl 0 0 1 0 1 1 0 1\r\ncn0 2.5 2.5 0 1\r\nch 0 0 1 0 \"\x89\x7e\x82\xcc\x8e\x8e\x8c\xb1\r\n";
  d += "pt 3 4\r\nmsg\r\n0 0 10 10\r\ncs 1 1 1 0 \"note\r\n";
  return d;
}

const std::string kOldSettings = "7\r\n8\r\n12\r\n0\r\n0\r\n0\r\n";

struct Job {
  TempDir dir;
  fs::path exchange;
  fs::path settings;
  DialogState ok;

  std::string input;

  Job(const std::string& name, std::string drawing, const char* divisions)
      : dir("q527-fault-" + name), input(std::move(drawing)) {
    exchange = dir / "JWC_TEMP.TXT";
    settings = dir / "q527.dat";
    ok.left = 120;
    ok.top = -5;
    ok.edit1 = divisions;
  }

  void Reset() {
    WriteFileBytes(exchange, input);
    WriteFileBytes(settings, kOldSettings);
  }

  // Show, OK, close: what the dialog does, with the seam armed once the
  // program stands; an exception that escapes a handler counts as the program
  // dying at that point.
  template <typename Arm>
  bool Run(Arm arm, long long k) {
    QuietPlatform platform;
    TForm1 form(platform, exchange, settings);
    arm(k);
    try {
      form.FormShow();
      form.Button1Click(ok);
      form.FormClose();
    } catch (...) {
      return false;
    }
    return true;
  }

  bool LeftoverTemp() const {
    for (const auto& e : fs::directory_iterator(dir.path())) {
      const auto name = e.path().filename().string();
      if (name != "JWC_TEMP.TXT" && name != "q527.dat") return true;
    }
    return false;
  }
};

struct Outcome {
  std::string exchange;
  std::string settings;
};

// Runs the job for every injection point of one seam and checks each result.
template <typename Arm, typename Calls>
long long CheckEveryPoint(Job& job, Arm arm, Calls calls, const char* seam) {
  job.Reset();
  EXPECT_TRUE(job.Run(arm, 0));
  const long long total = calls();
  const Outcome good{ReadFileBytes(job.exchange), ReadFileBytes(job.settings)};
  EXPECT_EQ(good.exchange.rfind("hd\r\n", 0), 0u) << "the fault-free run must convert";
  EXPECT_GT(total, 0);

  for (long long k = 1; k <= total; ++k) {
    job.Reset();
    const bool survived = job.Run(arm, k);
    arm(0);
    const std::string ex = ReadFileBytes(job.exchange);
    const std::string st = ReadFileBytes(job.settings);
    const bool exOk = ex == good.exchange || ex == job.input || ex == "hq\r\n";
    const bool stOk = st == good.settings || st == kOldSettings;
    EXPECT_TRUE(exOk) << seam << " fault at " << k << " of " << total
                      << " left a partial exchange file:\n"
                      << ex.substr(0, 200);
    EXPECT_TRUE(stOk) << seam << " fault at " << k << " left settings:\n" << st;
    EXPECT_TRUE(survived) << seam << " fault at " << k << " escaped a handler";
    EXPECT_FALSE(job.LeftoverTemp()) << seam << " fault at " << k << " left a temporary file";
    if (!exOk || !stOk) break;
  }
  return total;
}

// 32 circles: at 999 segments their output (2.2 MB) passes a megabyte twice, so
// the pass moves lines into the exchange file's temporary file as it goes.
std::string LargeDrawing() {
  std::string d = "lg2\r\nly5\r\nlc4\r\n";
  for (int i = 0; i < 32; ++i) d += "ci " + std::to_string(i * 3.25) + " -7.5 1234.5\r\n";
  return d;
}

// The hand-made drawing above, the bundled sample, which has every kind, and
// the large drawing.
class FaultInjection : public testing::TestWithParam<int> {
 protected:
  // The job of this parameter's drawing, its folder named after the seam.
  Job MakeJob(const std::string& seam) const {
    switch (GetParam()) {
      case 0: return Job(seam, Drawing(), "6");
      case 1:
        return Job(seam, ReadFileBytes(fs::path(Q527_SOURCE_DIR) / "samples/JWC_TEMP.TXT"), "6");
      default: return Job(seam, LargeDrawing(), "999");
    }
  }
};

TEST_P(FaultInjection, EveryFileOperationFailingLeavesWholeFiles) {
  Job job = MakeJob("file");
  ASSERT_FALSE(job.input.empty());
  const long long points = CheckEveryPoint(
      job, [](long long k) { FaultArm(k); }, [] { return FaultCalls(); }, "file");
  std::printf("file operations exercised as injection points: %lld\n", points);
}

TEST_P(FaultInjection, EveryAllocationFailingLeavesWholeFiles) {
  Job job = MakeJob("alloc");
  ASSERT_FALSE(job.input.empty());
  const long long points = CheckEveryPoint(
      job, [](long long k) { AllocationSeamArm(k); }, [] { return AllocationSeamCalls(); },
      "allocation");
  std::printf("allocations exercised as injection points: %lld\n", points);
}

INSTANTIATE_TEST_SUITE_P(Drawings, FaultInjection, testing::Values(0, 1, 2));

}  // namespace

}  // namespace q527
