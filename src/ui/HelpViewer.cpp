// The HTML Help viewer, reached through HtmlHelpA of hhctrl.ocx at run time.
#include "ui/HelpViewer.h"

#include <htmlhelp.h>

#include "win/Text.h"

namespace ui {

std::string HelpTopicAddress(const std::string& file, const std::string& topic) {
  return file + "::/" + topic + ".htm>main";
}

bool HelpViewer::Load() {
  if (htmlHelp_) return true;
  // From the system folder only: a hhctrl.ocx beside the program is never picked up.
  library_.reset(LoadLibraryExA("hhctrl.ocx", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!library_) library_.reset(LoadLibraryA("hhctrl.ocx"));  // systems without the search flags
  if (!library_) return false;
  htmlHelp_ = reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(library_.get(), "HtmlHelpA")));
  if (!htmlHelp_) library_.reset();
  return htmlHelp_ != nullptr;
}

HelpResult HelpViewer::Show(const std::string& file, const std::string& topic, HWND owner) {
  const DWORD attributes = GetFileAttributesA(file.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return HelpResult::FileMissing;
  if (!Load()) return HelpResult::ViewerMissing;
  // The viewer reads the name in the system's code page; a short 8.3 form spells any name there.
  const std::string address = HelpTopicAddress(win::PathForOtherPrograms(file), topic);
  return htmlHelp_(owner, address.c_str(), HH_DISPLAY_TOPIC, 0) ? HelpResult::Shown : HelpResult::NotOpened;
}

void HelpViewer::Close() {
  if (htmlHelp_) htmlHelp_(nullptr, nullptr, HH_CLOSE_ALL, 0);
  htmlHelp_ = nullptr;
  library_.reset();
}

}  // namespace ui
