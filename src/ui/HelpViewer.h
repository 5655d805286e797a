// The HTML Help viewer (hhctrl.ocx), loaded when help is first asked for: shows a topic's page
// of a compiled help file and closes its windows at the program's end.
#pragma once
#include <windows.h>

#include <string>

#include "win/Handles.h"

namespace ui {

enum class HelpResult { Shown, FileMissing, ViewerMissing, NotOpened };

class HelpViewer {
 public:
  HelpViewer() = default;
  HelpViewer(const HelpViewer&) = delete;
  HelpViewer& operator=(const HelpViewer&) = delete;
  ~HelpViewer() { Close(); }

  // Shows the page topic.htm of the file in the viewer's main window, owned by owner.
  HelpResult Show(const std::string& file, const std::string& topic, HWND owner);
  // Closes every viewer window the program opened and lets the library go.
  void Close();

 private:
  using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
  bool Load();

  win::UniqueModule library_;
  HtmlHelpFn htmlHelp_ = nullptr;
};

// "file::/topic.htm>main": the viewer's address of a topic's page in its main window.
std::string HelpTopicAddress(const std::string& file, const std::string& topic);

}  // namespace ui
