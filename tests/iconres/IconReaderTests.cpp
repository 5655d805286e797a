// The icon reader over our own well-formed and damaged files (and the platform steps and the
// stored-icon writers over what it finds), and the system libraries whose icons live in a .mun file.
#include <gtest/gtest.h>

#include <algorithm>

#include "CorpusSupport.h"
#include "export/StoredIcon.h"
#include "extract/LargeIcon.h"
#include "iconres/IconFile.h"
#include "win/Handles.h"

using iconres::FileKind;
using iconres::LoadIconFile;

namespace {

// "WxH/bits" of each image of a group, "png" added for PNG images.
std::vector<std::string> Shapes(const iconres::IconGroup& g) {
  std::vector<std::string> out;
  for (const auto& i : g.images) {
    out.push_back(std::to_string(i.width) + "x" + std::to_string(i.height) + "/" + std::to_string(i.bitCount) +
                  (i.png ? "png" : "") + (i.intact ? "" : "!"));
  }
  return out;
}

using Strings = std::vector<std::string>;

TEST(IconReader, ReadsEveryFormatInTheShellsOrder) {
  const std::string good = corpus::Folder("good");
  const auto ico = LoadIconFile(good + "every.ico", "");
  EXPECT_EQ(ico.contents.kind, FileKind::Ico);
  ASSERT_EQ(ico.Count(), 1u);
  EXPECT_EQ(Shapes(ico.contents.groups[0]), (Strings{"16x16/4", "32x32/8", "32x32/32", "48x48/24", "256x256/32png"}));

  // Named groups come before numbered ones, each kind in the order it is stored.
  const Strings named = {"48x48/32", "32x32/32", "16x16/32"};
  for (auto [name, kind] : {std::pair{"lib32.dll", FileKind::Pe32}, std::pair{"lib64.dll", FileKind::Pe32Plus}}) {
    const auto pe = LoadIconFile(good + name, "");
    EXPECT_EQ(pe.contents.kind, kind) << name;
    ASSERT_EQ(pe.Count(), 5u) << name;
    EXPECT_EQ(Shapes(pe.contents.groups[0]), named) << name;
    EXPECT_EQ(Shapes(pe.contents.groups[1]), (Strings{"32x32/4", "16x16/4"})) << name;
    EXPECT_EQ(Shapes(pe.contents.groups[4]), (Strings{"16x16/8", "32x32/32", "48x48/32", "256x256/32png"})) << name;
  }

  const auto ne = LoadIconFile(good + "ne.icl", "");
  EXPECT_EQ(ne.contents.kind, FileKind::Ne);
  ASSERT_EQ(ne.Count(), 4u);
  EXPECT_EQ(Shapes(ne.contents.groups[3]), (Strings{"48x48/24", "32x32/24", "16x16/1"}));
  // 512-byte alignment units: the last image's length runs past the end of the file.
  const auto ne9 = LoadIconFile(good + "ne9.dll", "");
  ASSERT_EQ(ne9.Count(), 2u);
  EXPECT_EQ(Shapes(ne9.contents.groups[1]), (Strings{"32x32/8", "16x16/8"}));
}

TEST(IconReader, DamageMakesFewerIconsAndNothingPointsOutsideTheFile) {
  const std::string damaged = corpus::Folder("damaged");
  // An .ico whose directory claims more entries than the file holds has no icon at all.
  EXPECT_EQ(LoadIconFile(damaged + "ico_count_ffff.ico", "").Count(), 0u);
  // A library group whose directory does not fit keeps its place, empty, so later indexes stay.
  const auto lib = LoadIconFile(damaged + "small32_group0_count_ffff.dll", "");
  ASSERT_EQ(lib.Count(), 2u);
  EXPECT_TRUE(lib.contents.groups[0].images.empty());
  EXPECT_EQ(lib.contents.groups[1].images.size(), 1u);
  win::UniqueIcon refused(MakeLargeIcon(lib, 0)), shown(MakeLargeIcon(lib, 1));
  EXPECT_FALSE(refused);
  EXPECT_TRUE(shown);
  // A count run over the tables after it gives no more groups than the intact file (two), and
  // the file says it is damaged; so does an .ico whose directory cannot fit.
  for (const char* base : {"small32", "small64"}) {
    for (const char* damage : {"_rootflip.dll", "_typeflip.dll", "_rootcount.dll", "_loop_self.dll"}) {
      const auto file = LoadIconFile(damaged + base + damage, "");
      EXPECT_LE(file.Count(), 2u) << base << damage;
      EXPECT_TRUE(file.contents.damaged) << base << damage;
    }
  }
  EXPECT_TRUE(LoadIconFile(damaged + "ico_count_ffff.ico", "").contents.damaged);
  EXPECT_FALSE(LoadIconFile(corpus::Folder("good") + "lib32.dll", "").contents.damaged);

  const Strings names = corpus::FilesIn(damaged);
  ASSERT_GE(names.size(), 500u);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  for (const std::string& name : names) {
    const auto file = LoadIconFile(damaged + name, "");
    const size_t size = file.bytes.Span().size();
    for (size_t i = 0; i < file.Count(); ++i) {
      // Both stored kinds are written when the group has a sound image, refused when it has
      // none, never anything worse.
      const auto& images = file.contents.groups[i].images;
      const bool anySound = std::any_of(images.begin(), images.end(), [&](auto& image) { return file.Sound(image); });
      try {
        EXPECT_FALSE(OriginalIconBytes(file, i).empty()) << name << " #" << i;
        EXPECT_FALSE(LargestImagePngBytes(file, i).empty()) << name << " #" << i;
        EXPECT_TRUE(anySound) << name << " #" << i << " written without a sound image";
      } catch (const EInvalidGraphic&) {
        // An animated cursor is no icon: its frames are refused whatever they are.
        if (file.contents.groups[i].kind != iconres::GroupKind::AnimatedCursor) {
          EXPECT_FALSE(anySound) << name << " #" << i << " refused with a sound image";
        }
      }
    }
    for (const auto& g : file.contents.groups) {
      for (const auto& image : g.images) {
        EXPECT_LE(image.offset + image.size, size) << name;
        if (!file.Sound(image)) continue;
        const auto bytes = file.Bytes(image);
        EXPECT_TRUE(iconres::CheckImage(bytes)) << name;
        // Whichever image the best-match rule picks, the platform must be able to take it. The
        // reader checks a PNG image's header, not its compressed pixels: the platform refuses
        // one whose pixels are damaged, and the run leaves a gap there.
        win::UniqueIcon icon(CreateIconFromResourceEx(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()),
                                                     TRUE, 0x00030000, 32, 32, LR_DEFAULTCOLOR));
        EXPECT_TRUE(icon || (image.png && name.find("_pngsum") != std::string::npos)) << name << ", image " << image.id;
      }
    }
  }
  CoUninitialize();
}

