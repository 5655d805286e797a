// Store app packages and installers: their logos and icons read in each form, saved so that the
// platform opens them, and damaged ones refused without harm. The files are written by
// tools/make_package_fixtures.py before the tests run.
#include <gtest/gtest.h>

#include <random>

#include "AppTestSupport.h"
#include "CorpusSupport.h"
#include "PlatformOpens.h"
#include "export/StoredIcon.h"
#include "extract/StoredImages.h"
#include "iconres/AppxManifest.h"
#include "iconres/IconFile.h"
#include "iconres/PackageLogos.h"
#include "settings/Settings.h"
#include "win/Text.h"

namespace {

using Strings = std::vector<std::string>;

std::string Packages() { return fixtures::ProgramFolder() + "packages\\"; }

// Each group as "type: edges" (smallest first), then its caption.
Strings Described(const iconres::IconFile& file, Strings* captions = nullptr) {
  Strings out;
  for (const iconres::IconGroup& group : file.contents.groups) {
    std::string text = storedimages::TypeText(group) + ":";
    for (const iconres::IconImage& image : group.images) text += " " + std::to_string(image.width);
    out.push_back(text);
    if (captions) captions->push_back(group.caption);
  }
  return out;
}

TEST(PackageLogos, VariantsInBothNamingFormsMakeOneSetPerKindAndStayInsideThePackage) {
  const Strings files = {"Assets/Logo.scale-100.png",
                         "Assets/scale-200/Logo.png",
                         "Assets/Logo.targetsize-48_altform-unplated.png",
                         "Assets/contrast-high/Logo.scale-100.png",
                         "Assets/LogoWide.scale-100.png",
                         "Assets/Logo.backup.png",
                         "Other/Logo.png",
                         "Assets/Logo.png"};
  const std::vector<iconres::package::Logo> logos = {{"App", "Square44x44Logo", "Assets\\Logo.png"},
                                                     {"Out", "Logo", "..\\Assets\\Logo.png"},
                                                     {"Drive", "Logo", "C:\\Assets\\Logo.png"},
                                                     {"Again", "Logo", "assets/logo.png"}};
  const auto sets = iconres::package::FindLogoSets(logos, files);
  ASSERT_EQ(sets.size(), 3u);
  EXPECT_EQ(sets[0].set, "");
  EXPECT_EQ(sets[0].files, (Strings{"Assets/Logo.scale-100.png", "Assets/scale-200/Logo.png", "Assets/Logo.png"}));
  EXPECT_EQ(sets[1].set, "unplated");
  EXPECT_EQ(sets[2].set, "high contrast");
  EXPECT_EQ(sets[2].files, Strings{"Assets/contrast-high/Logo.scale-100.png"});
}

// The installed folder, the package file and the bundle of an app and its resource package.
TEST(Packages, EveryFormListsTheSameLogosWithEveryVariantAndSavesIcoFilesThePlatformOpens) {
  const Strings expected = {"Package logo: 50 100 200",
                            "Square44x44Logo: 16 32 44 48 88 256",
                            "Square44x44Logo, unplated: 16 48",
                            "Square44x44Logo, light unplated: 48",
                            "Square44x44Logo, high contrast: 44",
                            "Square150x150Logo: 150 300"};
  const std::pair<std::string, std::string> forms[] = {
      {"app\\AppxManifest.xml", "app"}, {"Sample.msix", "Sample.msix"}, {"Sample.msixbundle", "Sample.msixbundle"}};
  for (const auto& [name, fallback] : forms) {
    SCOPED_TRACE(name);
    const iconres::IconFile file = iconres::LoadIconFile(Packages() + name, "");
    Strings captions;
    EXPECT_EQ(Described(file, &captions), expected);
    EXPECT_EQ(captions, (Strings{fallback, "Glyph Sample", "Glyph Sample", "Glyph Sample", "Glyph Sample",
                                 "Glyph Sample"}));
    EXPECT_FALSE(file.contents.damaged);
    if (file.Count() != expected.size()) continue;
    ASSERT_EQ(file.contents.groups[5].images.size(), 2u);
    EXPECT_EQ(iconres::IndexText(file.contents, 5), "logo 5");
    // An .ico entry cannot name 300 pixels: that variant is saved only as PNG.
    const TStoredImage tile = OriginalIcon(file, 5);
    EXPECT_EQ(tile.LeftOut(), 0u);
    iconres::IconFile written;
    written.contents = iconres::ReadIconGroups(tile.Bytes());
    EXPECT_EQ(Described(written), Strings{"Icon: 150"});
    EXPECT_EQ(LargestImagePngBytes(file, 5).size(), file.contents.groups[5].images[1].size);
    for (std::size_t g = 0; g < expected.size(); ++g) EXPECT_EQ(opens::IcoFault(OriginalIconBytes(file, g), false), "") << g;
  }
}

TEST(Installers, ListTheIconTablesIconsAndSaveThemAsTheRowsHoldThem) {
  const iconres::IconFile msi = iconres::LoadIconFile(Packages() + "Sample.msi", "");
  Strings captions;
  EXPECT_EQ(Described(msi, &captions), (Strings{"Icon, product icon: 16 32 48 256", "Icon: 16 32", "Icon: 48 32"}));
  EXPECT_EQ(captions, (Strings{"AppIcon.ico", "ToolIcon.exe", "ToolIcon.exe"}));
  const iconres::IconFile ico = iconres::LoadIconFile(Packages() + "msi-rows\\AppIcon.ico", "");
  const iconres::IconFile tool = iconres::LoadIconFile(Packages() + "msi-rows\\ToolIcon.exe", "");
  ASSERT_EQ(msi.Count(), 3u);
  EXPECT_EQ(OriginalIconBytes(msi, 0), OriginalIconBytes(ico, 0));
  EXPECT_EQ(OriginalIconBytes(msi, 1), OriginalIconBytes(tool, 0));
  EXPECT_EQ(OriginalIconBytes(msi, 2), OriginalIconBytes(tool, 1));
}

// Whatever a damaged package or installer holds: no crash, nothing read from outside a package
// folder, a refusal said in words, and every icon saved is one the platform opens.
TEST(Packages, DamagedPackagesAndInstallersGiveNoUnopenableOutput) {
  const std::string folder = Packages() + "damaged\\";
  std::size_t files = 0, refused = 0, saved = 0;
  Strings names = corpus::FilesIn(folder);
  names.push_back("escape-app\\AppxManifest.xml");
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ++files;
    const iconres::IconFile file = iconres::LoadIconFile(folder + name, "");
    if (!file.contents.refused.empty()) ++refused;
    // A logo path that leaves the package names nothing the package holds.
    if (name.starts_with("escape-app") || name.starts_with("logo-escape")) {
      EXPECT_EQ(file.Count(), 0u);
    }
    if (name.find("bomb") != std::string::npos) {
      EXPECT_NE(file.contents.refused, "");
    }
    for (std::size_t g = 0; g < file.Count(); ++g) {
      try {
        EXPECT_EQ(opens::IcoFault(OriginalIconBytes(file, g), false), "") << g;
        const std::vector<std::uint8_t> png = LargestImagePngBytes(file, g);
        EXPECT_NE(opens::PngOpens(png), (std::pair<UINT, UINT>(0, 0))) << g;
        ++saved;
      } catch (const std::exception&) {
        // No sound image: nothing is written.
      }
    }
  }
  std::printf("%zu damaged files, %zu refused, %zu icons saved\n", files, refused, saved);
  EXPECT_GT(files, 30u);
}

