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

struct CaptionSort {
  std::vector<std::string>* captions;
  int (*compare)(const char*, const char*);
  CallbackErrors errors;
};

int CALLBACK CompareCaptions(LPARAM a, LPARAM b, LPARAM c) {
  auto* x = reinterpret_cast<CaptionSort*>(c);
  return x->errors.Run(0, [&] {
    int r = x->compare((*x->captions)[a].c_str(), (*x->captions)[b].c_str());
    return r != 0 ? r : (a < b ? -1 : a > b ? 1 : 0);
  });
}
int CALLBACK CompareRanks(LPARAM a, LPARAM b, LPARAM c) {
  const auto& ranks = *reinterpret_cast<const std::vector<int>*>(c);
  auto rank = [&](LPARAM i) { return i >= 0 && static_cast<std::size_t>(i) < ranks.size() ? ranks[i] : INT_MAX; };
  const int x = rank(a), y = rank(b);
  return x != y ? (x < y ? -1 : 1) : (a < b ? -1 : a > b ? 1 : 0);
}
}  // namespace

HWND ListView::CreateHandle(const Props& p, HWND parent) {
  view_ = p.view;
  DWORD style = StyleOf(view_) | LVS_SHAREIMAGELISTS | LVS_AUTOARRANGE | WS_TABSTOP;
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
  if (Count() > 0 && (GetWindowLongA(Handle(), GWL_STYLE) & LVS_AUTOARRANGE)) ListView_Arrange(Handle(), LVA_DEFAULT);
}

void ListView::ReplaceImageLists(const ImageList& large, const ImageList& small) {
  ListView_SetImageList(Handle(), large.Handle(), LVSIL_NORMAL);
  ListView_SetImageList(Handle(), small.Handle(), LVSIL_SMALL);
}

void ListView::DpiChanged(int from, int to) {
  HWND header = ListView_GetHeader(Handle());
  const int columns = header ? Header_GetItemCount(header) : 0;
  for (int i = 0; i < columns; ++i) ListView_SetColumnWidth(Handle(), i, MulDiv(ListView_GetColumnWidth(Handle(), i), to, from));
}

int ListView::AddItem(const std::string& caption, int imageIndex) {
  LVITEMA it{};
  // The parameter is the position, as a sort by caption wants it.
  it.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  it.iItem = Count();
  it.lParam = it.iItem;
  it.pszText = const_cast<char*>(caption.c_str());
  it.iImage = imageIndex;
  return static_cast<int>(SendMessageA(Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it)));
}

void ListView::SetSubItem(int item, int sub, const std::string& text) {
  LVITEMA it{};
  it.iSubItem = sub;
  it.pszText = const_cast<char*>(text.c_str());
  SendMessageA(Handle(), LVM_SETITEMTEXTA, item, reinterpret_cast<LPARAM>(&it));
}

std::string ListView::SubItem(int item, int sub) const {
  // Read wide, with room for the longest text: an ANSI read into a fixed buffer would cut a
  // long name, perhaps inside a character.
  std::wstring buf(MAX_PATH + 1, L'\0');
  for (;;) {
    LVITEMW it{};
    it.iSubItem = sub;
    it.pszText = buf.data();
    it.cchTextMax = static_cast<int>(buf.size());
    const LRESULT n = SendMessageW(Handle(), LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&it));
    if (n < 0 || static_cast<size_t>(n) + 1 < buf.size() || buf.size() >= 32768) {
      buf.resize(wcsnlen(buf.data(), buf.size()));
      return win::Narrow(buf);
    }
    buf.assign(buf.size() * 2, L'\0');
  }
}

std::string ListView::Caption(int item) const { return SubItem(item, 0); }

int ListView::ImageIndex(int item) const {
  LVITEMA it{};
  it.mask = LVIF_IMAGE;
  it.iItem = item;
  SendMessageA(Handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
  return it.iImage;
}

bool ListView::Selected(int item) const { return ListView_GetItemState(Handle(), item, LVIS_SELECTED) != 0; }

void ListView::SetSelected(int item, bool on) {
  ListView_SetItemState(Handle(), item, on ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

bool ListView::Focused(int item) const { return ListView_GetItemState(Handle(), item, LVIS_FOCUSED) != 0; }

void ListView::SetFocused(int item) { ListView_SetItemState(Handle(), item, LVIS_FOCUSED, LVIS_FOCUSED); }

void ListView::Clear() {
  BeginUpdate();
  ListView_DeleteAllItems(Handle());
  EndUpdate();
}

void ListView::BeginUpdate() {
  if (updating_++ == 0) SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
}

void ListView::EndUpdate() {
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
  // Item parameters carry the current positions, so the order among equal captions is kept.
  // Appended items already carry their positions; setting a parameter is a change the control
  // reports, so only parameters that differ are set.
  int n = Count();
  std::vector<std::string> captions(n);
  for (int i = 0; i < n; ++i) {
    captions[i] = Caption(i);
    LVITEMA it{};
    it.mask = LVIF_PARAM;
    it.iItem = i;
    SendMessageA(Handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
    if (it.lParam == i) continue;
    it.mask = LVIF_PARAM;
    it.lParam = i;
    SendMessageA(Handle(), LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
  }
  CaptionSort ctx{&captions, compare, {}};
  ListView_SortItems(Handle(), &CompareCaptions, reinterpret_cast<LPARAM>(&ctx));
  ctx.errors.Rethrow();
}

void ListView::SortByRanks(const std::vector<int>& ranks) {
  // Items listed in their order already (as folders mostly list) need no sort, which would
  // move and arrange every item again.
  bool inOrder = true;
  for (std::size_t i = 0; inOrder && i < ranks.size(); ++i) inOrder = ranks[i] == static_cast<int>(i);
  if (inOrder && ranks.size() == static_cast<std::size_t>(Count())) return;
  ListView_SortItems(Handle(), &CompareRanks, reinterpret_cast<LPARAM>(&ranks));
}

bool ListView::HandleNotify(NMHDR& hdr, LRESULT& result) {
  // Entries keep nothing that needs letting go: emptying the list needs no notice per entry.
  if (hdr.code == LVN_DELETEALLITEMS) {
    result = TRUE;
    return true;
  }
  if (hdr.code == LVN_ITEMCHANGED) {
    OnChange(*this);
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
