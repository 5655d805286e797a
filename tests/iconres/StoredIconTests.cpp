// Saving icons as their files store them: the whole group as .ico, the largest image as .png.
#include <gtest/gtest.h>
#include <wincodec.h>

#include "AppTestSupport.h"
#include "CorpusSupport.h"
#include "PlatformOpens.h"
#include "FolderChooserAnswerer.h"
#include "ModalAnswerer.h"
#include "export/SaveImage.h"
#include "export/StoredIcon.h"
#include "iconres/IconFile.h"

namespace {

using iconres::LoadIconFile;

std::vector<uint8_t> ReadAll(const std::string& path) {
  iconres::FileBytes bytes(path);
  return {bytes.Span().begin(), bytes.Span().end()};
}

struct Decoded {
  UINT width = 0, height = 0;
  std::vector<uint8_t> bgra;
  uint8_t Alpha(UINT x, UINT y) const { return bgra[(y * width + x) * 4 + 3]; }
};

// A PNG file decoded by WIC's own PNG decoder into 32-bit colour with alpha.
Decoded DecodePng(const std::vector<uint8_t>& png) {
  Decoded d;
  win::ComPtr<IWICImagingFactory> factory;
  EXPECT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IWICImagingFactory, reinterpret_cast<void**>(factory.put())));
  win::ComPtr<IWICStream> stream;
  factory->CreateStream(stream.put());
  stream->InitializeFromMemory(const_cast<BYTE*>(png.data()), static_cast<DWORD>(png.size()));
  win::ComPtr<IWICBitmapDecoder> decoder;
  EXPECT_HRESULT_SUCCEEDED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.put()));
  if (!decoder || FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand))) return d;
  win::ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.put()))) return d;
  WICPixelFormatGUID format{};
  frame->GetPixelFormat(&format);
  EXPECT_TRUE(format == GUID_WICPixelFormat32bppBGRA || format == GUID_WICPixelFormat32bppRGBA) << "no alpha";
  win::ComPtr<IWICBitmapSource> bgra;
  WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.get(), bgra.put());
  bgra->GetSize(&d.width, &d.height);
  d.bgra.resize(d.width * d.height * 4);
  bgra->CopyPixels(nullptr, d.width * 4, static_cast<UINT>(d.bgra.size()), d.bgra.data());
  return d;
}

class StoredIcon : public testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(StoredIcon, OriginalIconKeepsEveryStoredImageByteForByte) {
  fixtures::TempFolder out("orig");
  for (const char* name : {"sizes.dll", "sizes.ico"}) {
    const auto file = LoadIconFile(corpus::Folder("good") + name, "");
    ASSERT_EQ(file.Count(), 1u) << name;
    TStoredImage graphic(OriginalIconBytes(file, 0));
    const std::string path = SaveGraphicToFreeName(graphic, out.Path(), OutputFileName(name, "0", ".ico"));
    const std::vector<uint8_t> saved = ReadAll(path);
    const auto again = iconres::ReadIconGroups(saved);
    ASSERT_EQ(again.groups.size(), 1u) << name;
    const auto& stored = file.contents.groups[0].images;
    const auto& written = again.groups[0].images;
    ASSERT_EQ(written.size(), 4u) << name;
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(written[i].width, stored[i].width) << name << i;
      EXPECT_EQ(written[i].png, stored[i].png) << name << i;
      const auto a = file.Bytes(stored[i]);
      const auto b = iconres::ImageBytes(saved, written[i]);
      EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end())) << name << " image " << i;
    }
    EXPECT_EQ(written[3].width, 256);
    EXPECT_TRUE(written[3].png);
    // The directory gives 0 for an edge of 256, as the format has it.
    EXPECT_EQ(saved[6 + 3 * 16], 0);
  }
  // Saves of one name never overwrite each other: sizes.dll and sizes.ico both give sizes0.ico.
  const auto file = LoadIconFile(corpus::Folder("good") + "sizes.ico", "");
  TStoredImage graphic(OriginalIconBytes(file, 0));
  EXPECT_EQ(SaveGraphicToFreeName(graphic, out.Path(), "sizes0.ico"), out.Path() + "__sizes0.ico");
}

