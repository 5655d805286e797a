// Entry point of every test program: the application object as the program sets it up,
// and a watchdog that ends a test program whose test runs too long.
#include <gtest/gtest.h>
#include <ole2.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "ui/Application.h"

namespace {

std::atomic<LONG> testGeneration{0};
// Measurements run by hand may ask for longer with TEST_TIME_LIMIT (seconds).
const DWORD kTestTimeLimitMs = [] {
  const char* limit = std::getenv("TEST_TIME_LIMIT");
  return (limit && std::atoi(limit) > 0 ? static_cast<DWORD>(std::atoi(limit)) : 120) * 1000;
}();

struct Arg {
  LONG gen;
  std::string name;
};

DWORD WINAPI Watch(void* p) {
  std::unique_ptr<Arg> a(static_cast<Arg*>(p));
  Sleep(kTestTimeLimitMs);
  if (testGeneration == a->gen) {
    std::fprintf(stderr, "\n%s did not finish within %lu s\n", a->name.c_str(), kTestTimeLimitMs / 1000);
    std::fflush(stderr);
    ExitProcess(3);
  }
  return 0;
}

class Watchdog : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo& info) override {
    LONG gen = ++testGeneration;
    auto arg = std::make_unique<Arg>(Arg{gen, std::string(info.test_suite_name()) + "." + info.name()});
    if (HANDLE t = CreateThread(nullptr, 0, &Watch, arg.get(), 0, nullptr)) {
      arg.release();  // the watch thread owns it now
      CloseHandle(t);
    }
  }
  void OnTestEnd(const testing::TestInfo&) override { ++testGeneration; }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new Watchdog);
  OleInitialize(nullptr);
  ui::Application.Initialize();
  ui::Application.Title = "Varnholt Glyph Gatherer";
  int r = RUN_ALL_TESTS();
  ui::Application.DestroyForms();
  OleUninitialize();
  return r;
}
