// The About box: product name, version, rights and author lines and the free-of-charge
// notice from the program's own version resource, with the author's mail link and the
// maker's home page.
#pragma once
#include <windows.h>

#include <string>

#include "ui/Bevel.h"
#include "ui/Buttons.h"
#include "ui/Dialogs.h"
#include "ui/Images.h"
#include "ui/StdControls.h"

class TfrmAbout : public ui::DialogForm {
 public:
  void Create() override;

  // Copies the picture into the side picture.
  void SetPicture(HBITMAP picture);

  // Event handlers, bound by the layout.
  void FormCreate(ui::Component& sender);
  void cmdOKClick(ui::Component& sender);
  void lblEmailClick(ui::Component& sender);
  void ImgVarnholtClick(ui::Component& sender);

  // Components, in layout order.
  ui::Bevel Bevel2;
  ui::Image imgAbout;
  ui::Label lblTitle, lblVersion, lblInfo, Label4, lblEmail;
  ui::Image ImgVarnholt;
  ui::Bevel Bevel1;
  ui::Label lblDisclaimer;
  ui::Button cmdOK;
};

// The maker's home page, opened by the Help menu and the logo.
inline constexpr const char* kHomePage = "https://varnholt.example.com/";
// The author's mail address as a link; the mail command adds the subject.
inline constexpr const char* kMailLink = "mailto:tamsin@varnholt.example.com";

// How the links are handed to the shell; tests put their own in place so that no mail
// program or browser starts.
using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
extern ShellExecuteFn AboutShellExecute;

// The file whose version resource the box shows; empty means the running program.
extern std::string AboutVersionFile;

// Created once at start, after the configuration dialog.
extern TfrmAbout* frmAbout;
