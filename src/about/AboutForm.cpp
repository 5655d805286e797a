// The About box: its stored layout, the texts from the version resource and the two links.
#include "about/AboutForm.h"

#include <shellapi.h>

#include <vector>

#include "win/Text.h"

#include "about/GetFileVerInfo.h"
#include "resource.h"
#include "ui/Application.h"
#include "win/Errors.h"

using namespace ui;
using F = TfrmAbout;

ShellExecuteFn AboutShellExecute = &ShellExecuteA;
std::string AboutVersionFile;
TfrmAbout* frmAbout = nullptr;

namespace {

constexpr COLORREF kLinkColour = RGB(0, 0, 255);
constexpr COLORREF kVisitedColour = RGB(128, 0, 0);

const FormLayout<F>& Layout() {
  static const FormLayout<F> layout{
      "TfrmAbout",
      {.bounds = {0, 0, 373, 229}, .caption = "About", .autoSize = true, .border = BorderStyle::Single},
      /*keyPreview=*/false,
      0,
      {On(&Form::OnCreate, &F::FormCreate)},
      {
          {"Bevel2", &F::Bevel2, {.bounds = {6, 10, 61, 149}, .bevelShape = BevelShape::Box}},
          {"imgAbout", &F::imgAbout, {.bounds = {8, 12, 57, 145}, .stretch = true}},
          {"lblTitle", &F::lblTitle,
           {.bounds = {80, 12, 209, 42}, .caption = "Product", .bold = true, .layout = TextLayout::Center, .wordWrap = true,
            .fontSize = 10}},
          {"lblVersion", &F::lblVersion, {.bounds = {80, 56, 289, 13}, .caption = "Version"}},
          // Word wrap lets the line break between the rights line and the author line show.
          {"lblInfo", &F::lblInfo, {.bounds = {80, 88, 289, 49}, .caption = "Copyright", .wordWrap = true}},
          {"Label4", &F::Label4, {.bounds = {80, 136, 0, 13}, .caption = "Email comments or suggestions to ", .autoSize = true}},
          {"lblEmail", &F::lblEmail,
           {.bounds = {244, 136, 65, 13}, .caption = "Tamsin", .hint = kMailLink, .cursor = CursorShape::Hand,
            .fontColor = kLinkColour, .underline = true},
           {On(&Control::OnClick, &F::lblEmailClick)}},
          {"ImgVarnholt", &F::ImgVarnholt,
           {.bounds = {295, 12, 70, 42}, .hint = "www.varnholt.example.com", .stretch = true, .resource = IDB_LOGO,
            .cursor = CursorShape::Hand},
           {On(&Control::OnClick, &F::ImgVarnholtClick)}},
          {"Bevel1", &F::Bevel1, {.bounds = {8, 168, 361, 2}, .bevelShape = BevelShape::BottomLine}},
          {"lblDisclaimer", &F::lblDisclaimer,
           {.bounds = {16, 172, 257, 54}, .caption = "Disclaimer", .layout = TextLayout::Center, .wordWrap = true}},
          {"cmdOK", &F::cmdOK,
           {.bounds = {288, 192, 76, 25}, .caption = "OK", .defaultButton = true, .cancelButton = true},
           {On(&Control::OnClick, &F::cmdOKClick)}},
      }};
  return layout;
}

std::string VersionFile() {
  if (!AboutVersionFile.empty()) return AboutVersionFile;
  return win::ModuleFileName();
}

// The list's entry at a key's place; a resource lacking a key moves the later entries up, and
// one lacking several raises the list's index error.
const std::string& Entry(const std::vector<std::string>& list, size_t index) {
  if (index >= list.size()) throw win::Exception("List index out of bounds (" + std::to_string(index) + ")");
  return list[index];
}

// Which of the two programs runs, where a user asks: the 64-bit one says so, the 32-bit one
// on 64-bit Windows, where either could run; on 32-bit Windows there is no other.
std::string ProgramKind() {
#ifdef _WIN64
  return " (64-bit)";
#else
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? " (32-bit)" : "";
#endif
}

}  // namespace

void F::Create() { LoadDialogLayout(Layout()); }

void F::FormCreate(Component&) {
  std::vector<std::string> list;
  GetVersionStrings(VersionFile(), list);
  SetCaption("About " + Entry(list, vkProductName));
  lblTitle.SetCaption(Entry(list, vkProductName));
  lblVersion.SetCaption("Version " + Entry(list, vkFileVersion) + ProgramKind());
  lblInfo.SetCaption(Entry(list, vkLegalCopyright) + "\r" + Entry(list, vkComments));
  lblDisclaimer.SetCaption(Entry(list, vkLegalTradeMarks));
  // Two pixels after the sentence, whatever width the font gives it.
  lblEmail.SetBounds(Label4.Left() + Label4.Width() + Scale(2), lblEmail.Top(), lblEmail.Width(), lblEmail.Height());
}

void F::SetPicture(HBITMAP picture) { imgAbout.SetPicture(picture); }

void F::cmdOKClick(Component&) { SetModalResult(mrOk); }

void F::lblEmailClick(Component&) {
  const std::string file = VersionFile();
  const std::string subject = GetVersionString(file, vkInternalName) + "_" + GetVersionString(file, vkFileVersion);
  const std::string link = std::string(kMailLink) + "?Subject=" + subject;
  AboutShellExecute(Application.Handle(), "open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  lblEmail.SetFontColor(kVisitedColour);  // visited, for the rest of the run
}

void F::ImgVarnholtClick(Component&) {
  CursorScope wait(CursorKind::HourGlass);
  AboutShellExecute(Application.Handle(), "open", kHomePage, nullptr, nullptr, SW_SHOWNORMAL);
}
