// What reading costs per byte, intact files against damaged ones: reads each file given on the
// command line 20 times, takes its fastest read (a busy machine only ever adds time) and prints
// the slowest per byte of each group (files whose path holds "damaged", and the rest). Not a fuzz target; built beside them:
//   cmake --build build/fuzz --target iconres_cost
//   build/fuzz/iconres_cost build/tests/corpus/good/* build/tests/corpus/damaged/*
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "iconres/IconResources.h"

int main(int argc, char** argv) {
  double worst[2] = {0, 0};
  std::string which[2];
  for (int a = 1; a < argc; ++a) {
    std::ifstream in(argv[a], std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.size() < 1024) continue;  // below this a file's cost is the call's own
    double ns = 1e18;
    for (int k = 0; k < 20; ++k) {
      const auto start = std::chrono::steady_clock::now();
      iconres::ReadIconGroups(bytes);
      ns = std::min(ns, std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count());
    }
    const int damaged = std::string(argv[a]).find("damaged") != std::string::npos;
    if (ns / bytes.size() > worst[damaged]) worst[damaged] = ns / bytes.size(), which[damaged] = argv[a];
  }
  std::printf("intact: at most %.2f ns per byte (%s)\ndamaged: at most %.2f ns per byte (%s)\n", worst[0],
              which[0].c_str(), worst[1], which[1].c_str());
  return 0;
}
