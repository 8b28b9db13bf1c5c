// Exchange-file reader: JWC_TEMP.TXT into the figure store.
#pragma once

#include <filesystem>
#include <string_view>

#include "exchange/store.h"

// Reads the whole file into the store (JwwInit must have run). Lines end at
// LF or CR LF, a lone CR is dropped, a Ctrl-Z ends the file. Returns true
// only when the file existed and was read to its end. A missing file leaves
// the store untouched; after a failure part-way (a read error, exhausted
// memory) the store keeps the lines read before it and false is returned.
bool JwwReadFile(Store& s, const std::filesystem::path& path);
// Reads a whole file image already in memory, line by line as JwwReadFile
// does. Exhausted memory propagates as std::bad_alloc.
void JwwReadBuffer(Store& s, std::string_view bytes);
// Parses one line into the store. The line comes without its line end and,
// as the readers above hand it over, without any CR.
void JwwReadLine(Store& s, std::string_view line);
