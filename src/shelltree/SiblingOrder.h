// Order of sibling nodes in the folder tree: folders by the shell's name order, files by the
// configured column and direction.
#pragma once
#include <windows.h>
#include <shlobj.h>

namespace shelltree {

enum TFileSortType { so_Name, so_Size, so_Type, so_Date };  // shell column numbers
enum TFileSortOrder { so_Ascending, so_Descending };

// A file is a file-system item that is not a folder.
bool IsFileItem(ULONG attributes);

// The sign of a CompareIDs result: its low 16 bits read as a signed number, as -1, 0 or 1.
// A failed comparison counts as equal, so that a sort sees a consistent order.
int CompareIDsResult(HRESULT hr);

// Column and direction for a pair of siblings: two files use the file column and order,
// every other pair the name column ascending.
struct SiblingSort {
  int column;
  bool reversed;
};
SiblingSort SiblingSortFor(bool firstIsFile, bool secondIsFile, TFileSortType type,
                           TFileSortOrder order);

// Compares two items of `folder` by `column`: -1, 0 or 1.
int CompareItems(IShellFolder* folder, int column, LPCITEMIDLIST first, LPCITEMIDLIST second);

// The sibling comparison: `folder` is the first node's parent folder, the lists are the nodes'
// relative lists and the attributes their shell attribute flags.
int CompareSiblings(IShellFolder* folder, LPCITEMIDLIST first, ULONG firstAttributes,
                    LPCITEMIDLIST second, ULONG secondAttributes, TFileSortType type,
                    TFileSortOrder order);

}  // namespace shelltree
