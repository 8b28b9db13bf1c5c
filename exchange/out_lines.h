// The output line list: the lines of the exchange file being built, and the
// file they are meant for.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "exchange/file_io.h"

namespace q527 {

// Finished physical lines, each stored with its CR LF, in one growing byte
// buffer: a line costs its own bytes and nothing more.
//
// When the list knows the file it is meant for (JwwSpillOutTo), the output
// pass moves the gathered lines into that file's pending replacement each
// time they pass spillAt bytes, so a large output is never held whole: bytes
// then holds only the lines gathered since, and spilled counts the lines
// moved out. The list owns that pending file, so it can be moved but not
// copied: a copy could not complete what its original had moved out.
struct TJwwOutLines {
  std::string bytes;        // every line followed by "\r\n"
  std::size_t count = 0;    // number of physical lines, moved ones included
  std::size_t spilled = 0;  // lines already in the spill's temporary file
  std::unique_ptr<FileReplacement> spill;
  std::size_t spillAt = std::size_t{1} << 20;
};

// Empties the list, the lines already moved to its spill included (their
// temporary file is removed); the spill's target stays.
void JwwClearOut(TJwwOutLines& out);

// Saves the list ("hq" when empty) to path, atomically: the content goes to
// a temporary file beside it that then replaces the target. On failure the
// target keeps its previous content and false is returned. Lines already
// moved to a spill are completed only when path is the spill's target; for
// any other path, or a second save after them, false is returned.
[[nodiscard]] bool JwwWriteFile(TJwwOutLines& out, const std::filesystem::path& path);

// Names the file the list is meant for, so that the output pass may move
// finished lines into its pending replacement as it goes instead of holding
// them all until JwwWriteFile(out, path). Empties the list first.
void JwwSpillOutTo(TJwwOutLines& out, const std::filesystem::path& path);

// Thrown by JwwSpillOut when the spill's temporary file cannot be written.
struct JwwSpillError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Moves the gathered lines into the spill when there is one and they reach
// its threshold. Throws JwwSpillError when the temporary file cannot be
// written: the output is then incomplete and must be cleared.
void JwwSpillOut(TJwwOutLines& out);

}  // namespace q527
