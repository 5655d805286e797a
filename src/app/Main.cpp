// Program entry: a batch command, or the application object, the main window and its two
// dialogs and the message loop.
#include <windows.h>
#include <ole2.h>

#include "about/AboutForm.h"
#include "app/MainForm.h"
#include "batch/Batch.h"
#include "settings/Config.h"
#include "ui/Application.h"
#include "ui/Guard.h"
#include "win/Imaging.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  // Switches ask for a batch command, which runs without a window or stored settings.
  const batch::Command command =
      ui::Guarded(batch::Command{}, [] { return batch::ParseArguments(batch::ProgramArguments()); });
  if (command.mode != batch::Mode::Window) return batch::RunFromCommandLine(command);
  // The folder tree reaches shell namespace extensions, which are COM objects.
  OleInitialize(nullptr);
  ui::Application.Initialize();
  ui::Application.Title = "Varnholt Glyph Gatherer";
  // A main window that cannot be made is reported, and the program ends with a failure code.
  int exitCode = ui::Guarded(1, [&] {
    // One imaging factory for the window's thread: previews, saves and copies.
    win::ImagingScope imaging;
    TfrmMainForm& mainForm = ui::Application.CreateForm<TfrmMainForm>();
    // The dialogs are made once and reused. One that cannot be made is reported and its
    // command does nothing; the program still starts.
    ui::Guarded([&] { frmConfig = &ui::Application.CreateForm<TfrmConfig>(); });
    ui::Guarded([&] { frmAbout = &ui::Application.CreateForm<TfrmAbout>(); });
    // A folder from the command line is read once the window shows.
    if (!command.folder.empty()) {
      mainForm.Show(showCommand);
      mainForm.OpenStartFolder(command.folder);
    }
    ui::Application.Run(showCommand);
    return 0;
  });
  ui::Application.DestroyForms();
  OleUninitialize();
  return exitCode;
}
