// The layout in dialog units: every accelerator once, every control inside
// the window at its least size, and the picture taking the room it is
// given.
#include "dialog/plus/plus_layout.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

namespace q527 {

namespace {

// The accelerators of captions and labels: the ASCII character after "&".
TEST(PlusLayoutTest, EveryAcceleratorOnce) {
  std::set<char> seen = {'Y', 'N'};  // OK and Cancel, in the table too
  int found = 0;
  for (const PlusControlSpec& c : kPlusControls) {
    const std::string text = c.text;
    const std::size_t at = text.find('&');
    if (at == std::string::npos || at + 1 >= text.size()) continue;
    const char key = static_cast<char>(std::toupper(static_cast<unsigned char>(text[at + 1])));
    ++found;
    if (key == 'Y' || key == 'N') continue;
    EXPECT_TRUE(seen.insert(key).second) << "accelerator " << key << " twice: " << text;
  }
  EXPECT_EQ(found, 20);
}

TEST(PlusLayoutTest, DialogUnitsFollowTheFont) {
  const DialogBase at96{6, 12}, at144{9, 18};
  EXPECT_EQ(DialogUnitsToPixelsX(520, at96), 780);
  EXPECT_EQ(DialogUnitsToPixelsY(272, at96), 408);
  EXPECT_EQ(DialogUnitsToPixelsX(520, at144), 1170);
  EXPECT_EQ(DialogUnitsToPixelsY(272, at144), 612);
  EXPECT_EQ(DialogUnitsToPixelsX(3, DialogBase{7, 15}), 5);  // 5.25 rounds down
  EXPECT_EQ(DialogUnitsToPixelsX(2, DialogBase{7, 15}), 4);  // 3.5 rounds up
}

TEST(PlusLayoutTest, ControlsStayInsideAndThePaneTakesTheRoom) {
  for (const DialogBase base : {DialogBase{6, 12}, DialogBase{8, 16}, DialogBase{12, 24}}) {
    const int w = DialogUnitsToPixelsX(kPlusMinClientWidth, base);
    const int h = DialogUnitsToPixelsY(kPlusMinClientHeight, base);
    for (const PlusControlSpec& c : kPlusControls) {
      const PlusRect r = PlaceControl(c, w, h, base);
      EXPECT_GE(r.left, 0) << c.text;
      EXPECT_GE(r.top, 0) << c.text;
      EXPECT_LE(r.left + r.width, w) << c.text;
      EXPECT_LE(r.top + r.height, h) << c.text;
    }
    const PlusControlSpec& pane = kPlusControls[static_cast<int>(PlusCtl::Pane)];
    const PlusRect small = PlaceControl(pane, w, h, base);
    const PlusRect large = PlaceControl(pane, w + 300, h + 200, base);
    EXPECT_GT(small.width, 0);
    EXPECT_EQ(large.width - small.width, 300);
    EXPECT_EQ(large.height - small.height, 200);
    const PlusControlSpec& status = kPlusControls[static_cast<int>(PlusCtl::Status)];
    EXPECT_EQ(PlaceControl(status, w, h + 200, base).top,
              PlaceControl(status, w, h, base).top + 200);
  }
}

}  // namespace

}  // namespace q527
