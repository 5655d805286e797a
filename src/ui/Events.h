// Event fields of components: a handler with the sender first, set once by the layout.
#pragma once
#include <functional>

namespace ui {

class Component;

template <class... A>
class Event {
 public:
  using Handler = std::function<void(Component&, A...)>;
  Event& operator=(Handler h) { h_ = std::move(h); return *this; }
  explicit operator bool() const { return static_cast<bool>(h_); }
  void operator()(Component& sender, A... a) const {
    if (h_) h_(sender, std::forward<A>(a)...);
  }

 private:
  Handler h_;
};

using NotifyEvent = Event<>;

}  // namespace ui
