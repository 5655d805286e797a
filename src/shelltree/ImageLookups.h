// The folder tree's icon look-ups for the rows it draws, on a thread of their own: under Wine
// the shell takes a tenth of a second for the icon of a folder of tens of thousands of files,
// and the window would not answer meanwhile.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace shelltree {

class ImageLookups {
 public:
  struct Answer {
    std::uint64_t ticket = 0;
    bool open = false;
    int image = 0;
  };
  // `lookUp` runs on the look-ups' thread. `message` is posted to `answered` when answers
  // wait and none is on its way.
  ImageLookups(std::function<int(LPCITEMIDLIST, bool)> lookUp, HWND answered, UINT message);
  ImageLookups(const ImageLookups&) = delete;
  ImageLookups& operator=(const ImageLookups&) = delete;
  // Questions not yet answered are dropped; a look-up under way is waited for.
  ~ImageLookups();

  // The item is copied; the answer carries the ticket.
  void Ask(std::uint64_t ticket, LPCITEMIDLIST item, bool open);
  std::vector<Answer> Take();

 private:
  struct FreeItem {
    void operator()(ITEMIDLIST* item) const { ILFree(item); }
  };
  struct Question {
    std::uint64_t ticket;
    bool open;
    std::unique_ptr<ITEMIDLIST, FreeItem> item;
  };
  void Run();

  std::function<int(LPCITEMIDLIST, bool)> lookUp_;
  HWND answered_;
  UINT message_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<Question> questions_;
  std::vector<Answer> answers_;
  bool posted_ = false, stop_ = false;
  std::thread thread_;  // last: it starts once everything it uses is made
};

}  // namespace shelltree
