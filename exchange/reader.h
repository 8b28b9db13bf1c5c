// Exchange-file reader: JWC_TEMP.TXT into the figure store.
#pragma once

#include <filesystem>
#include <string_view>

#include "exchange/store.h"

namespace q527 {

// How far a file was read.
enum class JwwReadStatus {
  kComplete,    // read to its end
  kMissing,     // no file at the path; the store is untouched
  kUnreadable,  // it could not be opened (a folder, no permission); untouched
  kPartial,     // a read failed or memory ran out part-way: the store keeps
                // the lines read before it
};

// Reads the whole file into the store (a fresh or JwwInit'ed one). Lines end
// at LF or CR LF, a lone CR is dropped, a Ctrl-Z ends the file. Only
// kComplete means the store holds the whole file.
JwwReadStatus JwwReadFile(Store& s, const std::filesystem::path& path);
// Reads a whole file image already in memory, line by line as JwwReadFile
// does. Exhausted memory propagates as std::bad_alloc.
void JwwReadBuffer(Store& s, std::string_view bytes);
// Parses one line into the store. The line comes without its line end and,
// as the readers above hand it over, without any CR.
void JwwReadLine(Store& s, std::string_view line);

}  // namespace q527
