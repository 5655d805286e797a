// The display scale of the programs a test starts: Wine reads it from the user's desktop
// settings when a program starts, so a value set here holds for the processes started while
// it is in place and none already running.
#pragma once
#include <windows.h>

#include <optional>

namespace testsupport {

class ScopedLogPixels {
 public:
  explicit ScopedLogPixels(DWORD dpi) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_,
                        nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    DWORD old = 0, size = sizeof old, type = 0;
    if (RegQueryValueExA(key_, "LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&old), &size) == ERROR_SUCCESS &&
        type == REG_DWORD)
      old_ = old;
    RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
  }
  ~ScopedLogPixels() {
    if (!key_) return;
    if (old_) RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*old_), sizeof *old_);
    else RegDeleteValueA(key_, "LogPixels");
    RegCloseKey(key_);
  }
  ScopedLogPixels(const ScopedLogPixels&) = delete;
  ScopedLogPixels& operator=(const ScopedLogPixels&) = delete;

 private:
  HKEY key_ = nullptr;
  std::optional<DWORD> old_;
};

}  // namespace testsupport
