// The order a run's entries take at its end: by caption, entries of one caption in the order they
// were listed. Kept up to date as the run lists them, so the end costs one walk, not a sort.
#pragma once
#include <set>
#include <string>
#include <vector>

class CaptionOrder {
 public:
  CaptionOrder() : sorted_(Before{&groups_}) {}
  CaptionOrder(const CaptionOrder&) = delete;
  CaptionOrder& operator=(const CaptionOrder&) = delete;

  // The next entry listed has this caption.
  void Append(const std::string& caption);
  int Count() const { return count_; }
  // For each of the first `taken` entries listed, its place in the order; empty when fewer
  // were listed.
  std::vector<int> Ranks(int taken) const;

 private:
  // Entries listed one after another under one caption (a file's icons).
  struct Group {
    std::string caption;
    int first = 0, count = 0;
  };
  struct Before {
    const std::vector<Group>* groups;
    bool operator()(std::size_t a, std::size_t b) const;
  };

  std::vector<Group> groups_;
  std::set<std::size_t, Before> sorted_;  // indexes into groups_, in the order's sequence
  int count_ = 0;
};
