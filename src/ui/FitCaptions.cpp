// Widening controls and their containers to their captions' measured widths.
#include "ui/FitCaptions.h"

#include <algorithm>
#include <map>
#include <string>
#include <unordered_map>

#include "ui/Form.h"
#include "ui/PageControl.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace ui {
namespace {

int ClientWidth(const Control& c) { return static_cast<int>(c.ClientRect().right); }

class Fitter {
 public:
  explicit Fitter(Control& root) { Remember(root); }

  // The extra client width c needs to hold its children, after they were fitted.
  int Shortfall(Control& c) {
    if (auto* pages = dynamic_cast<PageControl*>(&c)) {
      // The pages take the page control's size; it grows for the widest need among them.
      int most = 0;
      for (TabSheet* page : pages->Pages()) most = std::max(most, Needed(*page) - ClientWidth(*page));
      return std::max(most, 0);
    }
    return std::max(Needed(c) - ClientWidth(c), 0);
  }

 private:
  struct Design {
    int right = 0;  // right edge inside the container
    int gap = 0;    // room between that edge and the container's right side
    int width = 0;
  };

  void Remember(Control& c) {
    for (Control* child : c.Children()) {
      const int right = child->Left() + child->Width();
      design_[child] = {right, std::max(ClientWidth(c) - right, 0), child->Width()};
      Remember(*child);
    }
  }

  // Fits c's children and returns the client width c needs to hold them.
  int Needed(Control& c) {
    std::map<int, int> grownAt;  // a design right edge -> the most a control there grew
    for (Control* child : c.Children()) {
      if (child->GetAlign() != Align::None) continue;
      const int want = std::max(child->CaptionWidth(), child->Width() + Shortfall(*child));
      if (want > child->Width()) child->SetWidth(want);
      const Design& d = design_[child];
      int& grown = grownAt[d.right];
      grown = std::max(grown, child->Width() - d.width);
    }
    int needed = 0;
    for (Control* child : c.Children()) {
      if (child->GetAlign() != Align::None) continue;
      const Design& d = design_[child];
      const int right = d.right + grownAt[d.right];
      if (child->Left() + child->Width() < right) child->SetWidth(right - child->Left());
      needed = std::max(needed, child->Left() + child->Width() + d.gap);
    }
    return needed;
  }

  std::unordered_map<const Control*, Design> design_;
};

}  // namespace

int TextWidth(const Control& control, const char* text) {
  std::string shown;
  for (const char* p = text; *p; ++p) {
    if (*p == '&') {
      if (p[1] != '&') continue;
      ++p;
    }
    shown += *p;
  }
  HWND w = control.Handle();
  const win::WindowDC dc(w);
  if (!dc.get()) return 0;
  const win::SelectInDC font(dc.get(), reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0)));
  RECT r{0, 0, 0, 0};
  win::DrawText(dc.get(), shown, r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  return r.right - r.left;
}

void FitCaptions(Form& form) {
  Fitter fitter(form);
  const int extra = fitter.Shortfall(form);
  if (extra <= 0) return;
  const RECT r = form.WindowBounds();
  SetWindowPos(form.Handle(), nullptr, 0, 0, r.right - r.left + extra, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace ui
