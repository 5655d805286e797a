// What of the main window the settings keep: which panes show, the toolbar's look, and where
// the window lies (its bounds or maximised state, the folder tree's width and the preview
// pane's height, in 96-DPI units, so the window keeps its size on the screen when the scale
// changes).
#pragma once
#include "settings/Settings.h"
#include "ui/Layout.h"
#include "ui/StdControls.h"

class TfrmMainForm;

// The window's bounds at 96 DPI when none are stored.
inline constexpr ui::Rect kDefaultBounds{stored::MainLeft.missing, stored::MainTop.missing, stored::MainWidth.missing,
                                         stored::MainHeight.missing};

// The toolbar's two looks at 96 DPI: buttons with their captions below the images or without,
// and the bar's height around them. The layout starts with captions.
struct ToolbarLook {
  int buttonWidth, buttonHeight, barHeight;
};
inline constexpr ToolbarLook kCaptionedToolbar{47, 36, 41};
inline constexpr ToolbarLook kPlainToolbar{ui::ToolBar::kDefaultButtonSize.cx, ui::ToolBar::kDefaultButtonSize.cy, 26};

// Shows the panes, gives the toolbar its look and places the window, the tree's width and the
// preview's height as stored. Bounds that would hide the window or leave it unusably small are
// not used, scaled bounds are fitted to the screen, and a width or height its holder cannot
// take counts as missing.
void RestoreWindow(TfrmMainForm& form, const SettingsStore& ini);
void StoreWindow(const TfrmMainForm& form, const SettingsStore& ini);
