// Whether this platform's lists take each kind of batch a run makes (win::IconBatch) exactly as
// they take the same icons added one by one. Learnt once by whoever owns it (the window keeps one
// for the program's run), or settled from the start: a test's platform that takes none.
#pragma once
#include <windows.h>

#include <atomic>
#include <span>

#include "win/IconBatch.h"

// The kinds of batch a run makes: icons drawn, pictures given as pixels, stored images given as
// drawn, and larger ones given as drawn shrunk to the list's edge. Each is tried apart, as the
// platform works each out apart.
enum class BatchKind { Icons, Pixels, Drawn, Shrunk };

class BatchVerdicts {
 public:
  // Every kind untried: each is learnt when first asked (Settle, Judge).
  BatchVerdicts() = default;
  // Every kind settled: batches match, or none do and each icon is added one by one.
  explicit BatchVerdicts(bool match);
  BatchVerdicts(const BatchVerdicts&) = delete;
  BatchVerdicts& operator=(const BatchVerdicts&) = delete;

  bool Tried(BatchKind kind) const { return Verdict(kind) >= 0; }
  bool Matches(BatchKind kind) const { return Verdict(kind) == 1; }
  bool AllTried() const;

  // Tries each kind not yet tried with pictures of our own at the list's two sizes
  // (extract/BatchSamples), all of which must match; a kind whose samples cannot all be made
  // stays untried.
  void Settle(int largeSize, int smallSize);
  // Whether a batch of that kind gives a list of size x size images what adding `added` one by
  // one gives: the remembered answer, else asked now and, where it teaches something, remembered.
  bool Judge(BatchKind kind, int size, std::span<const win::BatchIcon> batch, std::span<const HICON> added);

 private:
  int Verdict(BatchKind kind) const { return verdicts_[static_cast<int>(kind)]; }
  // Per kind: -1 untried, else whether batches match one-by-one adds. Asked from the run's drawer.
  std::atomic<int> verdicts_[4] = {-1, -1, -1, -1};
};
