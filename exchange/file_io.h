// Whole-file reading and atomic replacement, with the fault-injection seam
// that tests use to make the k-th file operation fail.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace q527 {

enum class ReadStatus { kOk, kMissing, kCannotOpen, kFailed };

// Reads the file in large blocks and hands each to sink in order. kMissing
// when no file exists at path; kCannotOpen when it cannot be opened (a folder,
// no permission); kFailed when a read fails (the blocks handed over so far
// stay handed over). Exceptions thrown
// by sink propagate.
ReadStatus ReadFileBlocks(const std::filesystem::path& path,
                          const std::function<void(std::string_view)>& sink);
// Reads the whole file into out.
ReadStatus ReadWholeFile(const std::filesystem::path& path, std::string& out);

// A replacement of a file built up piece by piece: the bytes go to a
// temporary file beside the target (created on the first Append), and only
// Commit puts that file in the target's place. Until then the target keeps
// its content. Discard, or dropping the replacement without Commit, removes
// the temporary file.
class FileReplacement {
 public:
  explicit FileReplacement(std::filesystem::path target);
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  const std::filesystem::path& Target() const { return target_; }
  // Whether a temporary file is open, that is whether bytes were appended
  // since the last Commit or Discard.
  bool Started() const { return file_ != nullptr || failed_; }
  // False when this or an earlier append since the last Commit or Discard
  // failed; the bytes are then lost and Commit will fail.
  bool Append(std::string_view bytes);
  // Flushes and closes the temporary file and moves it over the target. On
  // failure the temporary file is removed and the target keeps its content.
  // Either way the replacement can be started again.
  bool Commit();
  void Discard();

 private:
  bool Open();

  std::filesystem::path target_;
  std::filesystem::path temp_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

// Writes the pieces, in order, to a temporary file beside target and moves it
// over target. On any failure the temporary file is removed, target keeps its
// previous content, and false is returned.
bool ReplaceFileAtomically(const std::filesystem::path& target,
                           std::initializer_list<std::string_view> pieces);

bool FileExists(const std::filesystem::path& path);

// Fault injection: after FaultArm(k) the k-th file operation from then on
// (open, read, write, flush, close, move; counted from 1) fails. FaultArm(0)
// disarms. FaultCalls() is the number of operations counted since the last
// FaultArm.
void FaultArm(long long k);
long long FaultCalls();

}  // namespace q527
