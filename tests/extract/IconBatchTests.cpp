// Batches of icons drawn off the window's thread must give the list exactly what adding the
// same icons one by one gives: the pictures drawn and the icons the save commands read back.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "fixtures/IconFixtures.h"
#include "extract/AllFilesIterator.h"
#include "extract/BatchSamples.h"
#include "extract/BatchVerdicts.h"
#include "extract/FileIcons.h"
#include "extract/IconScale.h"
#include "extract/LargeIcon.h"
#include "extract/ListedPictures.h"
#include "win/IconBatch.h"
#include "win/ImageLists.h"

#include "SampleFiles.h"

namespace {

// Icons as a batch takes them and as they are added one by one.
struct Batch {
  std::vector<win::BatchIcon> batch;
  std::vector<HICON> added;
  void Add(win::BatchIcon form, HICON icon) {
    batch.push_back(form);
    added.push_back(icon);
  }
  void AddIcon(HICON icon, int edge) { Add(win::IconForm{icon, edge}, icon); }
  std::size_t size() const { return batch.size(); }
};

// Every icon of the fixture files and the first of two of the system's libraries, at 32 and 16 pixels.
struct Icons {
  std::vector<win::UniqueIcon> owned;
  Batch large, small;
  void Read(const std::string& path, int most = 1000) {
    const FileIcons file(path, MunWindowsFolder());
    for (int i = 0; i < file.Count() && i < most; ++i) {
      win::UniqueIcon big = file.Icon(i, 32), little = file.Icon(i, 16);
      if (!big || !little) continue;
      // Each list also gets the other size, which it scales.
      large.AddIcon(big.get(), 32);
      large.AddIcon(little.get(), 16);
      small.AddIcon(little.get(), 16);
      small.AddIcon(big.get(), 32);
      owned.push_back(std::move(big));
      owned.push_back(std::move(little));
    }
  }
  void ReadFolder(const std::string& folder) {
    TStringList files;
    ListFiles(folder + "*.*", files, false);
    for (int i = 0; i < files.Count(); ++i) Read(files[i]);
  }
};

void ExpectSameAsOneByOne(int size, const Batch& trial) {
  const std::vector<win::BatchIcon>& icons = trial.batch;
  const win::UniqueImageList oneByOne = win::CreateIconImageList(size), batched = win::CreateIconImageList(size);
  // A batch goes after what the list holds already.
  ASSERT_EQ(ImageList_ReplaceIcon(oneByOne.get(), -1, trial.added.front()), 0);
  ASSERT_EQ(ImageList_ReplaceIcon(batched.get(), -1, trial.added.front()), 0);
  for (const HICON icon : trial.added) ASSERT_GE(ImageList_ReplaceIcon(oneByOne.get(), -1, icon), 0);
  // Two batches, neither a whole number of the stream's rows of four, made in one scratch as the
  // run makes them: the second, no larger, holds nothing of the first.
  const std::size_t half = icons.size() / 2 | 1;
  win::BatchScratch scratch;
  const win::IconBatch first(size, std::span(icons).first(half), &scratch),
      second(size, std::span(icons).subspan(half), &scratch);
  ASSERT_FALSE(first.Empty());
  ASSERT_TRUE(first.AppendTo(batched.get()));
  ASSERT_TRUE(second.AppendTo(batched.get()));
  ASSERT_EQ(ImageList_GetImageCount(batched.get()), ImageList_GetImageCount(oneByOne.get()));
  int differ = 0;
  for (int i = 0; i < ImageList_GetImageCount(oneByOne.get()); ++i) {
    const std::vector<DWORD> expected = win::ListImageAppearance(oneByOne.get(), i);
    ASSERT_FALSE(expected.empty());
    if (expected != win::ListImageAppearance(batched.get(), i)) ++differ;
  }
  EXPECT_EQ(differ, 0) << "of " << icons.size() << " icons at " << size;
}

TEST(IconBatch, GivesTheListWhatAddingOneByOneGives) {
  fixtures::TempFolder dir;
  fixtures::MakeIconFixtureFolder(dir.Path());
  Icons icons;
  icons.ReadFolder(dir.Path());
  char system[MAX_PATH] = "";
  GetSystemDirectoryA(system, MAX_PATH);
  for (const char* name : {"\\user32.dll", "\\shell32.dll"}) icons.Read(std::string(system) + name, 24);
  ASSERT_GT(icons.large.size(), 40u);
  ExpectSameAsOneByOne(32, icons.large);
  ExpectSameAsOneByOne(16, icons.small);
  ExpectSameAsOneByOne(64, icons.large);  // at twice the scale, every icon scaled up
  // The platform here takes batches, so the run uses them; asked afresh, whatever an earlier
  // test left the program's remembered verdict at.
  EXPECT_EQ(win::BatchMatchesAdds(32, icons.large.batch, icons.large.added), true);

  // Pictures given as pixels (as the run resamples them) give what their icons give, one by
  // one; at an edge whose cells do not start on a byte of the mask.
  std::vector<iconscale::Pixels> pictures;
  std::vector<win::UniqueIcon> made;
  for (const win::BatchIcon& icon : icons.large.batch)
    if (const auto& form = std::get<win::IconForm>(icon); form.edge == 32)
      pictures.push_back(iconscale::Resample(iconscale::IconPixels(form.icon, 32, 32), 20, 20));
  Batch asPixels;
  for (const iconscale::Pixels& picture : pictures) {
    made.emplace_back(iconscale::IconFromPixels(picture));
    asPixels.Add(win::PixelsForm{picture.argb}, made.back().get());
  }
  ExpectSameAsOneByOne(20, asPixels);
  EXPECT_EQ(win::BatchMatchesAdds(20, asPixels.batch, asPixels.added), true);
  // Once asked, the answer is remembered for the run.
  BatchVerdicts verdicts;
  verdicts.Judge(BatchKind::Pixels, 20, asPixels.batch, asPixels.added);
  EXPECT_TRUE(verdicts.Tried(BatchKind::Pixels));

  // A batch of another size is refused, the list as it was.
  const win::UniqueImageList list = win::CreateIconImageList(32);
  EXPECT_FALSE(win::IconBatch(16, icons.small.batch).AppendTo(list.get()));
  EXPECT_EQ(ImageList_GetImageCount(list.get()), 0);
}

// A stored image given as drawn (no platform icon made) gives what its icon gives, one by one:
// the run's pictures at both scales, for every file icon whose picture is stored so, or at the
// saved sizes made by the platform shrinking a larger stored image.
TEST(IconBatch, StoredImagesGivenAsDrawnGiveWhatTheirIconsGive) {
  fixtures::TempFolder dir;
  const TStringList files = FixtureAndSystemFiles(dir.Path(), {"\\user32.dll", "\\shell32.dll"});
  for (const auto& [large, small] : {std::pair{32, 16}, {64, 32}}) {
    std::vector<ListedPictures> kept;
    std::vector<win::UniqueIcon> owned;
    std::map<int, Batch> bySize;
    int shrunk = 0;
    for (int f = 0; f < files.Count(); ++f) {
      const FileIcons file(files[f], MunWindowsFolder());
      for (int i = 0; i < file.Count() && i < 40; ++i) {
        win::UniqueIcon icon = file.Icon(i);
        if (!icon) continue;
        const ListedPictures stored = MakeListedPictures(file, i, icon.get(), icon.get(), large, small, true);
        kept.push_back(MakeListedPictures(file, i, icon.get(), icon.get(), large, small, true, true));
        shrunk += (kept.back().small.Drawn() && !stored.small.Drawn()) +
                  (kept.back().large.Drawn() && !stored.large.Drawn());
        owned.push_back(std::move(icon));
        for (const ListPicture* p : {&kept.back().large, &kept.back().small})
          if (const iconres::DrawnImage* drawn = p->Drawn())
            bySize[p->Edge()].Add(win::DrawnForm{drawn->picture, drawn->mask}, p->get());
      }
    }
    ASSERT_GE(bySize[large].size() + bySize[small].size(), 10u) << "pictures stored so at " << large;
    if (large == 32) {
      EXPECT_GE(shrunk, 5) << "pictures shrunk";
    }
    for (const auto& [size, icons] : bySize) ExpectSameAsOneByOne(size, icons);
  }
}

// The trial's own samples must agree with the platform as the files' icons do, or every run
// would add its icons one by one.
TEST(IconBatch, TheTrialSamplesGiveWhatAddingOneByOneGives) {
  for (const auto& [large, small] : {std::pair{32, 16}, {64, 32}}) {
    const BatchSamples samples = MakeBatchSamples(large, small);
    std::map<int, Batch> bySize;
    bool pixels = false, drawn = false, shrunk = false;
    for (const BatchTrial& trial : samples.trials)
      for (std::size_t i = 0; i < trial.batch.size(); ++i) {
        bySize[trial.size].Add(trial.batch[i], trial.added[i]);
        pixels = pixels || trial.kind == BatchKind::Pixels;
        drawn = drawn || trial.kind == BatchKind::Drawn;
        shrunk = shrunk || trial.kind == BatchKind::Shrunk;
      }
    EXPECT_TRUE(pixels);
    EXPECT_TRUE(drawn);
    EXPECT_TRUE(shrunk);
    for (const auto& [size, icons] : bySize) {
      ASSERT_GE(icons.size(), 5u) << size;
      ExpectSameAsOneByOne(size, icons);
    }
  }
}

// A list with more room, filled a few images at a time while the list it follows still grows,
// ends holding every image of it as it was drawn.
TEST(ListSuccessor, HoldsEveryImageOfTheListItFollows) {
  fixtures::TempFolder dir;
  fixtures::MakeIconFixtureFolder(dir.Path());
  Icons icons;
  icons.ReadFolder(dir.Path());
  ASSERT_GT(icons.large.size(), 20u);
  const win::UniqueImageList list = win::CreateIconImageList(32, 8);
  const auto add = [&](std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) ASSERT_GE(ImageList_ReplaceIcon(list.get(), -1, icons.large.added[i]), 0);
  };
  add(0, 10);
  win::ListSuccessor next;
  EXPECT_FALSE(next.Begin(list.get(), 10)) << "no more room than the list has images";
  ASSERT_TRUE(next.Begin(list.get(), 4 * static_cast<int>(icons.large.size())));
  ASSERT_TRUE(next.CopyFrom(list.get(), 7));
  EXPECT_FALSE(next.Holds(list.get()));
  add(10, icons.large.size());
  while (!next.Holds(list.get())) ASSERT_TRUE(next.CopyFrom(list.get(), 7));
  const win::UniqueImageList taken = next.Take();
  EXPECT_FALSE(next.Begun());
  ASSERT_EQ(ImageList_GetImageCount(taken.get()), ImageList_GetImageCount(list.get()));
  for (int i = 0; i < ImageList_GetImageCount(list.get()); ++i)
    EXPECT_EQ(win::ListImageAppearance(taken.get(), i), win::ListImageAppearance(list.get(), i)) << i;
  // It goes on growing as any list does.
  EXPECT_EQ(ImageList_ReplaceIcon(taken.get(), -1, icons.large.added[0]), ImageList_GetImageCount(list.get()));
}

}  // namespace