// A saved cursor points where the original did: its images byte for byte with their hotspots,
// as the platform loads it; an animated cursor is its stored bytes.
TEST_F(StoredIcon, CursorsSaveWithTheirHotspotsAndAnimationsAsStored) {
  const auto lib = LoadIconFile(corpus::Folder("good") + "cursors64.dll", "", true);
  ASSERT_EQ(lib.Count(), 5u);
  const TStoredImage arrow = OriginalIcon(lib, 1);
  EXPECT_EQ(arrow.Extension(), ".cur");
  EXPECT_EQ(opens::CursorFault(arrow.Bytes(), ".cur"), "");
  const auto again = iconres::ReadIconGroups(arrow.Bytes());
  ASSERT_EQ(again.groups.size(), 1u);
  const auto& stored = lib.contents.groups[1].images;
  const auto& written = again.groups[0].images;
  ASSERT_EQ(written.size(), stored.size());
  for (size_t i = 0; i < stored.size(); ++i) {
    EXPECT_EQ(std::make_pair(written[i].hotspotX, written[i].hotspotY), std::make_pair(11, 7)) << i;
    const auto a = lib.Bytes(stored[i]);
    const auto b = iconres::ImageBytes(arrow.Bytes(), written[i]);
    EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end())) << i;
  }
  // The platform's own reading of the saved file gives the hotspot back.
  fixtures::TempFolder out("cur");
  TStoredImage copy = arrow;
  const std::string path = SaveGraphicToFreeName(copy, out.Path(), "arrow.cur");
  win::UniqueIcon cursor(static_cast<HICON>(LoadImageA(nullptr, path.c_str(), IMAGE_CURSOR, 32, 32, LR_LOADFROMFILE)));
  ICONINFO info{};
  ASSERT_TRUE(cursor && GetIconInfo(cursor.get(), &info));
  win::UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(std::make_pair(info.xHotspot, info.yHotspot), std::make_pair(DWORD{11}, DWORD{7}));

  const TStoredImage ani = OriginalIcon(lib, 4);
  EXPECT_EQ(ani.Extension(), ".ani");
  const auto spinner = ReadAll(corpus::Folder("good") + "spinner.ani");
  EXPECT_EQ(ani.Bytes(), spinner);
  EXPECT_EQ(opens::CursorFault(ani.Bytes(), ".ani"), "");
  // The PNG kind writes the first frame's largest image.
  EXPECT_EQ(DecodePng(LargestImagePngBytes(lib, 4)).width, 32u);
}

TEST_F(StoredIcon, PngOfTheLargestImageKeepsItsAlpha) {
  // A stored PNG image is written unchanged.
  const auto sizes = LoadIconFile(corpus::Folder("good") + "sizes.dll", "");
  const auto& largest = sizes.contents.groups[0].images[3];
  const auto stored = sizes.Bytes(largest);
  EXPECT_EQ(LargestImagePngBytes(sizes, 0), std::vector<uint8_t>(stored.begin(), stored.end()));
  const Decoded big = DecodePng(LargestImagePngBytes(sizes, 0));
  EXPECT_EQ(big.width, 256u);
  EXPECT_EQ(big.Alpha(0, 0), 0);
  EXPECT_EQ(big.Alpha(128, 128), 255);

  // Bitmap images are encoded: 32 bits with their own alpha (a half-transparent rim), 24 bits
  // with the mask as alpha.
  const auto lib = LoadIconFile(corpus::Folder("good") + "lib32.dll", "");
  const Decoded alpha = DecodePng(LargestImagePngBytes(lib, 0));
  ASSERT_EQ(alpha.width, 48u);
  EXPECT_EQ(alpha.height, 48u);
  EXPECT_EQ(alpha.Alpha(0, 0), 0);
  EXPECT_EQ(alpha.Alpha(24, 24), 255);
  EXPECT_EQ(alpha.Alpha(2, 24), 128);
  const Decoded masked = DecodePng(LargestImagePngBytes(lib, 3));
  ASSERT_EQ(masked.width, 48u);
  EXPECT_EQ(masked.Alpha(0, 0), 0);
  EXPECT_EQ(masked.Alpha(24, 24), 255);
}

