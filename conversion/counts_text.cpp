#include "conversion/counts_text.h"

#include "common/number_texts.h"

namespace q527 {

std::string CountsText(const Store& s) {
  std::string text = "円：";
  AppendIntegerText(text, static_cast<long long>(JwwCircleCount(s)));
  text += " 円弧楕円弧：";
  AppendIntegerText(text, static_cast<long long>(JwwArcCount(s)));
  text += " 円周S：";
  AppendIntegerText(text, static_cast<long long>(JwwSolidCircleCount(s)));
  return text;
}

}  // namespace q527
