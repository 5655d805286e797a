// The pane below the icon list that shows what one icon stores: every image at its own size,
// side by side on a light checkerboard (so transparency shows), largest first, each labelled
// with its size and depth. A cursor's images have their hotspot marked; an animated cursor's
// first picture plays its frames at their rates while the pane is shown. It scrolls when the
// images do not fit.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "iconres/IconFile.h"
#include "ui/Component.h"

struct IconSource;

class PreviewPane : public ui::Control {
 public:
  struct Picture {
    std::string label;  // "256 x 256, 32-bit, PNG"
    int width = 0, height = 0;
    bool shown = false;  // false: the platform refused the image, which is said under its label
    win::UniqueBitmap pixels;  // PNG images: 32-bit, premultiplied, top-down
    win::UniqueIcon icon;      // bitmap images
    bool cursor = false;       // the hotspot is marked
    POINT hotspot{};
  };
  // One frame of an animated cursor as the first picture shows it, and for how long (ms).
  struct Frame {
    win::UniqueIcon icon;
    UINT milliseconds = 0;
  };

  // Decodes and shows every image the group names that its file holds; PNG images through
  // the platform's imaging library, bitmaps through the platform's icons. An image neither
  // accepts is shown by its label alone.
  void ShowIcon(const iconres::IconFile& file, std::size_t group);
  // While the pane is shown: the icon list's entry at slot, read again from its source's file,
  // unless the pane shows that slot already; a slot without a source empties the pane.
  void ShowSlot(int slot, const IconSource* source);
  // Empties the pane and forgets the slot it showed.
  void Clear();
  const std::vector<Picture>& Pictures() const { return pictures_; }
  // The line above the images: the shown slot's location, when it has one.
  const std::string& Heading() const { return heading_; }
  // An animated cursor's steps, in the order they play; empty for anything else.
  const std::vector<Frame>& Steps() const { return steps_; }
  // The step shown now: 0 while the pane is hidden.
  std::size_t Step() const { return step_; }
  // How far the content reaches, for the scroll bars.
  SIZE ContentSize() const { return content_; }

 protected:
  HWND CreateHandle(const ui::Props& props, HWND parent) override;
  bool WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  struct Cell {
    RECT image, label;
  };
  std::vector<Cell> Arrange() const;
  void UpdateScrollBars();
  void ScrollTo(int x, int y);
  void OnScroll(int bar, WORD request);
  void Paint(HDC dc, const RECT& client) const;
  // Plays the steps from the first while the pane is shown, else stops on the first.
  void Animate();
  void NextStep();

  std::vector<Picture> pictures_;
  std::string heading_;
  std::vector<Frame> steps_;
  std::size_t step_ = 0;
  int slot_ = -1;  // the slot ShowSlot shows, or -1
  SIZE content_{};
  POINT offset_{};
  HFONT font_ = nullptr;  // the form's, given by WM_SETFONT
  win::UniqueBrush checker_;
};
