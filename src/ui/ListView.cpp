// The list view control.
#include "ui/ListView.h"

#include <algorithm>
#include <climits>
#include <numeric>

#include "ui/Form.h"
#include "ui/Guard.h"
#include "ui/Images.h"
#include "win/Text.h"

namespace ui {

namespace {
DWORD StyleOf(ViewStyle v) {
  switch (v) {
    case ViewStyle::SmallIcon: return LVS_SMALLICON;
    case ViewStyle::List: return LVS_LIST;
    case ViewStyle::Report: return LVS_REPORT;
    default: return LVS_ICON;
  }
}

}  // namespace

HWND ListView::CreateHandle(const Props& p, HWND parent) {
  view_ = p.view;
  DWORD style = StyleOf(view_) | LVS_OWNERDATA | LVS_SHAREIMAGELISTS | LVS_AUTOARRANGE | WS_TABSTOP;
  if (!p.multiSelect) style |= LVS_SINGLESEL;
  if (!p.hideSelection) style |= LVS_SHOWSELALWAYS;
  if (!p.readOnly) style |= LVS_EDITLABELS;
  HWND w = CreateChild(WC_LISTVIEWA, style, WS_EX_CLIENTEDGE, parent);
  if (p.infoTips) ListView_SetExtendedListViewStyleEx(w, LVS_EX_INFOTIP, LVS_EX_INFOTIP);
  Form& form = *OwnerForm();
  if (ImageList* large = p.images.In(form)) ListView_SetImageList(w, large->Handle(), LVSIL_NORMAL);
  if (ImageList* small = p.smallImages.In(form)) ListView_SetImageList(w, small->Handle(), LVSIL_SMALL);
  int i = 0;
  for (const Column& c : p.columns) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    col.fmt = c.rightAligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
    col.cx = form.Scale(c.width);
    columnWidths_.push_back(c.width);
    col.pszText = const_cast<char*>(c.caption);
    col.iSubItem = i;
    SendMessageA(w, LVM_INSERTCOLUMNA, i++, reinterpret_cast<LPARAM>(&col));
  }
  return w;
}

void ListView::SetImageLists(const ImageList* large, const ImageList* small) {
  ListView_SetImageList(Handle(), large ? large->Handle() : nullptr, LVSIL_NORMAL);
  ListView_SetImageList(Handle(), small ? small->Handle() : nullptr, LVSIL_SMALL);
  // The control spaces its icons by the system's metrics, which are for the system's DPI; at
  // another, it is given the system's spacing for that DPI.
  const int dpi = OwnerForm() ? OwnerForm()->Dpi() : SystemDpi();
  if (dpi == SystemDpi()) ListView_SetIconSpacing(Handle(), -1, -1);
  else ListView_SetIconSpacing(Handle(), MetricForDpi(SM_CXICONSPACING, dpi), MetricForDpi(SM_CYICONSPACING, dpi));
  // Entries already placed keep their places until arranged at the new spacing.
  Sync();
  if (Count() > 0 && (GetWindowLongA(Handle(), GWL_STYLE) & LVS_AUTOARRANGE)) ListView_Arrange(Handle(), LVA_DEFAULT);
}

void ListView::ReplaceImageLists(const ImageList& large, const ImageList& small) {
  ListView_SetImageList(Handle(), large.Handle(), LVSIL_NORMAL);
  ListView_SetImageList(Handle(), small.Handle(), LVSIL_SMALL);
}

void ListView::DpiChanged(int from, int) {
  // The header's widths: the control reports and sets a column's width in the details view only.
  HWND header = ListView_GetHeader(Handle());
  for (int i = 0; i < static_cast<int>(columnWidths_.size()); ++i) {
    int& width = columnWidths_[static_cast<std::size_t>(i)];
    // A width other than the one last laid out is the user's: in design units from now on.
    HDITEMA shown{};
    shown.mask = HDI_WIDTH;
    if (header && Header_GetItem(header, i, &shown) && shown.cxy != Scaled(width, from)) width = Unscaled(shown.cxy, from);
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH;
    column.cx = OwnerForm()->Scale(width);
    ListView_SetColumn(Handle(), i, &column);
  }
}

std::string_view ListView::Text(const Row& row, int sub) {
  std::string_view texts = row.texts;
  for (; sub > 0; --sub) {
    const std::size_t end = texts.find('\0');
    if (end == std::string_view::npos) return {};
    texts.remove_prefix(end + 1);
  }
  return texts.substr(0, texts.find('\0'));
}

