// Runs SHBrowseForFolderA for a file-system folder and converts the chosen item to a path.
#include "export/BrowseFolder.h"

#include "win/LongPath.h"

TBrowseForFolderDialog::~TBrowseForFolderDialog() {
  // The shell allocated the item list with its task allocator; nobody else frees it.
  if (idList_) CoTaskMemFree(idList_);
}

void TBrowseForFolderDialog::SetTitle(const std::string& title) {
  title_ = title;
  info_.lpszTitle = title_.c_str();
}

bool TBrowseForFolderDialog::Execute() {
  info_.hwndOwner = GetActiveWindow();
  info_.pidlRoot = nullptr;
  info_.pszDisplayName = buffer_;
  info_.ulFlags = BIF_RETURNONLYFSDIRS;
  info_.lpfn = nullptr;
  info_.lParam = 0;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info_);
  if (!chosen) return false;
  if (idList_) CoTaskMemFree(idList_);
  idList_ = chosen;
  result_ = win::ShellItemPath(idList_);
  return true;
}

std::string TBrowseForFolderDialog::FolderPath() const { return result_; }
