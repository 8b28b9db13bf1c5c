// Files for the tests: a scratch folder per test, whole-file reads and
// writes, and runs of the built q527-cli in a folder.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

// The whole file as bytes; empty when it cannot be read.
inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Replaces the file's content with the bytes; quietly does nothing where the
// file cannot be made, so a case can aim at a missing folder on purpose.
inline void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// An empty folder under the system temporary folder, named after the tag, the
// process and the running test so parallel test programs never share one, and
// removed with everything in it when it goes.
class TempDir {
 public:
  explicit TempDir(std::string_view tag) {
    std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(test.begin(), test.end(), '/', '_');  // parameterised names
    path_ = std::filesystem::temp_directory_path() /
            (std::string(tag) + "-" + std::to_string(::getpid()) + "-" + test);
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    // A case may leave files or folders read-only; they must not outlive it.
    for (const auto& e : std::filesystem::recursive_directory_iterator(path_, ec)) {
      std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

struct CliResult {
  int code = -1;  // exit status; -1 when the program did not exit normally
  std::string out, err;
};

// Runs q527-cli with the arguments in the folder, stdin closed. With a time
// limit, a run that does not end in time is killed and shows as status 124.
inline CliResult RunCli(const std::filesystem::path& folder, const std::string& args,
                        int timeLimitSeconds = 0) {
  const std::filesystem::path so = folder / ".stdout", se = folder / ".stderr";
  const std::string limit =
      timeLimitSeconds > 0 ? "timeout " + std::to_string(timeLimitSeconds) + " " : "";
  const std::string cmd = "cd '" + folder.string() + "' && " + limit + "'" Q527_CLI_PATH "' " +
                          args + " </dev/null >'" + so.string() + "' 2>'" + se.string() + "'";
  const int status = std::system(cmd.c_str());
  CliResult r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadFileBytes(so);
  r.err = ReadFileBytes(se);
  std::error_code ec;
  std::filesystem::remove(so, ec);
  std::filesystem::remove(se, ec);
  return r;
}
