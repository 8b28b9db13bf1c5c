// Exchange-file reader: JWC_TEMP.TXT into the figure store.
#pragma once

#include <cstddef>
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
// kComplete means the store holds the whole file. With threads > 1, that
// many threads split the lines and read their numbers ahead while this one
// reads them into the store, which ends the same for every count.
JwwReadStatus JwwReadFile(Store& s, const std::filesystem::path& path, std::size_t threads = 1);
// Reads a whole file image already in memory, line by line as JwwReadFile
// does. Exhausted memory propagates as std::bad_alloc.
void JwwReadBuffer(Store& s, std::string_view bytes, std::size_t threads = 1);
// JwwReadBuffer's reading with the bytes handed over in blocks of
// blockBytes (as a file's blocks come) and, on several threads, cut into
// pieces of about pieceBytes: every way of cutting reads the same store.
void JwwReadInBlocks(Store& s, std::string_view bytes, std::size_t blockBytes,
                     std::size_t threads, std::size_t pieceBytes);
// Parses one line into the store. The line comes without its line end and,
// as the readers above hand it over, without any CR.
void JwwReadLine(Store& s, std::string_view line);

}  // namespace q527
