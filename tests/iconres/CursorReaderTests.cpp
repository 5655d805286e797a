// The reader over cursors: .cur and .ani files, and the cursor groups and animated cursors of
// libraries (PE32, PE32+, 16-bit), with their hotspots, frames and rates; damaged cursors.
#include <gtest/gtest.h>

#include "CorpusSupport.h"
#include "export/StoredIcon.h"
#include "iconres/IconFile.h"

using iconres::GroupKind;
using iconres::LoadIconFile;

namespace {

using Strings = std::vector<std::string>;

// "WxH/bits@x,y" of each image: its shape and hotspot; "!" for an image that is not intact.
Strings Pointers(const std::vector<iconres::IconImage>& images) {
  Strings out;
  for (const auto& i : images)
    out.push_back(std::to_string(i.width) + "x" + std::to_string(i.height) + "/" + std::to_string(i.bitCount) + "@" +
                  std::to_string(i.hotspotX) + "," + std::to_string(i.hotspotY) + (i.intact ? "" : "!"));
  return out;
}

// "frame:jiffies" of each step.
Strings Steps(const iconres::IconGroup& g) {
  Strings out;
  for (const auto& s : g.steps) out.push_back(std::to_string(s.frame) + ":" + std::to_string(s.jiffies));
  return out;
}

TEST(CursorReader, CursorFilesAndTheCursorsOfLibrariesKeepHotspotsFramesAndRates) {
  const std::string good = corpus::Folder("good");
  const auto cur = LoadIconFile(good + "pointer.cur", "");
  ASSERT_EQ(cur.Count(), 1u);
  EXPECT_EQ(cur.contents.groups[0].kind, GroupKind::Cursor);
  EXPECT_EQ(Pointers(cur.contents.groups[0].images), (Strings{"32x32/1@4,6", "32x32/32@4,6", "48x48/32@6,9"}));

  // A sequence with rates of its own, and one played in frame order at the header's rate.
  const auto spinner = LoadIconFile(good + "spinner.ani", "");
  ASSERT_EQ(spinner.Count(), 1u);
  const auto& s = spinner.contents.groups[0];
  EXPECT_EQ(s.kind, GroupKind::AnimatedCursor);
  EXPECT_TRUE(s.wellFormed);
  ASSERT_EQ(s.frames.size(), 3u);
  EXPECT_EQ(Pointers(s.images), (Strings{"32x32/4@16,16"}));
  EXPECT_EQ(Steps(s), (Strings{"0:10", "1:20", "2:30", "1:20"}));
  EXPECT_EQ(s.offset, 0u);
  EXPECT_EQ(s.size, spinner.bytes.Span().size());
  EXPECT_EQ(Steps(LoadIconFile(good + "plain.ani", "").contents.groups[0]), (Strings{"0:6", "1:6"}));

  // Cursors come only when asked, after the icons, which keep their numbering.
  for (const char* name : {"cursors32.dll", "cursors64.dll", "cursors.icl"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(LoadIconFile(good + name, "").Count(), 1u);
    const auto lib = LoadIconFile(good + name, "", true);
    const bool ne = std::string(name) == "cursors.icl";
    ASSERT_EQ(lib.Count(), ne ? 4u : 5u);
    EXPECT_EQ(lib.contents.icons, 1u);
    EXPECT_EQ(iconres::IndexText(lib.contents, 0), "0");
    EXPECT_EQ(iconres::IndexText(lib.contents, 1), "cursor 0");
    // Named groups before numbered ones, as in every resource directory.
    const auto& arrow = lib.contents.groups[ne ? 2 : 1];
    EXPECT_EQ(arrow.kind, GroupKind::Cursor);
    EXPECT_EQ(Pointers(arrow.images), (Strings{"48x48/32@11,7", "32x32/32@11,7"}));
    EXPECT_EQ(Pointers(lib.contents.groups[ne ? 1 : 2].images), (Strings{"32x32/1@3,5", "32x32/8@3,5"}));
    if (!ne) {
      const auto& animated = lib.contents.groups[4];
      EXPECT_EQ(animated.kind, GroupKind::AnimatedCursor);
      EXPECT_TRUE(animated.wellFormed);
      EXPECT_EQ(animated.frames.size(), name == std::string("cursors32.dll") ? 2u : 3u);
    }
  }
}

TEST(CursorReader, DamagedCursorsGiveFewerImagesAndAreNeverWrittenWhole) {
  const std::string damaged = corpus::Folder("damaged");
  size_t files = 0, animated = 0, refused = 0;
  for (const std::string& name : corpus::FilesIn(damaged)) {
    if (name.find("ani") == std::string::npos && name.find("cur") == std::string::npos) continue;
    ++files;
    const auto file = LoadIconFile(damaged + name, "", true);
    for (size_t i = 0; i < file.Count(); ++i) {
      const auto& g = file.contents.groups[i];
      for (const auto& image : g.images) EXPECT_LE(image.offset + image.size, file.bytes.Span().size()) << name;
      if (g.kind != GroupKind::AnimatedCursor) continue;
      ++animated;
      for (const auto& step : g.steps) EXPECT_LT(step.frame, g.frames.size()) << name;
      // An animation whose parts disagree is never written as it is.
      try {
        const TStoredImage ani = OriginalIcon(file, i);
        EXPECT_TRUE(g.wellFormed) << name;
        EXPECT_EQ(ani.Extension(), ".ani");
      } catch (const EInvalidGraphic&) {
        ++refused;
      }
    }
  }
  EXPECT_GT(files, 200u);
  EXPECT_GT(animated, 50u);
  EXPECT_GT(refused, 20u);
}

}  // namespace