void ListView::Sync() const {
  if (told_ == rows_.size()) return;
  const bool grew = rows_.size() > told_;
  told_ = rows_.size();
  // In the icon views the control brings its focused entry into view as its count changes,
  // whatever it is told: the view is put back where it was.
  POINT before{}, after{};
  const bool focused = ListView_GetNextItem(Handle(), -1, LVNI_FOCUSED) >= 0;
  if (focused) ListView_GetOrigin(Handle(), &before);
  ListView_SetItemCountEx(Handle(), static_cast<int>(told_), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  // Wine places new entries of the icon views only when arranging, and when that waits for the
  // drawing to resume, it repaints each of them there on its own (70 us an entry): placed now,
  // while the drawing may still be held, they are painted with the rest.
  if (grew && (view_ == ViewStyle::Icon || view_ == ViewStyle::SmallIcon)) ListView_Arrange(Handle(), LVA_DEFAULT);
  if (focused && ListView_GetOrigin(Handle(), &after) && (after.x != before.x || after.y != before.y))
    ListView_Scroll(Handle(), before.x - after.x, before.y - after.y);
  if (!updating_) InvalidateRect(Handle(), nullptr, TRUE);
}

int ListView::AddItem(const std::string& caption, int imageIndex) {
  Row row{caption, imageIndex};
  row.texts.push_back('\0');
  rows_.push_back(std::move(row));
  if (!updating_) Sync();
  return Count() - 1;
}

void ListView::SetSubItem(int item, int sub, const std::string& text) {
  if (item < 0 || item >= Count() || sub < 0) return;
  Row& row = rows_[static_cast<std::size_t>(item)];
  const int had = static_cast<int>(std::count(row.texts.begin(), row.texts.end(), '\0'));
  std::string texts;
  for (int i = 0; i < std::max(had, sub + 1); ++i) texts.append(i == sub ? std::string_view(text) : Text(row, i)).push_back('\0');
  row.texts = std::move(texts);
  if (!updating_) ListView_RedrawItems(Handle(), item, item);
}

std::string ListView::SubItem(int item, int sub) const {
  if (item < 0 || item >= Count()) return {};
  return std::string(Text(rows_[static_cast<std::size_t>(item)], sub));
}

std::string ListView::Caption(int item) const { return SubItem(item, 0); }

int ListView::ImageIndex(int item) const {
  return item >= 0 && item < Count() ? rows_[static_cast<std::size_t>(item)].image : -1;
}

bool ListView::Selected(int item) const {
  Sync();
  return ListView_GetItemState(Handle(), item, LVIS_SELECTED) != 0;
}

void ListView::SetSelected(int item, bool on) {
  Sync();
  ListView_SetItemState(Handle(), item, on ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

bool ListView::Focused(int item) const {
  Sync();
  return ListView_GetItemState(Handle(), item, LVIS_FOCUSED) != 0;
}

int ListView::FocusedItem() const {
  Sync();
  return ListView_GetNextItem(Handle(), -1, LVNI_FOCUSED);
}

void ListView::SetFocused(int item) {
  Sync();
  ListView_SetItemState(Handle(), item, LVIS_FOCUSED, LVIS_FOCUSED);
}

int ListView::SelCount() const {
  Sync();
  return static_cast<int>(ListView_GetSelectedCount(Handle()));
}

void ListView::Scroll(int dx, int dy) {
  Sync();
  ListView_Scroll(Handle(), dx, dy);
}

void ListView::MakeVisible(int item, bool partialOk) {
  Sync();
  ListView_EnsureVisible(Handle(), item, partialOk);
}

void ListView::Clear() {
  BeginUpdate();
  rows_.clear();
  rows_.shrink_to_fit();
  told_ = 0;
  ListView_DeleteAllItems(Handle());
  EndUpdate();
}

void ListView::BeginUpdate() {
  if (updating_++ == 0) SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
}

void ListView::EndUpdate() {
  if (updating_ == 1) Sync();
  if (--updating_ == 0) {
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Handle(), nullptr, TRUE);
  }
}

void ListView::SetView(ViewStyle v) {
  view_ = v;
  LONG_PTR style = GetWindowLongPtrA(Handle(), GWL_STYLE);
  SetWindowLongPtrA(Handle(), GWL_STYLE, (style & ~LVS_TYPEMASK) | StyleOf(v));
  // Not every list redraws on its own when its view changes (Wine's left the old view's
  // pictures standing until something else was drawn over them).
  if (!updating_) Invalidate();
}

void ListView::SortByCaption(int (*compare)(const char*, const char*)) {
  std::vector<std::size_t> order(rows_.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  // Equal captions keep their order.
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return compare(Text(rows_[a], 0).data(), Text(rows_[b], 0).data()) < 0;
  });
  Reorder(order);
}

void ListView::SortByRanks(const std::vector<int>& ranks) {
  std::vector<std::size_t> order(rows_.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  auto rank = [&](std::size_t i) { return i < ranks.size() ? ranks[i] : INT_MAX; };
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return rank(a) < rank(b); });
  Reorder(order);
}