// A run that keeps only listed icons does not open files under kSmallestListedIconFile bytes:
// in so few an icon or cursor file's head and entry leave no place for the smallest intact
// image (a 12-byte header over 1 x 1 pixels), wherever its entry puts it and whatever it claims.
TEST(IconReader, NoFileBelowTheListedFloorHoldsAnIntactImage) {
  const auto intact = [](std::size_t length, unsigned type, std::size_t at, std::size_t size) {
    std::vector<std::uint8_t> file(length, 0);
    const std::uint8_t header[12] = {12, 0, 0, 0, 1, 0, 2, 0, 1, 0, 24, 0};  // 1 x 1, mask below
    for (std::size_t i = 0; i < sizeof header && at + i < length; ++i) file[at + i] = header[i];
    // The head and the entry's size and offset are what the file must say, over the image.
    const std::uint8_t head[6] = {0, 0, static_cast<std::uint8_t>(type), 0, 1, 0};
    std::copy(head, head + 6, file.begin());
    for (int i = 0; i < 4; ++i) {
      file[14 + i] = static_cast<std::uint8_t>(size >> (8 * i));
      file[18 + i] = static_cast<std::uint8_t>(at >> (8 * i));
    }
    const auto contents = iconres::ReadIconGroups(iconres::ByteSpan(file.data(), file.size()));
    for (const auto& group : contents.groups)
      for (const auto& image : group.images)
        if (image.intact) return true;
    return false;
  };
  ASSERT_TRUE(intact(42, 1, 22, 20));  // the same image where it does not overlap the entry
  for (unsigned type : {1u, 2u})
    for (std::size_t length = 22; length < iconres::kSmallestListedIconFile; ++length)
      for (std::size_t at = 0; at + 20 <= length; ++at)
        for (std::size_t size = 20; at + size <= length; ++size)
          EXPECT_FALSE(intact(length, type, at, size)) << length << " bytes, image at " << at << " of " << size;
}

TEST(IconReader, SystemLibrariesWithoutIconsAreReadFromTheirMunFile) {
  EXPECT_EQ(iconres::ResourceFileFor("C:\\Windows\\system32\\imageres.dll", "C:\\WINDOWS"),
            "C:\\WINDOWS\\SystemResources\\imageres.dll.mun");
  EXPECT_EQ(iconres::ResourceFileFor("c:\\windows\\SysWOW64\\shell32.dll", "C:\\Windows\\"),
            "C:\\Windows\\SystemResources\\shell32.dll.mun");
  EXPECT_EQ(iconres::ResourceFileFor("C:\\Windows\\system32\\drivers\\a.sys", "C:\\Windows"), "");
  EXPECT_EQ(iconres::ResourceFileFor("C:\\Windows\\a.exe", "C:\\Windows"), "");

  fixtures::TempFolder windows("win");
  ASSERT_TRUE(CreateDirectoryA((windows.Path() + "System32").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((windows.Path() + "SystemResources").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((windows.Path() + "Other").c_str(), nullptr));
  const std::string empty = fixtures::ProgramFolder() + "iconfixture_base.dll";
  const std::string icons = corpus::Folder("good") + "lib64.dll";
  for (const char* to : {"System32\\plain.dll", "Other\\plain.dll"})
    ASSERT_TRUE(CopyFileA(empty.c_str(), (windows.Path() + to).c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(icons.c_str(), (windows.Path() + "SystemResources\\plain.dll.mun").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(icons.c_str(), (windows.Path() + "SystemResources\\own.dll.mun").c_str(), FALSE));
  const std::string own = corpus::Folder("good") + "ne9.dll";
  ASSERT_TRUE(CopyFileA(own.c_str(), (windows.Path() + "System32\\own.dll").c_str(), FALSE));

  EXPECT_EQ(LoadIconFile(windows.Path() + "System32\\plain.dll", windows.Path()).Count(), 5u);
  EXPECT_EQ(LoadIconFile(windows.Path() + "Other\\plain.dll", windows.Path()).Count(), 0u);
  // A library with icons of its own keeps them.
  EXPECT_EQ(LoadIconFile(windows.Path() + "System32\\own.dll", windows.Path()).Count(), 2u);
}

}  // namespace
