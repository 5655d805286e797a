// The end-of-run order, group by group: one caption comparison per file, none per entry.
#include "extract/CaptionOrder.h"

#include "extract/ExtractHelpers.h"

bool CaptionOrder::Before::operator()(std::size_t a, std::size_t b) const {
  const Group &x = (*groups)[a], &y = (*groups)[b];
  const int byCaption = CompareCaptions(x.caption.c_str(), y.caption.c_str());
  return byCaption != 0 ? byCaption < 0 : x.first < y.first;
}

void CaptionOrder::Append(const std::string& caption) {
  if (!groups_.empty() && groups_.back().caption == caption) {
    ++groups_.back().count;
  } else {
    groups_.push_back({caption, count_, 1});
    sorted_.insert(groups_.size() - 1);
  }
  ++count_;
}

std::vector<int> CaptionOrder::Ranks(int taken) const {
  if (taken < 0 || taken > count_) return {};
  std::vector<int> ranks(static_cast<std::size_t>(taken));
  int next = 0;
  for (const std::size_t g : sorted_) {
    const Group& group = groups_[g];
    for (int i = group.first; i < group.first + group.count && i < taken; ++i) ranks[static_cast<std::size_t>(i)] = next++;
  }
  return ranks;
}
