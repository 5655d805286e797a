// The floor of the extraction run: a plain list view doing only the run's fixed steps per icon,
// with a clock around each step, and a count of the messages a thread handles meanwhile.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>

namespace ui {
class ListView;
}

namespace bench {

struct Loaded {
  int files = 0, icons = 0;
};

// Time spent per step of the floor's run.
enum Step { kCount, kLoad, kAdds, kInsert, kSubItem, kScroll, kRepaint, kFree, kMessages, kSteps };
extern const char* const kStepNames[kSteps];
struct Profile {
  double spent[kSteps] = {};
  int icons = 0;
};

// The bare loop plus only the run's fixed steps per icon, in a plain list view of the same
// kind and size as the main window's: an add to each image list, the insert with its
// sub-item, the 76-pixel scroll, the immediate repaint and one pass over the message queue.
// The image lists hold every icon from the start, so they never grow. At another display
// scale the lists, the icon and the scroll take the scaled sizes: one icon made at the shown
// size, as the platform makes it.
class Floor {
 public:
  // Exactly over the window's list, with its size and font, and shown only while it runs: both
  // lists paint the same area of the screen, all of it.
  Floor(const ui::ListView& like, int capacity);
  Floor(const Floor&) = delete;
  Floor& operator=(const Floor&) = delete;
  ~Floor();
  // Out of the way again; the window below repaints now rather than in its next run.
  void Hide();

  // batched: the list's redrawing held for the whole run, no scroll or repaint per icon: what
  // is left of each icon's cost when the screen is brought up to date once per frame.
  Loaded Run(const std::string& folder, Profile* profile = nullptr, bool batched = false);

 private:
  int shown_ = 32, step_ = 76;  // the large image edge and the scroll step at the scale
  RECT place_{};
  HWND window_ = nullptr, list_ = nullptr;
  HIMAGELIST large_ = nullptr, small_ = nullptr;
};

// Messages by identifier, posted and sent, that the calling thread handles while it lives, and
// the erasing and painting by window class.
class MessageCount {
 public:
  MessageCount(std::map<UINT, int>& counts, std::map<std::string, int>& drawn);
  ~MessageCount();
  MessageCount(const MessageCount&) = delete;
  MessageCount& operator=(const MessageCount&) = delete;

 private:
  HHOOK posted_, sent_;
};

}  // namespace bench
