// The list view: items are the control's own (caption, sub-items, image, selection).
#pragma once
#include "ui/Component.h"

namespace ui {

class ImageList;

class ListView : public Control {
 public:
  // Column widths follow the scale.
  void DpiChanged(int from, int to) override;
  // The lists the large and small icon views draw from; the control does not own them.
  void SetImageLists(const ImageList* large, const ImageList* small);
  // Lists of the same sizes in place of those: the entries keep their places.
  void ReplaceImageLists(const ImageList& large, const ImageList& small);
  int Count() const { return ListView_GetItemCount(Handle()); }
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
  int FocusedItem() const { return ListView_GetNextItem(Handle(), -1, LVNI_FOCUSED); }
  void SetFocused(int item);
  int SelCount() const { return ListView_GetSelectedCount(Handle()); }
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
  void Scroll(int dx, int dy) { ListView_Scroll(Handle(), dx, dy); }
  void MakeVisible(int item, bool partialOk) { ListView_EnsureVisible(Handle(), item, partialOk); }

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
  ViewStyle view_ = ViewStyle::Icon;
  int updating_ = 0;
};

}  // namespace ui
