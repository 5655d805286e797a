// The sized kinds: a PNG of one edge, every stored image as PNG, an .ico of chosen edges.
#include <gtest/gtest.h>
#include <wincodec.h>

#include "CorpusSupport.h"
#include "PlatformOpens.h"
#include "export/PngCodec.h"
#include "export/SizedIcon.h"
#include "iconres/IconFile.h"

namespace {

using iconres::LoadIconFile;

class SizedIcon : public testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override { CoUninitialize(); }
};

std::vector<uint8_t> Stored(const iconres::IconFile& file, const iconres::IconImage& image) {
  const auto bytes = file.Bytes(image);
  return {bytes.begin(), bytes.end()};
}

// The sizes of every frame WIC's icon decoder finds in an .ico, as a viewer reads them.
std::vector<std::pair<UINT, UINT>> PlatformSizes(const std::vector<uint8_t>& ico) {
  std::vector<std::pair<UINT, UINT>> sizes;
  win::ComPtr<IWICImagingFactory> factory;
  win::ComPtr<IWICStream> stream;
  win::ComPtr<IWICBitmapDecoder> decoder;
  UINT frames = 0;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.put()))) ||
      FAILED(factory->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(ico.data()), static_cast<DWORD>(ico.size()))) ||
      FAILED(factory->CreateDecoder(GUID_ContainerFormatIco, nullptr, decoder.put())) ||
      FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand)) || FAILED(decoder->GetFrameCount(&frames)))
    return sizes;
  for (UINT i = 0; i < frames; ++i) {
    win::ComPtr<IWICBitmapFrameDecode> frame;
    UINT w = 0, h = 0;
    if (SUCCEEDED(decoder->GetFrame(i, frame.put())) && SUCCEEDED(frame->GetSize(&w, &h))) sizes.emplace_back(w, h);
  }
  return sizes;
}

// sizes.dll stores 16, 32 and 48 as 32-bit bitmaps and 256 as PNG.
TEST_F(SizedIcon, PngOfAnEdgeIsTheStoredImageOrResampledFromTheNextLarger) {
  const auto file = LoadIconFile(corpus::Folder("good") + "sizes.dll", "");
  const auto& images = file.contents.groups.at(0).images;
  const SizedOutput png256 = PngAtEdge(file, 0, 256);
  EXPECT_EQ(png256.bytes, Stored(file, images[3]));
  EXPECT_EQ(png256.suffix, "-256x256");
  EXPECT_EQ(png256.resampled, 0u);
  // A stored bitmap of the edge keeps its pixels exactly.
  const SizedOutput png48 = PngAtEdge(file, 0, 48);
  EXPECT_EQ(png48.resampled, 0u);
  EXPECT_EQ(pngcodec::DecodePngImage(png48.bytes).bgra,
            pngcodec::DecodeIco(IcoFileBytes({StoredEntry(file, images[2])}, false)).bgra);
  // 64 comes from the 256 one, the same bytes every time; its transparent corner and opaque
  // middle stay so.
  const SizedOutput png64 = PngAtEdge(file, 0, 64);
  EXPECT_EQ(png64.resampled, 1u);
  EXPECT_EQ(PngAtEdge(file, 0, 64).bytes, png64.bytes);
  const pngcodec::Pixels p = pngcodec::DecodePngImage(png64.bytes);
  ASSERT_EQ(std::make_pair(p.width, p.height), std::make_pair(64u, 64u));
  EXPECT_EQ(p.bgra[3], 0);
  EXPECT_EQ(p.bgra[(32 * 64 + 32) * 4 + 3], 255);
  // Larger than anything stored: from the largest.
  EXPECT_EQ(pngcodec::DecodePngImage(PngAtEdge(file, 0, 512).bytes).width, 512u);
  // The order of sources for 40: the 48 first, then the larger 256, then the smaller ones.
  const auto sources = SourcesForEdge(file, file.contents.groups[0], 40);
  ASSERT_EQ(sources.size(), 4u);
  EXPECT_EQ(sources[0]->width, 48);
  EXPECT_EQ(sources[1]->width, 256);
  EXPECT_EQ(sources[2]->width, 32);
}

// Opaque red beside transparent black: every pixel the resampling leaves partly opaque is red,
// as a transparent pixel's colour must weigh nothing.
TEST_F(SizedIcon, ResamplingKeepsStraightAlphaWithoutDarkFringes) {
  pngcodec::Pixels half{32, 32, std::vector<uint8_t>(32 * 32 * 4, 0)};
  for (UINT y = 0; y < 32; ++y)
    for (UINT x = 16; x < 32; ++x) {
      uint8_t* px = &half.bgra[(y * 32 + x) * 4];
      px[2] = 255;
      px[3] = 255;
    }
  for (UINT edge : {20u, 13u, 48u}) {
    const pngcodec::Pixels out = pngcodec::Resample(half, edge, edge);
    ASSERT_EQ(out.bgra.size(), size_t{edge} * edge * 4);
    for (size_t i = 0; i < out.bgra.size(); i += 4) {
      if (out.bgra[i + 3] == 0) continue;
      EXPECT_GE(out.bgra[i + 2], 250) << edge << " at " << i / 4 << " alpha " << int(out.bgra[i + 3]);
      EXPECT_LE(out.bgra[i], 5) << edge << " at " << i / 4;
    }
  }
}

