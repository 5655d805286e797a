// Program entry: the application object, the main window, the message loop.
#include <windows.h>

#include "app/MainForm.h"
#include "ui/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  ui::Application.Initialize();
  ui::Application.Title = "Varnholt Glyph Gatherer";
  ui::Application.CreateForm<TfrmMainForm>();
  ui::Application.Run(showCommand);
  ui::Application.DestroyForms();
  return 0;
}
