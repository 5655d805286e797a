// Room for every caption: dialogs are designed in one font at one scale, and at others a
// caption may need more room than the design gave it.
#pragma once

namespace ui {

class Control;
class Form;

// Widens each control whose caption does not fit (Control::CaptionWidth), and every container
// that no longer holds what is inside it with the right-hand margin the design gave, up to the
// form, whose window widens. Controls whose right edges met one that grew move their right edge
// with it (group boxes stacked on a page stay one width). Positions stay; nothing shrinks.
void FitCaptions(Form& form);

// The width a caption drawn in the control's font takes: the text without its '&' markers.
int TextWidth(const Control& control, const char* text);

}  // namespace ui
