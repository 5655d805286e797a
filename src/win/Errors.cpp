#include "win/Errors.h"

namespace win {

std::string FormatMessageText(const std::string& pattern, const std::string& arg) {
  std::string r = pattern;
  if (auto at = r.find("%s"); at != std::string::npos) r.replace(at, 2, arg);
  return r;
}

std::string ErrorDisplayText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

std::string SystemErrorText(DWORD code) {
  char* buf = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<char*>(&buf), 0, nullptr);
  std::string r = n ? std::string(buf, n) : "Error " + std::to_string(code);
  if (buf) LocalFree(buf);
  while (!r.empty() && (r.back() == '\n' || r.back() == '\r' || r.back() == ' ' || r.back() == '.'))
    r.pop_back();
  return r;
}

}  // namespace win
