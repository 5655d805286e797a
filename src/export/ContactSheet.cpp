// Contact sheets: the grid, its drawing onto a memory DC a row of cells at a time, the .csv and
// the set's names.
#include "export/ContactSheet.h"

#include <bcrypt.h>

#include <algorithm>
#include <memory>

#include "export/PngCodec.h"
#include "export/SaveImage.h"
#include "export/SizedIcon.h"
#include "export/StoredIcon.h"
#include "extract/IconLocation.h"
#include "extract/StoredImages.h"
#include "win/Errors.h"
#include "win/Handles.h"
#include "win/LongPath.h"
#include "win/PathText.h"
#include "win/Text.h"

namespace sheet {

namespace {

// Room around a cell's icon and caption; the name gets this many lines before it is cut.
constexpr int kPad = 6, kNameLines = 3;
// A caption needs some width even under a 16-pixel icon.
constexpr int kMinCaptionWidth = 104;
constexpr std::uint8_t kGround[3] = {0xF7, 0xF7, 0xF7};  // blue, green, red
constexpr COLORREF kNameColour = RGB(0x20, 0x20, 0x20), kDetailColour = RGB(0x5A, 0x5A, 0x5A);

std::string Hex(const std::vector<UCHAR>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (UCHAR b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return text;
}

std::string Sha256(iconres::ByteSpan bytes) {
  auto check = [](NTSTATUS status) {
    if (status < 0) throw win::Exception("Cannot compute the image's SHA-256 hash");
  };
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  check(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0));
  const std::unique_ptr<void, void (*)(void*)> closeAlgorithm(algorithm, [](void* a) { BCryptCloseAlgorithmProvider(a, 0); });
  BCRYPT_HASH_HANDLE hash = nullptr;
  check(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
  const std::unique_ptr<void, void (*)(void*)> closeHash(hash, [](void* h) { BCryptDestroyHash(h); });
  // Stored images are at most a few megabytes; a ULONG holds any of them.
  check(BCryptHashData(hash, const_cast<PUCHAR>(bytes.data()), static_cast<ULONG>(bytes.size()), 0));
  std::vector<UCHAR> digest(32);
  check(BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
  return Hex(digest);
}

// The GUI font's line height, measured once per layout.
int GuiLineHeight() {
  win::UniqueDC dc(CreateCompatibleDC(nullptr));
  if (!dc) throw win::Exception("Cannot draw the contact sheet");
  win::SelectInDC font(dc.get(), GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW metrics{};
  if (!GetTextMetricsW(dc.get(), &metrics) || metrics.tmHeight <= 0) return 16;
  return metrics.tmHeight;
}

// The straight-alpha pixels over the ground, into a band's rows at (x, y).
void PutIcon(std::uint8_t* band, int bandWidth, const pngcodec::Pixels& icon, int x, int y) {
  for (UINT row = 0; row < icon.height; ++row) {
    std::uint8_t* out = band + (static_cast<std::size_t>(y + static_cast<int>(row)) * bandWidth + x) * 4;
    const std::uint8_t* in = icon.bgra.data() + std::size_t{row} * icon.width * 4;
    for (UINT col = 0; col < icon.width; ++col, out += 4, in += 4) {
      const unsigned a = in[3];
      for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>((in[c] * a + kGround[c] * (255 - a) + 127) / 255);
    }
  }
}

void Caption(HDC dc, const Entry& entry, RECT box, int lineHeight) {
  // DT_EDITCONTROL breaks a name too long for one line inside its words, and leaves out a line
  // the box would cut.
  const UINT wrapped = DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;
  RECT name = box;
  win::DrawText(dc, entry.name, name, wrapped | DT_CALCRECT);
  // The position and id follow the name's lines, however many it takes up to its room.
  const int lines = std::clamp(static_cast<int>((name.bottom - name.top + lineHeight - 1) / lineHeight), 1, kNameLines);
  name = box;
  name.bottom = name.top + lines * lineHeight;
  SetTextColor(dc, kNameColour);
  win::DrawText(dc, entry.name, name, wrapped);
  SetTextColor(dc, kDetailColour);
  const UINT line = DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
  RECT position{box.left, name.bottom, box.right, name.bottom + lineHeight};
  win::DrawText(dc, "Position " + entry.position, position, line);
  RECT id{box.left, position.bottom, box.right, position.bottom + lineHeight};
  win::DrawText(dc, entry.id.empty() ? std::string("No resource ID") : "ID " + entry.id, id, line);
}

}  // namespace

Entry EntryOf(const iconres::IconFile& file, std::size_t group, const std::string& path, const std::string& name,
              const std::string& position, int edge) {
  if (group >= file.contents.groups.size()) throw ENoSoundImage();
  const iconres::IconGroup& g = file.contents.groups[group];
  Entry entry{.path = path, .name = name, .position = position, .id = location::ResourceText(g.resource)};
  entry.png = PngAtEdge(file, group, edge).bytes;
  std::vector<const iconres::IconImage*> sound;
  for (const iconres::IconImage* image : storedimages::LargestFirst(g))
    if (file.Sound(*image)) sound.push_back(image);
  if (sound.empty()) throw ENoSoundImage();
  entry.sizes = storedimages::SizesText(g);
  std::vector<int> depths;
  for (const iconres::IconImage* image : sound) depths.push_back(image->bitCount);
  std::sort(depths.rbegin(), depths.rend());
  depths.erase(std::unique(depths.begin(), depths.end()), depths.end());
  for (int depth : depths) entry.depths += (entry.depths.empty() ? "" : ", ") + std::to_string(depth);
  entry.sha256 = Sha256(file.Bytes(*sound.front()));
  return entry;
}

Layout::Layout(std::size_t entries, int edge, int maxSide) : entries_(entries), edge_(edge) {
  lineHeight_ = GuiLineHeight();
  cellWidth_ = std::max(edge, kMinCaptionWidth) + 2 * kPad;
  cellHeight_ = kPad + edge + kPad + (kNameLines + 2) * lineHeight_ + kPad;
  maxColumns_ = maxSide / cellWidth_;
  maxRows_ = maxSide / cellHeight_;
  if (maxColumns_ < 1 || maxRows_ < 1) throw EInvalidGraphic("A contact sheet cannot hold icons of this size");
  perSheet_ = static_cast<std::size_t>(maxColumns_) * static_cast<std::size_t>(maxRows_);
  sheets_ = (entries + perSheet_ - 1) / perSheet_;
}

std::size_t Layout::Count(std::size_t sheet) const {
  if (sheet >= sheets_) return 0;
  return std::min(perSheet_, entries_ - First(sheet));
}

int Layout::Columns(std::size_t sheet) const {
  const std::size_t count = Count(sheet);
  if (count == 0) return 0;
  // About as many columns as rows, as the side allows.
  std::size_t columns = 1;
  while (columns * columns < count) ++columns;
  columns = std::min(columns, static_cast<std::size_t>(maxColumns_));
  const auto rowsAllowed = static_cast<std::size_t>(maxRows_);
  if ((count + columns - 1) / columns > rowsAllowed) columns = (count + rowsAllowed - 1) / rowsAllowed;
  return static_cast<int>(columns);
}

int Layout::Rows(std::size_t sheet) const {
  const int columns = Columns(sheet);
  if (columns == 0) return 0;
  return static_cast<int>((Count(sheet) + static_cast<std::size_t>(columns) - 1) / static_cast<std::size_t>(columns));
}

RECT Layout::Cell(std::size_t entry) const {
  const std::size_t sheet = entry / perSheet_, at = entry % perSheet_;
  const auto columns = static_cast<std::size_t>(Columns(sheet));
  const int left = static_cast<int>(at % columns) * cellWidth_, top = static_cast<int>(at / columns) * cellHeight_;
  return {left, top, left + cellWidth_, top + cellHeight_};
}

RECT Layout::IconBox(std::size_t entry) const {
  const RECT cell = Cell(entry);
  const int left = cell.left + (cellWidth_ - edge_) / 2, top = cell.top + kPad;
  return {left, top, left + edge_, top + edge_};
}

RECT Layout::CaptionBox(std::size_t entry) const {
  const RECT cell = Cell(entry);
  const int top = cell.top + kPad + edge_ + kPad;
  return {cell.left + kPad, top, cell.right - kPad, top + (kNameLines + 2) * lineHeight_};
}

std::vector<std::uint8_t> DrawSheet(const Layout& layout, const std::vector<Entry>& entries, std::size_t sheet) {
  const int width = layout.Width(sheet), bandHeight = layout.CellHeight();
  if (width <= 0 || layout.First(sheet) + layout.Count(sheet) > entries.size()) throw EInvalidGraphic("No entries for the sheet");
  pngcodec::PngBands png(static_cast<UINT>(width), static_cast<UINT>(layout.Height(sheet)));
  // One row of cells at a time: a whole sheet may be a gigabyte of pixels.
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -bandHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  win::UniqueBitmap band(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  win::UniqueDC dc(CreateCompatibleDC(nullptr));
  if (!band || !bits || !dc) throw win::Exception("Not enough memory to draw the contact sheet");
  win::SelectInDC keepBand(dc.get(), band.get());
  win::SelectInDC font(dc.get(), GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc.get(), TRANSPARENT);
  auto* pixels = static_cast<std::uint8_t*>(bits);
  const std::size_t bandBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(bandHeight) * 4;
  const auto columns = static_cast<std::size_t>(layout.Columns(sheet));
  for (int row = 0; row < layout.Rows(sheet); ++row) {
    GdiFlush();
    for (std::size_t i = 0; i < bandBytes; i += 4) std::copy_n(kGround, 3, pixels + i);
    const std::size_t first = layout.First(sheet) + static_cast<std::size_t>(row) * columns;
    const std::size_t end = std::min(first + columns, layout.First(sheet) + layout.Count(sheet));
    const int top = row * bandHeight;
    for (std::size_t e = first; e < end; ++e) {
      const RECT box = layout.IconBox(e);
      const UINT edge = static_cast<UINT>(box.right - box.left);
      const pngcodec::Pixels icon = pngcodec::FitToSquare(pngcodec::DecodePngImage(entries[e].png), edge);
      PutIcon(pixels, width, icon, box.left, box.top - top);
    }
    for (std::size_t e = first; e < end; ++e) {
      RECT caption = layout.CaptionBox(e);
      OffsetRect(&caption, 0, -top);
      Caption(dc.get(), entries[e], caption, layout.LineHeight());
    }
    GdiFlush();
    // GDI leaves the alpha of what it drew at 0; the sheet is opaque.
    for (std::size_t i = 3; i < bandBytes; i += 4) pixels[i] = 0xFF;
    png.Write({pixels, bandBytes});
  }
  return png.Finish();
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string Csv(const std::vector<Entry>& entries) {
  std::string csv = "File,Position,ID,Sizes,Depths,SHA-256 of largest image\r\n";
  for (const Entry& e : entries) {
    for (const std::string* field : {&e.path, &e.position, &e.id, &e.sizes, &e.depths})
      csv += CsvField(*field) + ",";
    csv += CsvField(e.sha256) + "\r\n";
  }
  return csv;
}

Written WriteSheets(const std::vector<Entry>& entries, int edge, const std::string& output, int maxSide) {
  if (entries.empty()) throw EInvalidGraphic("No icons to put on a contact sheet");
  const Layout layout(entries.size(), edge, maxSide);
  std::string base = output;
  if (const std::string extension = pathtext::Extension(output); win::CompareText(extension, ".png", NORM_IGNORECASE) == 0)
    base.resize(output.size() - extension.size());
  const std::string folder = pathtext::DirectoryPart(base), stem = pathtext::NamePart(base);
  std::vector<std::string> names;
  for (std::size_t s = 0; s < layout.Sheets(); ++s)
    names.push_back(stem + (layout.Sheets() == 1 ? std::string() : "-" + std::to_string(s + 1)) + ".png");
  names.push_back(stem + ".csv");
  // The set keeps one name: where any of its files is taken, all of them move aside alike.
  std::string prefix;
  auto taken = [&] {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return PathIsTaken(folder + prefix + n); });
  };
  while (taken() && win::PlatformLength(folder + prefix + names.back()) < win::kLongPathLimit) prefix += "_";
  auto save = [&](std::vector<std::uint8_t> bytes, const std::string& name, const char* extension) {
    TStoredImage file(std::move(bytes), 0, 0, extension);
    // Taken since the search by another program: that file goes on from the next free name.
    if (SaveGraphicToNewFile(file, folder + prefix + name)) return folder + prefix + name;
    return SaveGraphicToFreeName(file, folder, prefix + name);
  };
  Written written;
  for (std::size_t s = 0; s < layout.Sheets(); ++s) written.sheets.push_back(save(DrawSheet(layout, entries, s), names[s], ".png"));
  const std::string csv = Csv(entries);
  written.csv = save({csv.begin(), csv.end()}, names.back(), ".csv");
  return written;
}

}  // namespace sheet
