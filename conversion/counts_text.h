// The counts the dialog shows after reading, and q527-cli --counts prints.
#pragma once

#include <string>

#include "exchange/store.h"

namespace q527 {

// "円：" n " 円弧楕円弧：" n " 円周S：" n (UTF-8).
std::string CountsText(const Store& s);

}  // namespace q527