// Over every file of the corpus, good and damaged: whatever the two stored kinds write opens
// through the platform, what they leave out is counted, and a refusal gives its reason. From the
// good files, 16-bit ones with 16- and 512-byte alignment among them, every image's entry gives
// its own length.
TEST_F(StoredIcon, EveryFileTheStoredKindsWriteOpensThroughThePlatform) {
  size_t written = 0, refused = 0, leftOut = 0;
  for (const char* which : {"good", "damaged"}) {
    const std::string folder = corpus::Folder(which);
    for (const std::string& name : corpus::FilesIn(folder)) {
      const auto file = LoadIconFile(folder + name, "", true);
      for (size_t i = 0; i < file.Count(); ++i) {
        const std::string at = name + " icon " + std::to_string(i);
        bool any = true;
        try {
          const TStoredImage ico = OriginalIcon(file, i);
          if (file.contents.groups[i].kind != iconres::GroupKind::Icon) {
            EXPECT_EQ(opens::CursorFault(ico.Bytes(), ico.Extension()), "") << at;
          } else {
            EXPECT_EQ(opens::IcoFault(ico.Bytes(), which == std::string("good")), "") << at;
          }
          if (ico.Extension() != ".ani") {
            const size_t images = iconres::ReadIconGroups(ico.Bytes()).groups.at(0).images.size();
            EXPECT_EQ(images + ico.LeftOut(), file.contents.groups[i].images.size()) << at;
          }
          leftOut += ico.LeftOut();
          ++written;
        } catch (const EInvalidGraphic& e) {
          // An animation with a sound first frame still gives its PNG.
          any = e.Kind() == win::ErrorKind::DamagedAnimation;
          if (!any) {
            EXPECT_EQ(e.Kind(), win::ErrorKind::NoSoundImage) << at << ": " << e.what();
          }
          ++refused;
        }
        try {
          const std::vector<uint8_t> png = LargestImagePngBytes(file, i);
          EXPECT_NE(opens::PngOpens(png), (std::pair<UINT, UINT>(0, 0))) << at;
          EXPECT_TRUE(any) << at << ": a PNG from an icon without a sound image";
        } catch (const EInvalidGraphic& e) {
          EXPECT_FALSE(any) << at << ": " << e.what();
        }
      }
    }
  }
  std::printf("%zu icons written, %zu refused, %zu damaged images left out\n", written, refused, leftOut);
  EXPECT_GT(leftOut, 50u);
}

class StoredIconSave : public apptest::MainWindowTest {};

