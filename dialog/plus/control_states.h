// Which controls take input for the current choices: those of the other
// mode are greyed, not hidden, so the window keeps its shape and the user
// sees what the other mode would ask.
#pragma once

#include "dialog/plus/choices.h"
#include "dialog/plus/plus_layout.h"

namespace q527 {

// Whether the control applies to the choices: the action and the kinds
// always; the division count, the bounds and the fit to the conversion
// (the bounds only by accuracy); the way back's two fields to it alone.
bool ControlApplies(PlusCtl control, const PlusChoices& choices);

}  // namespace q527