// The platform's XML reader under mutated manifests: never a failure, a bounded count of logos.
TEST(AppxManifest, MutatedManifestsAreReadOrRefusedWhole) {
  const iconres::FileBytes bytes(Packages() + "app\\AppxManifest.xml");
  const iconres::ByteSpan original = bytes.Span();
  const auto whole = iconres::package::ReadManifest(original);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->logos.size(), 3u);
  // The same text saved as UTF-16 reads the same; a NUL or a cut character refuses it unread.
  const std::string text(original.begin(), original.end());
  std::wstring wide = win::Widen(text);
  wide.replace(wide.find(L"utf-8"), 5, L"utf-16");
  iconres::Bytes utf16 = {0xFF, 0xFE};
  for (wchar_t c : wide) utf16.insert(utf16.end(), {static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8)});
  const auto fromUtf16 = iconres::package::ReadManifest(utf16);
  ASSERT_TRUE(fromUtf16);
  EXPECT_EQ(fromUtf16->logos.size(), 3u);
  for (const char* damage : {"\0", "\xC3"}) {
    iconres::Bytes damaged(original.begin(), original.end());
    damaged.insert(damaged.begin() + static_cast<std::ptrdiff_t>(text.find("<Properties>")), damage, damage + 1);
    EXPECT_FALSE(iconres::package::ReadManifest(damaged));
  }
  std::mt19937 random(7);
  std::size_t read = 0;
  constexpr int kMutations = 3000;
  for (int i = 0; i < kMutations; ++i) {
    iconres::Bytes mutated(original.begin(), original.end());
    for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips)
      mutated[random() % mutated.size()] = static_cast<std::uint8_t>(random());
    if (random() % 4 == 0) mutated.resize(random() % mutated.size());
    const auto manifest = iconres::package::ReadManifest(mutated);
    if (!manifest) continue;
    ++read;
    EXPECT_LE(manifest->logos.size(), 16u);
  }
  std::printf("%d mutated manifests, %zu read\n", kMutations, read);
}

// In the window: choosing an installed app's folder lists its logos by the app's name, and each
// entry's tip names the picture and its set as the Type column does.
class PackageRun : public apptest::MainWindowTest {};

TEST_F(PackageRun, AnInstalledAppsFolderListsItsLogosWithTheirNamesAndSets) {
  TfrmMainForm& f = Open(false, false, kDefaultFileTypes);
  f.stNav.SetPath(Packages() + "app");
  apptest::WaitForRun(f);
  EXPECT_EQ(apptest::Entries(f), (Strings{"app#logo 0", "Glyph Sample#logo 1", "Glyph Sample#logo 2", "Glyph Sample#logo 3",
                                 "Glyph Sample#logo 4", "Glyph Sample#logo 5"}));
  f.actDetails.Execute();
  EXPECT_EQ(f.lvIcons.SubItem(2, 2), "48, 16");
  EXPECT_EQ(f.lvIcons.SubItem(2, 3), "Square44x44Logo, unplated");
  EXPECT_EQ(f.lvIcons.SubItem(0, 4), "");
  std::string tip;
  f.lvIconsInfoTip(f, 2, tip);
  const std::size_t line = tip.find("\r\n") + 2;
  EXPECT_EQ(tip.substr(line, tip.find("\r\n", line) - line), "Square44x44Logo, unplated, index logo 2") << tip;
}

}  // namespace
