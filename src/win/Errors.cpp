#include "win/Errors.h"

#include <new>

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
  // The system's texts end in a sentence's full stop and a line break; the callers put the
  // text inside their own sentence.
  auto trimSpace = [&] {
    while (!r.empty() && (r.back() == '\n' || r.back() == '\r' || r.back() == ' ')) r.pop_back();
  };
  trimSpace();
  if (!r.empty() && r.back() == '.') r.pop_back();
  trimSpace();
  return r;
}

std::string WithSystemReason(const std::string& words, DWORD code) {
  return code == 0 ? words : words + ": " + SystemErrorText(code);
}

ErrorKind ErrorKindOf(const std::exception& e) {
  if (const auto* error = dynamic_cast<const Exception*>(&e)) return error->Kind();
  return dynamic_cast<const std::bad_alloc*>(&e) ? ErrorKind::OutOfMemory : ErrorKind::Program;
}

DWORD ErrorCode(const std::exception& e) {
  const auto* error = dynamic_cast<const Exception*>(&e);
  return error ? error->Code() : 0;
}

std::string ReportText(const std::exception& e) {
  const std::string message = e.what();
  const DWORD code = ErrorCode(e);
  if (code == 0) return message;
  // Some messages give the reason inside their own sentence, as the window shows them.
  if (message.find(SystemErrorText(code)) != std::string::npos) return message;
  return WithSystemReason(message, code);
}

}  // namespace win