TEST_F(SizedIcon, EveryImagePngGivesOneFilePerSoundImage) {
  const auto file = LoadIconFile(corpus::Folder("good") + "every.ico", "");
  size_t leftOut = 9;
  const auto pngs = EveryImagePng(file, 0, leftOut);
  EXPECT_EQ(leftOut, 0u);
  ASSERT_EQ(pngs.size(), file.contents.groups[0].images.size());
  std::vector<std::string> names;
  for (const SizedOutput& png : pngs) {
    names.push_back(png.suffix);
    EXPECT_NE(opens::PngOpens(png.bytes), (std::pair<UINT, UINT>(0, 0))) << png.suffix;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"-16x16-4bit", "-32x32-8bit", "-32x32-32bit", "-48x48-24bit",
                                             "-256x256-32bit"}));
  // Damaged images are never written; an icon without a sound one gives none.
  size_t damagedLeftOut = 0, refused = 0;
  for (const std::string& name : corpus::FilesIn(corpus::Folder("damaged"))) {
    const auto damaged = LoadIconFile(corpus::Folder("damaged") + name, "");
    for (size_t g = 0; g < damaged.Count(); ++g) {
      size_t sound = 0;
      for (const auto& image : damaged.contents.groups[g].images) sound += damaged.Sound(image);
      try {
        size_t left = 0;
        EXPECT_EQ(EveryImagePng(damaged, g, left).size(), sound) << name;
        damagedLeftOut += left;
      } catch (const ENoSoundImage&) {
        EXPECT_EQ(sound, 0u) << name;
        ++refused;
      }
    }
  }
  EXPECT_GT(damagedLeftOut, 10u);
  EXPECT_GT(refused, 0u);
}

TEST_F(SizedIcon, IconOfChosenEdgesHoldsExactlyThoseSizes) {
  const auto file = LoadIconFile(corpus::Folder("good") + "sizes.dll", "");
  const auto& images = file.contents.groups.at(0).images;
  const SizedOutput ico = IconWithEdges(file, 0, {16, 24, 32, 256});
  EXPECT_EQ(ico.extension, ".ico");
  EXPECT_EQ(ico.resampled, 1u);
  EXPECT_EQ(opens::IcoFault(ico.bytes, true), "");
  EXPECT_EQ(PlatformSizes(ico.bytes), (std::vector<std::pair<UINT, UINT>>{{16, 16}, {24, 24}, {32, 32}, {256, 256}}));
  const auto again = iconres::ReadIconGroups(ico.bytes).groups.at(0).images;
  ASSERT_EQ(again.size(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(again[i].width, std::vector<int>({16, 24, 32, 256})[i]) << i;
  // The stored ones byte for byte, 256 still PNG; 24 made as 32 bits with alpha.
  EXPECT_EQ(Stored(file, images[0]), std::vector<uint8_t>(iconres::ImageBytes(ico.bytes, again[0]).begin(),
                                                           iconres::ImageBytes(ico.bytes, again[0]).end()));
  EXPECT_EQ(Stored(file, images[3]), std::vector<uint8_t>(iconres::ImageBytes(ico.bytes, again[3]).begin(),
                                                           iconres::ImageBytes(ico.bytes, again[3]).end()));
  EXPECT_TRUE(again[3].png);
  EXPECT_EQ(again[1].bitCount, 32);
  EXPECT_TRUE(again[1].intact);
  // A resampled 256 is PNG too.
  const auto lib = LoadIconFile(corpus::Folder("good") + "lib64.dll", "");
  const SizedOutput big = IconWithEdges(lib, 2, {48, 256});
  const auto bigImages = iconres::ReadIconGroups(big.bytes).groups.at(0).images;
  ASSERT_EQ(bigImages.size(), 2u);
  EXPECT_TRUE(bigImages[1].png);
  EXPECT_EQ(PlatformSizes(big.bytes), (std::vector<std::pair<UINT, UINT>>{{48, 48}, {256, 256}}));
}

// A cursor stays a cursor pointing at the same spot; an animated cursor gives its first frame.
TEST_F(SizedIcon, CursorsKeepTheirHotspotsAndAnimationsGiveTheirFirstFrame) {
  const auto lib = LoadIconFile(corpus::Folder("good") + "cursors64.dll", "", true);
  const SizedOutput arrow = IconWithEdges(lib, 1, {16, 32});  // "ARROW": 48 and 32, hotspot 11,7
  EXPECT_EQ(arrow.extension, ".cur");
  EXPECT_EQ(opens::CursorFault(arrow.bytes, ".cur"), "");
  const auto images = iconres::ReadIconGroups(arrow.bytes).groups.at(0).images;
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(std::make_pair(images[1].hotspotX, images[1].hotspotY), std::make_pair(11, 7));
  EXPECT_EQ(std::make_pair(images[0].hotspotX, images[0].hotspotY), std::make_pair(5, 3));
  const SizedOutput frame = IconWithEdges(lib, 4, {32});
  EXPECT_EQ(frame.extension, ".cur");
  EXPECT_EQ(frame.resampled, 0u);
  EXPECT_EQ(opens::CursorFault(frame.bytes, ".cur"), "");
}

TEST(SizedEdges, TypedEdgesAreReadOrRefused) {
  EXPECT_EQ(ParseEdges("32, 16,256,16", 256), (std::vector<int>{16, 32, 256}));
  for (const char* bad : {"", "16,", ",16", "7", "257", "16;32", "-16", "0x10", "16 32", "99999"})
    EXPECT_FALSE(ParseEdges(bad, 256)) << bad;
  EXPECT_EQ(ParseEdges("1024", kMaxSavedEdge), (std::vector<int>{1024}));
  EXPECT_EQ(EdgesText({16, 24}), "16,24");
}

}  // namespace
