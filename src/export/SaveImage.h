// File naming and safe writing for the Save As command and the batch's /save: one file per
// icon, never overwriting anything that was already in the destination folder. SaveOneIcon
// (IconSave.h) puts these together for one icon.
#pragma once
#include <memory>
#include <string>
#include <vector>
#include "export/Graphics.h"
#include "win/Handles.h"

// What the save command writes for each icon; the numbers are the kinds' order in the menus.
// OriginalIcon is the icon's group as its file stores it, as .ico; Png its largest image. The
// sized kinds take their edges from SaveKind: PngAtSize one PNG of one edge, EveryPng one PNG
// per stored image, IconWithSizes an .ico of the chosen edges (SizedIcon.h).
enum class OutputKind {
  Icon32 = 0, Icon16 = 1, Bitmap32 = 2, Bitmap16 = 3, OriginalIcon = 4, Png = 5,
  PngAtSize = 6, EveryPng = 7, IconWithSizes = 8
};

// Whether the kind is written from the icon's file rather than from the image lists.
constexpr bool IsStoredKind(OutputKind kind) { return kind >= OutputKind::OriginalIcon; }
// Whether a kind of the lists is written from the small one.
constexpr bool IsSmallKind(OutputKind kind) { return kind == OutputKind::Icon16 || kind == OutputKind::Bitmap16; }

// A kind with the edges it is saved at: PngAtSize's one edge, IconWithSizes' edges in the
// order asked; empty for the other kinds.
struct SaveKind {
  SaveKind(OutputKind k = OutputKind::Icon32, std::vector<int> e = {}) : kind(k), edges(std::move(e)) {}
  OutputKind kind;
  std::vector<int> edges;
};

// The graphic a kind that is not stored writes for an icon kept at slot in the large (32 x 32)
// and small (16 x 16) image lists: an icon copied from the list of its size, or a bitmap drawn
// from it.
std::unique_ptr<TGraphic> SlotGraphic(OutputKind kind, HIMAGELIST large, HIMAGELIST small, int slot);

// One icon at the saved sizes in lists of its own, filled as the window's lists are at 96 DPI:
// the large slot from the icon, the small one from the file's own small picture, or from the
// icon drawn small where the file has none. For saving and copying where the window's lists
// hold other sizes, and for the command line.
class SavedIcon {
 public:
  // The lists' image sizes: the saved large and small sizes.
  SavedIcon(int largeSize, int smallSize);
  // Holds these pictures in place of the ones before. Throws win::Exception when a list
  // refuses them.
  void Hold(HICON icon, HICON smallIcon);
  // Holds only the list `kind` is written from (as Hold fills it): for a small kind icon may be
  // null where smallIcon is given, for the others smallIcon is not used.
  void HoldFor(OutputKind kind, HICON icon, HICON smallIcon);
  // The lists, whose slot 0 holds the pictures.
  HIMAGELIST Large() const { return large_.get(); }
  HIMAGELIST Small() const { return small_.get(); }

 private:
  win::UniqueImageList large_, small_;
};

// The extension of the file a kind writes for this graphic: ".png" for Png, otherwise as
// GraphicExtension.
std::string KindExtension(OutputKind kind, const TGraphic& graphic);

// ".bmp" for a TBitmap, ".ico" for anything else.
std::string GraphicExtension(const TGraphic& graphic);

// Caption without its last extension, then the icon's index text, then the extension:
// ("shell32.dll", "3", ".ico") gives "shell323.ico".
std::string OutputFileName(const std::string& caption, const std::string& indexText,
                           const std::string& extension);

// Whether anything (file or folder) already has this path.
bool PathIsTaken(const std::string& path);

// The name with "_" put in front until folder + name is taken by nothing. The folder ends with "\".
std::string FreeFileName(const std::string& folder, const std::string& name);

// Saves the graphic to a path that must not exist yet. Returns false, touching nothing, when
// the path is already taken. When the save fails the file it created is removed again and
// the error is raised ("Cannot create file %s", "Stream write error" with the system's code,
// "... image is not valid").
bool SaveGraphicToNewFile(TGraphic& graphic, const std::string& path);

// Saves under folder + FreeFileName(folder, name) and returns the path written. The folder ends
// with "\". Errors as SaveGraphicToNewFile.
std::string SaveGraphicToFreeName(TGraphic& graphic, const std::string& folder, const std::string& name);
