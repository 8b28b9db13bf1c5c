// The choices as the controls show them: read off the check boxes, radio
// buttons and edit fields, and set on them.
#pragma once

#include <windows.h>

#include <array>

#include "dialog/plus/choices.h"
#include "dialog/plus/plus_layout.h"

namespace q527 {

// The window's controls, by PlusCtl.
using ChoiceControls = std::array<HWND, kPlusControlCount>;

PlusChoices ReadChoiceControls(const ChoiceControls& controls);
void WriteChoiceControls(const ChoiceControls& controls, const PlusChoices& choices);
// Only the controls that apply to the choices take input; the others are
// greyed.
void EnableChoiceControls(const ChoiceControls& controls, const PlusChoices& choices);

}  // namespace q527
