// Contact sheets: how entries spread over sheets and cells, captions that stay in their cells,
// the set's names, and the .csv's quoting.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ExportTestSupport.h"
#include "export/ContactSheet.h"
#include "export/PngCodec.h"

namespace {

using exporttest::ReadAll;
using exporttest::TempFolder;

// An entry whose icon is one opaque colour at the edge.
sheet::Entry Solid(const std::string& name, int edge, std::uint8_t blue) {
  pngcodec::Pixels p{static_cast<UINT>(edge), static_cast<UINT>(edge), {}};
  for (int i = 0; i < edge * edge; ++i) p.bgra.insert(p.bgra.end(), {blue, 0x10, 0xC0, 0xFF});
  return {.path = "C:\\icons\\" + name, .name = name, .position = "0", .id = "1", .png = pngcodec::EncodePng(p)};
}

bool Inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

const std::uint8_t* At(const pngcodec::Pixels& p, int x, int y) {
  return &p.bgra[(static_cast<std::size_t>(y) * p.width + static_cast<std::size_t>(x)) * 4];
}

TEST(ContactSheet, EntriesPastTheSideLimitGoOnNumberedSheetsThatNeverOverwrite) {
  constexpr int kEdge = 16;
  std::vector<sheet::Entry> entries;
  for (int i = 0; i < 11; ++i) entries.push_back(Solid("icon" + std::to_string(i) + ".ico", kEdge, static_cast<std::uint8_t>(i * 20)));
  // A side that takes two cells each way, so the eleven need several sheets.
  const sheet::Layout one(1, kEdge);
  const int side = 2 * std::max(one.Width(0), one.Height(0)) + 1;
  const sheet::Layout layout(entries.size(), kEdge, side);
  ASSERT_GT(layout.Sheets(), 1u);
  TempFolder folder;
  const sheet::Written written = sheet::WriteSheets(entries, kEdge, folder.Path() + "icons.png", side);
  ASSERT_EQ(written.sheets.size(), layout.Sheets());
  EXPECT_EQ(written.csv, folder.Path() + "icons.csv");
  std::size_t placed = 0;
  for (std::size_t s = 0; s < layout.Sheets(); ++s) {
    SCOPED_TRACE(s);
    EXPECT_EQ(written.sheets[s], folder.Path() + "icons-" + std::to_string(s + 1) + ".png");
    const std::vector<std::uint8_t> png = ReadAll(written.sheets[s]);
    const pngcodec::Pixels pixels = pngcodec::DecodePngImage(png);
    EXPECT_EQ(static_cast<int>(pixels.width), layout.Width(s));
    EXPECT_EQ(static_cast<int>(pixels.height), layout.Height(s));
    EXPECT_LE(layout.Width(s), side);
    EXPECT_LE(layout.Height(s), side);
    // Each entry of the sheet has its own cell inside it, its icon drawn there.
    for (std::size_t e = layout.First(s); e < layout.First(s) + layout.Count(s); ++e) {
      const RECT cell = layout.Cell(e), icon = layout.IconBox(e);
      EXPECT_LE(cell.right, layout.Width(s));
      EXPECT_LE(cell.bottom, layout.Height(s));
      for (std::size_t other = layout.First(s); other < e; ++other) {
        RECT overlap;
        const RECT otherCell = layout.Cell(other);
        EXPECT_FALSE(IntersectRect(&overlap, &cell, &otherCell)) << e << " and " << other;
      }
      const std::uint8_t* middle = At(pixels, (icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2);
      EXPECT_EQ(middle[0], static_cast<std::uint8_t>(e * 20)) << e;
      EXPECT_EQ(middle[2], 0xC0) << e;
      // The ground is light.
      const std::uint8_t* corner = At(pixels, cell.left, cell.top);
      EXPECT_GE(std::min({corner[0], corner[1], corner[2]}), 0xE0) << e;
    }
    placed += layout.Count(s);
  }
  EXPECT_EQ(placed, entries.size());
  // A second set beside the first takes new names, all alike.
  const sheet::Written again = sheet::WriteSheets(entries, kEdge, folder.Path() + "icons.png", side);
  EXPECT_EQ(again.sheets.front(), folder.Path() + "_icons-1.png");
  EXPECT_EQ(again.csv, folder.Path() + "_icons.csv");
  EXPECT_EQ(ReadAll(again.sheets.front()), ReadAll(written.sheets.front()));
}

// A long name wraps over more lines than a short one, and nothing of any caption is drawn
// outside its caption's box.
TEST(ContactSheet, LongNamesWrapInsideTheirCells) {
  constexpr int kEdge = 32;
  const std::vector<sheet::Entry> entries{
      Solid("a.ico", kEdge, 0), Solid("a_library_whose_name_has_no_space_to_break_at_and_goes_on.dll", kEdge, 0),
      Solid("a library name with many words that cannot fit on one line.dll", kEdge, 0)};
  const sheet::Layout layout(entries.size(), kEdge);
  const pngcodec::Pixels pixels = pngcodec::DecodePngImage(sheet::DrawSheet(layout, entries, 0));
  std::vector<int> lowestInk(entries.size(), -1);
  for (int y = 0; y < static_cast<int>(pixels.height); ++y) {
    for (int x = 0; x < static_cast<int>(pixels.width); ++x) {
      const std::uint8_t* p = At(pixels, x, y);
      if (std::min({p[0], p[1], p[2]}) >= 0xE0) continue;
      bool placed = false;
      for (std::size_t e = 0; e < entries.size(); ++e) {
        if (Inside(layout.IconBox(e), x, y)) placed = true;
        if (Inside(layout.CaptionBox(e), x, y)) {
          placed = true;
          lowestInk[e] = std::max(lowestInk[e], y);
        }
      }
      ASSERT_TRUE(placed) << "ink at " << x << "," << y;
    }
  }
  const int shortEnd = lowestInk[0] - layout.CaptionBox(0).top;
  for (std::size_t e = 1; e < entries.size(); ++e)
    EXPECT_GE(lowestInk[e] - layout.CaptionBox(e).top, shortEnd + layout.LineHeight()) << entries[e].name;
}

TEST(ContactSheet, CsvQuotesFieldsWithCommasAndQuotes) {
  sheet::Entry entry{.path = "C:\\a,b\\say \"hi\".dll", .position = "cursor 0", .id = "IDI_APP", .sizes = "48, 32",
                     .depths = "32", .sha256 = "ab"};
  EXPECT_EQ(sheet::Csv({entry}),
            "File,Position,ID,Sizes,Depths,SHA-256 of largest image\r\n"
            "\"C:\\a,b\\say \"\"hi\"\".dll\",cursor 0,IDI_APP,\"48, 32\",32,ab\r\n");
  EXPECT_EQ(sheet::CsvField("two\r\nlines"), "\"two\r\nlines\"");
}

}  // namespace
