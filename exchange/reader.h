// Exchange-file reader: JWC_TEMP.TXT into the figure store.
#pragma once

#include <filesystem>
#include <string_view>

#include "exchange/store.h"

// Reads the whole file into the store (JwwInit must have run). Returns true
// only when the file existed and was read to its end; after a failure part-way
// the store keeps what was read before it.
bool JwwReadFile(Store& s, const std::filesystem::path& path);
// Reads a whole file image already in memory; always reads to its end.
void JwwReadBuffer(Store& s, std::string_view bytes);
// Parses one line (without its line end) into the store.
void JwwReadLine(Store& s, std::string_view line);
