// The shell's folder chooser, asking for a file-system folder and handing back its path.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <string>

class TBrowseForFolderDialog {
 public:
  TBrowseForFolderDialog() = default;
  ~TBrowseForFolderDialog();
  TBrowseForFolderDialog(const TBrowseForFolderDialog&) = delete;
  TBrowseForFolderDialog& operator=(const TBrowseForFolderDialog&) = delete;

  // The instruction line shown above the folder tree; the dialog keeps its own copy.
  void SetTitle(const std::string& title);
  // Modal over the active window; true when a folder was chosen, false when cancelled.
  bool Execute();
  // The chosen folder ("C:\Icons", or "C:\" for a drive root); empty until one is chosen.
  std::string FolderPath() const;

 private:
  BROWSEINFOA info_{};
  char buffer_[MAX_PATH]{};  // the chosen item's display name, which the dialog writes
  PIDLIST_ABSOLUTE idList_ = nullptr;
  std::string result_;
  std::string title_;
};
