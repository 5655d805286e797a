// The list view. Its entries' texts and images are kept here and given to the control as it
// draws them (an owner-data control); the control keeps only their selection and focus. Under
// Wine a control keeping 50,000 entries of its own holds about 800 MB, its item arrays grown a
// few entries at a time.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "ui/Component.h"

namespace ui {

class ImageList;

class ListView : public Control {
 public:
  // Column widths follow the scale; one the user has dragged keeps its new width.
  void DpiChanged(int from, int to) override;
  // The lists the large and small icon views draw from; the control does not own them.
  void SetImageLists(const ImageList* large, const ImageList* small);
  // Lists of the same sizes in place of those: the entries keep their places.
  void ReplaceImageLists(const ImageList& large, const ImageList& small);
  int Count() const { return static_cast<int>(rows_.size()); }
  // Appends an item; returns its position.
  int AddItem(const std::string& caption, int imageIndex);
  void SetSubItem(int item, int sub, const std::string& text);
  std::string Caption(int item) const;
  std::string SubItem(int item, int sub) const;
  int ImageIndex(int item) const;
  bool Selected(int item) const;
  void SetSelected(int item, bool on);
  bool Focused(int item) const;
  // The entry with the focus, or -1.
  int FocusedItem() const;
  void SetFocused(int item);
  int SelCount() const;
  void Clear();
  // Redrawing suspended inside the bracket; one redraw at the end. Brackets nest.
  void BeginUpdate();
  void EndUpdate();

  ViewStyle View() const { return view_; }
  void SetView(ViewStyle v);
  // Sorts by caption with the given comparison; equal captions keep their order.
  void SortByCaption(int (*compare)(const char*, const char*));
  // Puts the items in the order given: ranks[i] is the place of the item appended i-th (AddItem),
  // for items only appended since the list was emptied.
  void SortByRanks(const std::vector<int>& ranks);
  void Scroll(int dx, int dy);
  void MakeVisible(int item, bool partialOk);

  // Every change the control reports for an item (state, text or image).
  NotifyEvent OnChange;
  // The user starts dragging the selected entries with the left mouse button.
  NotifyEvent OnBeginDrag;
  // With the layout's infoTips: the text of the tip shown for an entry (item, text to set).
  Event<int, std::string&> OnInfoTip;

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;
  bool HandleNotify(NMHDR& hdr, LRESULT& result) override;

 private:
  // An entry: its caption and sub-items, each ended by a null character, and its image.
  struct Row {
    std::string texts;
    int image = -1;
  };
  static std::string_view Text(const Row& row, int sub);
  // Tells the control how many entries there are, once per change rather than per entry; every
  // call that reaches the control's entries comes here first.
  void Sync() const;
  // Puts the entries in the order given (order[k]: the entry that comes k-th), their selection
  // and focus going with them.
  void Reorder(const std::vector<std::size_t>& order);
  // The type-ahead search: the first entry from `start` on (then from the top, with LVFI_WRAP)
  // whose caption is the text, or begins with it (LVFI_PARTIAL), in any case; or -1.
  int FindFrom(int start, UINT flags, std::wstring_view text) const;

  ViewStyle view_ = ViewStyle::Icon;
  std::vector<int> columnWidths_;  // at 96 DPI
  int updating_ = 0;
  std::vector<Row> rows_;
  mutable std::size_t told_ = 0;  // the count the control was last given
  bool reordering_ = false;
};

}  // namespace ui
