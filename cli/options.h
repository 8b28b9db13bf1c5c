// The driver's command line: what it asks for, the usage text, and the
// driver's messages on the standard streams.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "polygon/plan.h"

namespace q527 {

struct Options {
  std::string input = "JWC_TEMP.TXT";
  std::string output;  // empty: replace the input
  std::string divisions;
  bool haveDivisions = false;
  bool circle = true, arc = true, solid = true;
  bool haveKinds = false;
  bool counts = false;
  bool cancel = false;
  bool quiet = false;
  std::string settings;
  std::string svg;       // empty: no picture
  PolygonPolicy policy;  // planned when any of the polygon options is given
};

// What the command line asks for, or the exit status to end with at once
// (help, version, a usage error).
struct Parsed {
  Options opt;
  int exitNow = -1;
};

// Reads the arguments; help and version are written to stdout, usage errors
// (with the usage text) to stderr. version is the text after "q527-cli ".
Parsed ParseOptions(int argc, char** argv, std::string_view version);

// Writes the bytes to the stream as the console layer does.
void Say(FILE* to, std::string_view text);
// "q527-cli: " text, one line on stderr.
void Error(std::string_view text);

}  // namespace q527
