// A contact sheet: many icons at one edge on a light ground in a grid, each captioned with its
// file, position and resource id, written as PNG, with a .csv of the same entries beside it. A
// sheet is at most kMaxSheetSide pixels on a side; more entries than fit go on further sheets,
// numbered ("icons-1.png", "icons-2.png"). The window's "Contact Sheet..." and the command
// line's /sheet both make their sheets here.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "iconres/IconFile.h"

namespace sheet {

constexpr int kMaxSheetSide = 16384;
// The edge a sheet's icons are drawn at unless another is asked for.
constexpr int kDefaultSheetEdge = 48;

// One entry of a sheet and of its .csv.
struct Entry {
  std::string path;      // the file in full, as /list prints it
  std::string name;      // the caption: the file's name as the list shows it
  std::string position;  // the index text: "3", "cursor 0"
  std::string id;        // the resource id or name; empty where the file has none
  std::string sizes;     // the sound images' edges, largest first: "256, 48, 32"
  std::string depths;    // their bits per pixel, most first: "32, 8, 4"
  std::string sha256;    // of the largest sound image's stored bytes, in lower-case hex
  // The icon at the sheet's edge as PNG, as "PNG at Size..." saves it. Kept compressed: a
  // folder's thousands of icons at a large edge would not fit in memory as pixels.
  std::vector<std::uint8_t> png;
};

// The entry of group at edge: its picture made as PngAtEdge makes it. Raises ENoSoundImage
// when no image is sound, EInvalidGraphic when none can be decoded.
Entry EntryOf(const iconres::IconFile& file, std::size_t group, const std::string& path, const std::string& name,
              const std::string& position, int edge);

// Where the entries go: every sheet full but the last, each grid about as wide as high.
class Layout {
 public:
  // Measures the captions in the GUI font. Raises EInvalidGraphic when not one cell fits.
  Layout(std::size_t entries, int edge, int maxSide = kMaxSheetSide);

  std::size_t Sheets() const { return sheets_; }
  // The entries of a sheet: from First(sheet), Count(sheet) of them.
  std::size_t First(std::size_t sheet) const { return sheet * perSheet_; }
  std::size_t Count(std::size_t sheet) const;
  int Columns(std::size_t sheet) const;
  int Rows(std::size_t sheet) const;
  int Width(std::size_t sheet) const { return Columns(sheet) * cellWidth_; }
  int Height(std::size_t sheet) const { return Rows(sheet) * cellHeight_; }
  int CellHeight() const { return cellHeight_; }
  int LineHeight() const { return lineHeight_; }

  // In its sheet's pixels: an entry's whole cell, its icon, and the box its caption is drawn
  // in (the name wrapped over its first lines, then the position, then the id).
  RECT Cell(std::size_t entry) const;
  RECT IconBox(std::size_t entry) const;
  RECT CaptionBox(std::size_t entry) const;

 private:
  std::size_t entries_, perSheet_ = 1, sheets_ = 0;
  int edge_, cellWidth_ = 0, cellHeight_ = 0, lineHeight_ = 0, maxColumns_ = 1, maxRows_ = 1;
};

// One sheet of the entries as PNG, drawn a row of cells at a time.
std::vector<std::uint8_t> DrawSheet(const Layout& layout, const std::vector<Entry>& entries, std::size_t sheet);

// A field as RFC 4180 writes it: quoted, its quotes doubled, where it holds a comma, a quote or
// a line break.
std::string CsvField(std::string_view text);
// The entries as a .csv, a header line first, every line ended by CR LF; UTF-8.
std::string Csv(const std::vector<Entry>& entries);

// The files a sheet set was written to.
struct Written {
  std::vector<std::string> sheets;
  std::string csv;
};

// Writes the entries' sheets and their .csv beside `output` (a .png file's path; ".png" is
// added where it has another extension): one sheet as output itself, several as "name-1.png",
// "name-2.png" ...; the .csv as "name.csv". Nothing is overwritten: where any name of the set is
// taken, the whole set gets underscores in front, as Save As names its files. Raises as the
// save does (EFCreateError "Cannot create file ...").
Written WriteSheets(const std::vector<Entry>& entries, int edge, const std::string& output,
                    int maxSide = kMaxSheetSide);

}  // namespace sheet
