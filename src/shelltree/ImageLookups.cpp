// The folder tree's icon look-ups on a thread of their own.
#include "shelltree/ImageLookups.h"

#include <objbase.h>

#include <new>
#include <utility>

namespace shelltree {

ImageLookups::ImageLookups(std::function<int(LPCITEMIDLIST, bool)> lookUp, HWND answered, UINT message)
    : lookUp_(std::move(lookUp)), answered_(answered), message_(message), thread_([this] { Run(); }) {}

ImageLookups::~ImageLookups() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stop_ = true;
    questions_.clear();
  }
  wake_.notify_one();
  thread_.join();
}

void ImageLookups::Ask(std::uint64_t ticket, LPCITEMIDLIST item, bool open) {
  std::unique_ptr<ITEMIDLIST, FreeItem> copy(ILClone(item));
  if (!copy) throw std::bad_alloc();
  {
    std::lock_guard<std::mutex> hold(lock_);
    questions_.push_back({ticket, open, std::move(copy)});
  }
  wake_.notify_one();
}

std::vector<ImageLookups::Answer> ImageLookups::Take() {
  std::lock_guard<std::mutex> hold(lock_);
  posted_ = false;
  return std::exchange(answers_, {});
}

void ImageLookups::Run() {
  // The shell's look-ups want COM on the thread that makes them.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    wake_.wait(hold, [this] { return stop_ || !questions_.empty(); });
    if (stop_) break;
    Question q = std::move(questions_.front());
    questions_.pop_front();
    hold.unlock();
    int image = 0;
    try {
      image = lookUp_(q.item.get(), q.open);
    } catch (...) {
      // A look-up that throws answers as the shell does when it finds nothing.
    }
    q.item.reset();
    hold.lock();
    answers_.push_back({q.ticket, q.open, image});
    if (!posted_) posted_ = PostMessageA(answered_, message_, 0, 0) != FALSE;
  }
  hold.unlock();
  if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace shelltree
