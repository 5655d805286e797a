// Program entry: a batch command, or the application object, the main window and its two
// dialogs and the message loop.
#include <windows.h>
#include <ole2.h>

#include "about/AboutForm.h"
#include "app/MainForm.h"
#include "batch/Batch.h"
#include "settings/Config.h"
#include "ui/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  // Switches ask for a batch command, which runs without a window or stored settings.
  const batch::Command command = batch::ParseArguments(batch::ProgramArguments());
  if (command.mode != batch::Mode::Window) return batch::RunFromCommandLine(command);
  // The folder tree reaches shell namespace extensions, which are COM objects.
  OleInitialize(nullptr);
  ui::Application.Initialize();
  ui::Application.Title = "Varnholt Glyph Gatherer";
  TfrmMainForm& mainForm = ui::Application.CreateForm<TfrmMainForm>();
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
  // A folder from the command line is read once the window shows.
  if (!command.folder.empty()) {
    mainForm.Show(showCommand);
    mainForm.OpenStartFolder(command.folder);
  }
  ui::Application.Run(showCommand);
  ui::Application.DestroyForms();
  OleUninitialize();
  return 0;
}
