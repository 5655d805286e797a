// Pictures of every kind a run gives the list's image lists, made to learn before the run's
// first icons arrive whether this platform's lists take them in batches (BatchVerdicts::Settle).
#pragma once
#include <vector>

#include "extract/BatchVerdicts.h"
#include "extract/IconScale.h"
#include "iconres/BitmapPixels.h"
#include "win/Handles.h"
#include "win/IconBatch.h"

// Pictures of one kind to try batches with at one list size: each as the batch takes it and as
// the icon added one by one.
struct BatchTrial {
  BatchKind kind = BatchKind::Icons;
  int size = 0;
  std::vector<win::BatchIcon> batch;
  std::vector<HICON> added;
  void Add(win::BatchIcon form, HICON icon) {
    batch.push_back(form);
    added.push_back(icon);
  }
};

struct BatchSamples {
  std::vector<win::UniqueIcon> icons;       // what the trials point at
  std::vector<iconscale::Pixels> pictures;  // the same
  std::vector<iconres::DrawnImage> drawings;
  std::vector<BatchTrial> trials;
};

// At each of the two list sizes: icons made from stored images as a file holds them (32 bits
// with alpha; 8 bits with a mask that also inverts), at the list's edge, twice it and half
// it, those of the list's edge also given as drawn, larger ones given as drawn shrunk to the
// list's edge, and a resampled picture given as pixels.
BatchSamples MakeBatchSamples(int largeSize, int smallSize);
