// A small modal box that asks for one line of text: a prompt, an edit box, OK and Cancel.
#pragma once
#include <windows.h>

#include <string>

namespace ui {

// Shows the box over owner with text in its edit box, selected. True and the text typed when
// the user pressed OK (or Enter); false, text as it was, for Cancel or Esc.
bool InputBox(HWND owner, const std::string& title, const std::string& prompt, std::string& text);

}  // namespace ui
