// The batch verdicts: tried on samples of every kind before a run's first icons, or on its
// first icons where the samples cannot be made.
#include "extract/BatchVerdicts.h"

#include <optional>

#include "extract/BatchSamples.h"

BatchVerdicts::BatchVerdicts(bool match) {
  for (std::atomic<int>& v : verdicts_) v = match ? 1 : 0;
}

bool BatchVerdicts::AllTried() const {
  for (const BatchKind kind : {BatchKind::Icons, BatchKind::Pixels, BatchKind::Drawn, BatchKind::Shrunk})
    if (!Tried(kind)) return false;
  return true;
}

void BatchVerdicts::Settle(int largeSize, int smallSize) {
  const BatchSamples samples = MakeBatchSamples(largeSize, smallSize);
  for (const BatchKind kind : {BatchKind::Icons, BatchKind::Pixels, BatchKind::Drawn, BatchKind::Shrunk}) {
    if (Tried(kind)) continue;
    // Judged by the trials of its kind: a mismatch settles it, else only all of them made.
    std::optional<bool> same;
    for (const BatchTrial& trial : samples.trials) {
      if (trial.batch.empty() || trial.kind != kind) continue;
      same = win::BatchMatchesAdds(trial.size, trial.batch, trial.added);
      if (same != true) break;
    }
    if (same) verdicts_[static_cast<int>(kind)] = *same ? 1 : 0;
  }
}

bool BatchVerdicts::Judge(BatchKind kind, int size, std::span<const win::BatchIcon> batch,
                          std::span<const HICON> added) {
  if (Tried(kind)) return Matches(kind);
  const std::optional<bool> same = win::BatchMatchesAdds(size, batch, added);
  if (same) verdicts_[static_cast<int>(kind)] = *same ? 1 : 0;
  return same.value_or(false);
}
