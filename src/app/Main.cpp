// Program entry: the application object, the main window and its two dialogs, the message loop.
#include <windows.h>
#include <ole2.h>

#include "about/AboutForm.h"
#include "app/MainForm.h"
#include "settings/Config.h"
#include "ui/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  // The folder tree reaches shell namespace extensions, which are COM objects.
  OleInitialize(nullptr);
  ui::Application.Initialize();
  ui::Application.Title = "Varnholt Glyph Gatherer";
  ui::Application.CreateForm<TfrmMainForm>();
  // The dialogs are made once and reused. One that cannot be made is reported and its
  // command does nothing; the program still starts.
  try {
    frmConfig = &ui::Application.CreateForm<TfrmConfig>();
  } catch (const std::exception& e) {
    ui::Application.HandleException(e);
  }
  try {
    frmAbout = &ui::Application.CreateForm<TfrmAbout>();
  } catch (const std::exception& e) {
    ui::Application.HandleException(e);
  }
  ui::Application.Run(showCommand);
  ui::Application.DestroyForms();
  OleUninitialize();
  return 0;
}
