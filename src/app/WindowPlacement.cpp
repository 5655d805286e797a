// The main window's stored panes and place, and its fit to the screens there are now.
#include "app/WindowPlacement.h"

#include "app/MainForm.h"
#include "settings/StoredRanges.h"

namespace {

// The smallest bounds that still make a usable window.
constexpr int kMinUsableWidth = 120, kMinUsableHeight = 100;

// Whether the rectangle shows at least partly on some monitor.
bool OnSomeMonitor(const RECT& r) { return MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr; }

}  // namespace

void TfrmMainForm::ApplyToolbarSettings(bool buttonText, bool toolTips, bool colourOnly) {
  tbMain.SetShowCaptions(buttonText);
  const ToolbarLook& look = buttonText ? kCaptionedToolbar : kPlainToolbar;
  tbMain.SetButtonSize(look.buttonWidth, look.buttonHeight);
  tbMain.SetHeight(Scale(look.barHeight));
  tbMain.SetShowHint(toolTips);
  tbMain.SetImages(colourOnly ? &ImageList1 : &ImageList2);
}

void RestoreWindow(TfrmMainForm& f, const SettingsStore& ini) {
  // Before the bounds: the panes shown decide the room the preview has.
  if (!stored::Toolbar.Read(ini)) f.actToolbar.Execute();
  if (!stored::StatusBar.Read(ini)) f.actStatusbar.Execute();
  if (!stored::HeaderPane.Read(ini)) f.actHeader.Execute();
  f.ApplyToolbarSettings(stored::ButtonText.Read(ini), stored::ToolTips.Read(ini), stored::ColourOnly.Read(ini));
  const bool maximized = stored::WindowState.Read(ini) != 0;
  if (maximized) {
    f.SetWindowState(ui::WindowState::Maximized);
  } else {
    int height = stored::MainHeight.Read(ini);
    int left = stored::MainLeft.Read(ini);
    int top = stored::MainTop.Read(ini);
    int width = stored::MainWidth.Read(ini);
    RECT r = ui::ScaledRect(left, top, width, height, f.Dpi());
    if (!settings::WindowBoundsInRange(left, top, width, height, kMinUsableWidth, kMinUsableHeight) ||
        !OnSomeMonitor(r))
      r = ui::ScaledRect(kDefaultBounds.left, kDefaultBounds.top, kDefaultBounds.width, kDefaultBounds.height, f.Dpi());
    // Scaled, the window may no longer fit its screen; at 96 DPI the stored place stands as it
    // was, partly off the screen included.
    r = ui::FitToWorkArea(r, f.Dpi() != ui::kDesignDpi);
    f.SetWindowBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    f.SetWindowState(ui::WindowState::Normal);
  }
  // A tree width that the window (maximised: the screen) and the splitter's minimum cannot
  // hold counts as missing.
  const int navWidth = f.Scale(stored::NavWidth.Read(ini));
  const int holderWidth = maximized ? GetSystemMetrics(SM_CXMAXIMIZED) : static_cast<int>(f.ClientRect().right);
  f.stNav.SetWidth(settings::PaneWidthFits(navWidth, holderWidth, f.Splitter1.Width(), f.Splitter1.MinSize())
                       ? navWidth
                       : f.Scale(stored::NavWidth.missing));
  // The preview's height likewise, against the room below the header pane.
  const int previewHeight = f.Scale(stored::PreviewHeight.Read(ini));
  const int holderHeight = (maximized ? GetSystemMetrics(SM_CYMAXIMIZED) : f.pnlClient.Height()) - f.pnlInfo.Height();
  f.pnlPreview.SetHeight(settings::PaneWidthFits(previewHeight, holderHeight, f.Splitter2.Height(), f.Splitter2.MinSize())
                             ? previewHeight
                             : f.Scale(stored::PreviewHeight.missing));
  if (stored::PreviewPane.Read(ini)) f.actPreview.Execute();
  f.actUnique.SetChecked(stored::HideDuplicates.Read(ini));
  f.actCursors.SetChecked(stored::IncludeCursors.Read(ini));
}

void StoreWindow(const TfrmMainForm& f, const SettingsStore& ini) {
  stored::Toolbar.Write(ini, f.tbMain.Visible());
  stored::StatusBar.Write(ini, f.sbInfo.Visible());
  stored::HeaderPane.Write(ini, f.pnlInfo.Visible());
  if (f.GetWindowState() != ui::WindowState::Normal) {
    stored::WindowState.Write(ini, 1);
  } else {
    const RECT r = f.WindowBounds();
    const int left = ui::Unscaled(r.left, f.Dpi()), top = ui::Unscaled(r.top, f.Dpi());
    stored::MainHeight.Write(ini, ui::Unscaled(r.bottom, f.Dpi()) - top);
    stored::MainLeft.Write(ini, left);
    stored::MainTop.Write(ini, top);
    stored::MainWidth.Write(ini, ui::Unscaled(r.right, f.Dpi()) - left);
    stored::WindowState.Write(ini, 0);
  }
  stored::NavWidth.Write(ini, ui::Unscaled(f.stNav.Width(), f.Dpi()));
  stored::PreviewPane.Write(ini, f.pnlPreview.Visible());
  stored::PreviewHeight.Write(ini, ui::Unscaled(f.pnlPreview.Height(), f.Dpi()));
  stored::HideDuplicates.Write(ini, f.actUnique.Checked());
  stored::IncludeCursors.Write(ini, f.actCursors.Checked());
}