void ListView::Reorder(const std::vector<std::size_t>& order) {
  // Entries listed in their order already (as folders mostly list) are left as they are.
  bool inOrder = true;
  for (std::size_t k = 0; inOrder && k < order.size(); ++k) inOrder = order[k] == k;
  if (inOrder || order.size() != rows_.size()) return;
  Sync();
  std::vector<std::size_t> placeOf(order.size());
  for (std::size_t k = 0; k < order.size(); ++k) placeOf[order[k]] = k;
  std::vector<int> selected;
  for (int i = ListView_GetNextItem(Handle(), -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(Handle(), i, LVNI_SELECTED))
    selected.push_back(i);
  const int focused = ListView_GetNextItem(Handle(), -1, LVNI_FOCUSED);
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t k : order) sorted.push_back(std::move(rows_[k]));
  rows_ = std::move(sorted);
  // The same entries stay selected: nothing the list reports as a change.
  reordering_ = true;
  if (!selected.empty()) ListView_SetItemState(Handle(), -1, 0, LVIS_SELECTED);
  for (int i : selected) ListView_SetItemState(Handle(), static_cast<int>(placeOf[static_cast<std::size_t>(i)]), LVIS_SELECTED, LVIS_SELECTED);
  if (focused >= 0) ListView_SetItemState(Handle(), static_cast<int>(placeOf[static_cast<std::size_t>(focused)]), LVIS_FOCUSED, LVIS_FOCUSED);
  reordering_ = false;
  if (!updating_) InvalidateRect(Handle(), nullptr, TRUE);
}

int ListView::FindFrom(int start, UINT flags, std::wstring_view text) const {
  const int n = Count();
  if (!(flags & (LVFI_STRING | LVFI_PARTIAL)) || n == 0) return -1;
  start = start < 0 || start >= n ? 0 : start;
  const int len = static_cast<int>(text.size());
  for (int k = 0; k < n; ++k) {
    const int i = (start + k) % n;
    if (i < start && !(flags & LVFI_WRAP)) break;
    const std::wstring caption = win::Widen(Text(rows_[static_cast<std::size_t>(i)], 0));
    const int take = (flags & LVFI_PARTIAL) ? std::min(len, static_cast<int>(caption.size())) : static_cast<int>(caption.size());
    if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, caption.data(), take, text.data(), len) == CSTR_EQUAL) return i;
  }
  return -1;
}

bool ListView::HandleNotify(NMHDR& hdr, LRESULT& result) {
  // Entries keep nothing that needs letting go: emptying the list needs no notice per entry.
  if (hdr.code == LVN_DELETEALLITEMS) {
    result = TRUE;
    return true;
  }
  if (hdr.code == LVN_ITEMCHANGED || hdr.code == LVN_ODSTATECHANGED) {
    if (!reordering_) OnChange(*this);
    return true;
  }
  if (hdr.code == LVN_GETDISPINFOA || hdr.code == LVN_GETDISPINFOW) {
    // The item structures differ only in the text's type.
    LVITEMA& item = reinterpret_cast<NMLVDISPINFOA&>(hdr).item;
    if (item.iItem < 0 || item.iItem >= Count()) return false;
    const Row& row = rows_[static_cast<std::size_t>(item.iItem)];
    if ((item.mask & LVIF_IMAGE) && item.iSubItem == 0) item.iImage = row.image;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
      const std::string_view text = Text(row, item.iSubItem);
      if (hdr.code == LVN_GETDISPINFOA) {
        const size_t n = win::WholeCharacters(text, static_cast<size_t>(item.cchTextMax - 1));
        text.copy(item.pszText, n);
        item.pszText[n] = '\0';
      } else {
        const std::wstring wide = win::Widen(text);
        auto* out = reinterpret_cast<LPWSTR>(item.pszText);
        const size_t n = std::min(wide.size(), static_cast<size_t>(item.cchTextMax - 1));
        wide.copy(out, n);
        out[n] = L'\0';
      }
    }
    result = 0;
    return true;
  }
  if (hdr.code == LVN_ENDLABELEDITA) {
    // An edited caption the control does not keep: it is taken here.
    const LVITEMA& item = reinterpret_cast<NMLVDISPINFOA&>(hdr).item;
    if (item.pszText && item.iItem >= 0 && item.iItem < Count()) SetSubItem(item.iItem, 0, item.pszText);
    result = item.pszText != nullptr;
    return true;
  }
  if (hdr.code == LVN_ODFINDITEMA || hdr.code == LVN_ODFINDITEMW) {
    auto& find = reinterpret_cast<NMLVFINDITEMW&>(hdr);
    const std::wstring text = !find.lvfi.psz ? std::wstring()
                              : hdr.code == LVN_ODFINDITEMW
                                  ? std::wstring(find.lvfi.psz)
                                  : win::Widen(reinterpret_cast<NMLVFINDITEMA&>(hdr).lvfi.psz);
    result = FindFrom(find.iStart, find.lvfi.flags, text);
    return true;
  }
  if (hdr.code == LVN_BEGINDRAG) {
    OnBeginDrag(*this);
    return true;
  }
  if (hdr.code == LVN_GETINFOTIPA && OnInfoTip) {
    auto& tip = reinterpret_cast<NMLVGETINFOTIPA&>(hdr);
    std::string text;
    OnInfoTip(*this, tip.iItem, text);
    if (tip.pszText && tip.cchTextMax > 0) {
      const size_t n = win::WholeCharacters(text, static_cast<size_t>(tip.cchTextMax - 1));
      text.copy(tip.pszText, n);
      tip.pszText[n] = '\0';
    }
    result = 0;
    return true;
  }
  return false;
}

}  // namespace ui
