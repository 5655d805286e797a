// Sibling comparison of the folder tree over the shell's CompareIDs.
#include "shelltree/SiblingOrder.h"

namespace shelltree {

bool IsFileItem(ULONG attributes) {
  return (attributes & SFGAO_FILESYSTEM) && !(attributes & SFGAO_FOLDER);
}

int CompareIDsResult(HRESULT hr) {
  if (FAILED(hr)) return 0;
  // Only the sign counts: some folders report the size of the difference, not just -1 or 1.
  short code = static_cast<short>(HRESULT_CODE(hr));
  return code > 0 ? 1 : code < 0 ? -1 : 0;
}

SiblingSort SiblingSortFor(bool firstIsFile, bool secondIsFile, TFileSortType type,
                           TFileSortOrder order) {
  if (firstIsFile && secondIsFile) return {static_cast<int>(type), order == so_Descending};
  return {static_cast<int>(so_Name), false};
}

int CompareItems(IShellFolder* folder, int column, LPCITEMIDLIST first, LPCITEMIDLIST second) {
  if (!folder) return 0;
  return CompareIDsResult(folder->CompareIDs(static_cast<LPARAM>(column), first, second));
}

int CompareSiblings(IShellFolder* folder, LPCITEMIDLIST first, ULONG firstAttributes,
                    LPCITEMIDLIST second, ULONG secondAttributes, TFileSortType type,
                    TFileSortOrder order) {
  SiblingSort sort = SiblingSortFor(IsFileItem(firstAttributes), IsFileItem(secondAttributes),
                                    type, order);
  int result = CompareItems(folder, sort.column, first, second);
  return sort.reversed ? -result : result;
}

}  // namespace shelltree
