// Program entry: the application object, the main window, the message loop.
#include <windows.h>
#include <ole2.h>

#include "app/MainForm.h"
#include "ui/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  // The folder tree reaches shell namespace extensions, which are COM objects.
  OleInitialize(nullptr);
  ui::Application.Initialize();
  ui::Application.Title = "Varnholt Glyph Gatherer";
  ui::Application.CreateForm<TfrmMainForm>();
  ui::Application.Run(showCommand);
  ui::Application.DestroyForms();
  OleUninitialize();
  return 0;
}