// The two kinds from the window: each selected entry's group read again from its file.
TEST_F(StoredIconSave, SelectedEntriesSaveAsTheirFilesStoreThem) {
  ModalAnswerer boxes;
  TfrmMainForm& f = Open(false, false, ".dll");
  f.stNav.SetPath(corpus::Folder("good"));
  apptest::WaitForRun(f);
  const auto entries = apptest::Entries(f);
  for (const char* wanted : {"sizes.dll#0", "lib64.dll#3"}) {
    const auto at = std::find(entries.begin(), entries.end(), wanted);
    ASSERT_NE(at, entries.end()) << wanted;
    f.lvIcons.SetSelected(static_cast<int>(at - entries.begin()), true);
  }
  // One action each, shown in File > Save As, the list's pop-up Save As and the toolbar's drop-down.
  EXPECT_EQ(f.actOrigIcon.Caption(), "Original Icon (all sizes)");
  EXPECT_EQ(f.actPng.Caption(), "PNG Image (largest size)");
  EXPECT_FALSE(f.actOrigIcon.Hint().empty());
  EXPECT_FALSE(f.actPng.Hint().empty());
  for (ui::MenuItem* item : {&f.miOrigIcon, &f.pmiOrigIcon, &f.pmiOrigIcon2}) EXPECT_EQ(item->GetAction(), &f.actOrigIcon);
  for (ui::MenuItem* item : {&f.miPng, &f.pmiPng, &f.pmiPng2}) EXPECT_EQ(item->GetAction(), &f.actPng);
  EXPECT_EQ(f.miPng.Caption(), "PNG Image (largest size)");
  fixtures::TempFolder dest("stored");
  for (ui::MenuItem* item : {&f.miOrigIcon, &f.pmiPng2}) {
    DialogAnswerer answer("Save image(s) to:", [&](HWND dialog) { SelectPath(dialog, dest.Path()); }, IDOK);
    item->Click();
    ASSERT_NE(answer.seen.dialog, nullptr);
  }
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(corpus::FilesIn(dest.Path()).size(), 4u);
  const auto sizes = LoadIconFile(corpus::Folder("good") + "sizes.dll", "");
  EXPECT_EQ(ReadAll(dest.Path() + "sizes0.ico"), OriginalIconBytes(sizes, 0));
  EXPECT_EQ(ReadAll(dest.Path() + "sizes0.png"), LargestImagePngBytes(sizes, 0));
  const auto lib = LoadIconFile(corpus::Folder("good") + "lib64.dll", "");
  EXPECT_EQ(ReadAll(dest.Path() + "lib643.ico"), OriginalIconBytes(lib, 3));
  EXPECT_EQ(DecodePng(ReadAll(dest.Path() + "lib643.png")).width, 48u);
}

// The sized kinds from the window: their dialogs (answered with the sizes they offer first: 48,
// and the Windows 10/11 sizes), then the folder; each in all three Save As menus.
TEST_F(StoredIconSave, SizedKindsAskTheirSizesThenSave) {
  ModalAnswerer boxes;
  TfrmMainForm& f = Open(false, false, ".dll");
  f.stNav.SetPath(corpus::Folder("good"));
  apptest::WaitForRun(f);
  const auto entries = apptest::Entries(f);
  const auto at = std::find(entries.begin(), entries.end(), "sizes.dll#0");
  ASSERT_NE(at, entries.end());
  f.lvIcons.SetSelected(static_cast<int>(at - entries.begin()), true);
  for (ui::MenuItem* item : {&f.miPngSize, &f.pmiPngSize, &f.pmiPngSize2}) EXPECT_EQ(item->GetAction(), &f.actPngSize);
  for (ui::MenuItem* item : {&f.miPngAll, &f.pmiPngAll, &f.pmiPngAll2}) EXPECT_EQ(item->GetAction(), &f.actPngAll);
  for (ui::MenuItem* item : {&f.miIcoSizes, &f.pmiIcoSizes, &f.pmiIcoSizes2}) EXPECT_EQ(item->GetAction(), &f.actIcoSizes);
  fixtures::TempFolder dest("sizedwin");
  for (ui::MenuItem* item : {&f.miPngSize, &f.pmiPngAll2, &f.pmiIcoSizes}) {
    DialogAnswerer answer("Save image(s) to:", [&](HWND dialog) { SelectPath(dialog, dest.Path()); }, IDOK);
    item->Click();
    ASSERT_NE(answer.seen.dialog, nullptr);
  }
  std::vector<std::string> captions;
  for (const AnsweredBox& box : boxes.Boxes()) captions.push_back(box.caption);
  EXPECT_EQ(captions, (std::vector<std::string>{"PNG at Size", "Icon with Sizes", "Saved"}));
  const auto sizes = LoadIconFile(corpus::Folder("good") + "sizes.dll", "");
  EXPECT_EQ(DecodePng(ReadAll(dest.Path() + "sizes0-48x48.png")).width, 48u);
  EXPECT_EQ(corpus::FilesIn(dest.Path()).size(), 1u + 4u + 1u);
  const auto ico = iconres::ReadIconGroups(ReadAll(dest.Path() + "sizes0.ico"));
  EXPECT_EQ(ico.groups.at(0).images.size(), 8u);
}

}  // namespace
