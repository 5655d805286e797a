// Menus that repeat as one table: the actions a sub-menu offers, in order, copied into every
// menu that offers them, each copy with item members of its own.
#pragma once
#include <array>
#include <cstddef>
#include <initializer_list>
#include <utility>
#include <vector>

#include "ui/Layout.h"
#include "ui/Menus.h"

namespace ui {

// A table's entries: the action of each item in order; none makes a separator.
template <class F, std::size_t N>
using MenuTable = std::array<Action F::*, N>;

// One menu's items for a table's entries: each item's name and member, in the table's order.
template <class F, std::size_t N>
using MenuCopy = std::array<std::pair<const char*, MenuItem F::*>, N>;

// The layout rows of one copy of a table under parent.
template <class F, std::size_t N>
std::vector<Row<F>> MenuRows(MenuParent parent, const MenuTable<F, N>& table, const MenuCopy<F, N>& items) {
  std::vector<Row<F>> rows;
  for (std::size_t i = 0; i < N; ++i) {
    MenuItemProps props{.parent = parent, .caption = table[i] ? nullptr : "-"};
    if (table[i]) props.action = table[i];
    rows.emplace_back(items[i].first, items[i].second, props);
  }
  return rows;
}

// A layout's rows from blocks, in order.
template <class F>
std::vector<Row<F>> Rows(std::initializer_list<std::vector<Row<F>>> blocks) {
  std::vector<Row<F>> rows;
  for (const std::vector<Row<F>>& block : blocks) rows.insert(rows.end(), block.begin(), block.end());
  return rows;
}

}  // namespace ui
