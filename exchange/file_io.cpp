#include "exchange/file_io.h"

#include <cstdio>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace q527 {

namespace {

long long g_faultAt = 0;
long long g_faultCalls = 0;

// Every file operation passes through here once, so a test can make exactly
// the k-th one fail.
bool InjectedFault() {
  ++g_faultCalls;
  return g_faultAt != 0 && g_faultCalls == g_faultAt;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::FILE* OpenFile(const std::filesystem::path& path, bool write) {
  if (InjectedFault()) return nullptr;
#ifdef _WIN32
  return _wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
  return std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

// Closes f and reports whether everything written reached the file.
bool CloseFile(FilePtr& f) {
  bool ok = !InjectedFault();
  if (std::fclose(f.release()) != 0) ok = false;
  return ok;
}

bool MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (InjectedFault()) return false;
#ifdef _WIN32
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  std::error_code ec;
  std::filesystem::rename(from, to, ec);
  return !ec;
#endif
}

void RemoveQuietly(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

constexpr std::size_t kBlockSize = std::size_t{1} << 20;

}  // namespace

bool FileExists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

ReadStatus ReadFileBlocks(const std::filesystem::path& path,
                          const std::function<void(std::string_view)>& sink) {
  std::error_code ec;
  const auto st = std::filesystem::status(path, ec);
  if (ec || st.type() == std::filesystem::file_type::not_found) return ReadStatus::kMissing;
  if (st.type() == std::filesystem::file_type::directory) return ReadStatus::kCannotOpen;

  FilePtr f(OpenFile(path, false));
  if (!f) return ReadStatus::kCannotOpen;
  std::vector<char> block(kBlockSize);
  for (;;) {
    if (InjectedFault()) return ReadStatus::kFailed;
    const std::size_t got = std::fread(block.data(), 1, block.size(), f.get());
    if (got > 0) sink(std::string_view(block.data(), got));
    if (got < block.size()) {
      if (std::ferror(f.get())) return ReadStatus::kFailed;
      break;
    }
  }
  return CloseFile(f) ? ReadStatus::kOk : ReadStatus::kFailed;
}

ReadStatus ReadWholeFile(const std::filesystem::path& path, std::string& out) {
  out.clear();
  return ReadFileBlocks(path, [&out](std::string_view block) { out.append(block); });
}

FileReplacement::FileReplacement(std::filesystem::path target)
    : target_(std::move(target)), temp_(target_) {
  temp_ += ".q527-tmp";
}

FileReplacement::~FileReplacement() { Discard(); }

bool FileReplacement::Open() {
  file_ = OpenFile(temp_, true);
  if (file_ == nullptr) failed_ = true;
  return file_ != nullptr;
}

bool FileReplacement::Append(std::string_view bytes) {
  if (failed_) return false;
  if (file_ == nullptr && !Open()) return false;
  if (InjectedFault() || std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    failed_ = true;
  }
  return !failed_;
}

bool FileReplacement::Commit() {
  if (file_ == nullptr && !failed_) Open();
  bool ok = !failed_;
  if (file_ != nullptr) {
    if (ok && (InjectedFault() || std::fflush(file_) != 0)) ok = false;
    FilePtr f(file_);
    file_ = nullptr;
    if (!CloseFile(f)) ok = false;
  }
  failed_ = false;
  if (ok && MoveOver(temp_, target_)) return true;
  RemoveQuietly(temp_);
  return false;
}

void FileReplacement::Discard() {
  const bool existed = file_ != nullptr;
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  failed_ = false;
  if (existed) RemoveQuietly(temp_);
}

bool ReplaceFileAtomically(const std::filesystem::path& target,
                           std::initializer_list<std::string_view> pieces) {
  FileReplacement replacement(target);
  for (std::string_view piece : pieces) {
    if (!replacement.Append(piece)) break;
  }
  return replacement.Commit();
}

void FaultArm(long long k) {
  g_faultAt = k;
  g_faultCalls = 0;
}

long long FaultCalls() { return g_faultCalls; }

}  // namespace q527
