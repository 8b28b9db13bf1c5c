#include "exchange/out_lines.h"

#include <string_view>

namespace q527 {

void JwwClearOut(TJwwOutLines& out) {
  std::string().swap(out.bytes);
  out.count = 0;
  out.spilled = 0;
  if (out.spill) out.spill->Discard();
}

bool JwwWriteFile(TJwwOutLines& out, const std::filesystem::path& path) {
  const std::string_view rest =
      out.count == 0 ? std::string_view("hq\r\n") : std::string_view(out.bytes);
  if (out.spill && out.spill->Target() == path) {
    // Lines moved out earlier but no longer pending (committed already, or
    // lost to a failed append) cannot be written again.
    if (out.spilled != 0 && !out.spill->Started()) return false;
    const bool ok = out.spill->Append(rest) && out.spill->Commit();
    if (!ok) out.spill->Discard();
    return ok;
  }
  if (out.spilled != 0) return false;
  return ReplaceFileAtomically(path, {rest});
}

void JwwSpillOutTo(TJwwOutLines& out, const std::filesystem::path& path) {
  JwwClearOut(out);
  out.spill = std::make_unique<FileReplacement>(path);
}

void JwwSpillOut(TJwwOutLines& out) {
  if (!out.spill || out.bytes.size() < out.spillAt) return;
  if (!out.spill->Append(out.bytes)) {
    throw JwwSpillError("the output could not be written to its temporary file");
  }
  out.spilled = out.count;
  out.bytes.clear();  // the capacity stays for the next lines
}

}  // namespace q527
