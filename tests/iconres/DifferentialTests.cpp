// The reader-based extraction against the shell's own ExtractIconA, file by file, over the
// system folder of the test prefix and our fixtures: the same count and, for every index, the
// same refusal or the same pixels (colour and mask) at the large icon size.
#include <gtest/gtest.h>

#include <sstream>

#include "CorpusSupport.h"
#include "extract/LargeIcon.h"
#include "extract/Locations.h"
#include "iconres/IconFile.h"
#include "win/Dib.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace {

// One bitmap of an icon as 32-bit pixels, with its size; empty for no bitmap.
std::vector<DWORD> Pixels(HBITMAP bitmap) {
  BITMAP bm{};
  if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm)) return {};
  std::vector<DWORD> px(static_cast<size_t>(bm.bmWidth) * bm.bmHeight + 2);
  px[0] = static_cast<DWORD>(bm.bmWidth);
  px[1] = static_cast<DWORD>(bm.bmHeight);
  BITMAPINFO bi = win::TopDown32(bm.bmWidth, bm.bmHeight);
  const win::WindowDC screen(nullptr);
  GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(bm.bmHeight), px.data() + 2, &bi, DIB_RGB_COLORS);
  return px;
}

// "colour|mask" pixels of an icon, or nothing for a refusal.
std::pair<std::vector<DWORD>, std::vector<DWORD>> Picture(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return {};
  win::UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
  return {Pixels(colour.get()), Pixels(mask.get())};
}

bool IsIcon(HICON h) { return reinterpret_cast<UINT_PTR>(h) > 1; }

// Differences between the shell and the reader for every file of a folder, one line each.
std::vector<std::string> Compare(const std::string& folder, int& files, int& icons) {
  std::vector<std::string> out;
  const std::string windows = MunWindowsFolder();
  HINSTANCE instance = GetModuleHandleA(nullptr);
  for (const std::string& name : corpus::FilesIn(folder)) {
    const std::string path = folder + name;
    ++files;
    const int shellCount = static_cast<int>(reinterpret_cast<INT_PTR>(ExtractIconA(instance, path.c_str(), UINT(-1))));
    const iconres::IconFile file = iconres::LoadIconFile(path, windows);
    // Wine's shell gives no icon for a cursor file, Windows' shell gives one, as the reader does.
    if (file.contents.kind == iconres::FileKind::Cur || file.contents.kind == iconres::FileKind::Ani) continue;
    if (shellCount != static_cast<int>(file.Count())) {
      out.push_back(path + ": shell counts " + std::to_string(shellCount) + ", reader " + std::to_string(file.Count()));
      continue;
    }
    for (int i = 0; i < shellCount; ++i) {
      HICON raw = ExtractIconA(instance, path.c_str(), static_cast<UINT>(i));
      win::UniqueIcon shell(IsIcon(raw) ? raw : nullptr), ours(MakeLargeIcon(file, static_cast<size_t>(i)));
      if (static_cast<bool>(shell) != static_cast<bool>(ours)) {
        out.push_back(path + "," + std::to_string(i) + ": shell " + (shell ? "loads" : "refuses") + " it, reader " +
                      (ours ? "loads" : "refuses"));
      } else if (shell && Picture(shell.get()) != Picture(ours.get())) {
        out.push_back(path + "," + std::to_string(i) + ": pixels differ");
      }
      icons += shell ? 1 : 0;
    }
  }
  return out;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::ostringstream s;
  for (size_t i = 0; i < lines.size() && i < 30; ++i) s << lines[i] << "\n";
  return s.str();
}

TEST(ShellEquivalence, SystemFolderAndFixturesGiveTheShellsIconsFileByFile) {
  char system[MAX_PATH] = "";
  ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
  fixtures::TempFolder fixtureFolder("diff");
  fixtures::MakeIconFixtureFolder(fixtureFolder.Path());
  int files = 0, icons = 0;
  std::vector<std::string> differences;
  for (const std::string& folder : {std::string(system) + "\\", fixtureFolder.Path(), corpus::Folder("good")}) {
    auto d = Compare(folder, files, icons);
    differences.insert(differences.end(), d.begin(), d.end());
  }
  std::printf("compared %d files, %d icons\n", files, icons);
  EXPECT_GT(icons, 100);
  EXPECT_TRUE(differences.empty()) << differences.size() << " differences:\n" << Lines(differences);
}

BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
  auto* out = reinterpret_cast<std::vector<std::string>*>(param);
  out->push_back(IS_INTRESOURCE(name) ? std::to_string(reinterpret_cast<UINT_PTR>(name)) : std::string(name));
  return TRUE;
}

// Every icon's location, as Copy Location writes it, gives through ExtractIconExW the picture of
// the entry (the reader's icon), and its id is the one the platform's own walk of the resource
// directory gives at that position.
TEST(ShellEquivalence, EveryLocationGivesTheEntrysPicture) {
  char system[MAX_PATH] = "";
  ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
  const std::string windows = location::WindowsFolder();
  std::vector<std::string> differences;
  int checked = 0, byId = 0;
  for (const std::string& path : {std::string(system) + "\\shell32.dll", std::string(system) + "\\user32.dll",
                                  corpus::Folder("ids") + "ids32.dll", corpus::Folder("ids") + "ids64.dll",
                                  corpus::Folder("good") + "ne.icl", corpus::Folder("good") + "every.ico"}) {
    const iconres::IconFile file = iconres::LoadIconFile(path, MunWindowsFolder());
    ASSERT_GT(file.contents.icons, 0u) << path;
    // The platform's names of the groups, in the directory's order.
    std::vector<std::string> names;
    if (HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
      EnumResourceNamesA(module, RT_GROUP_ICON, &AddName, reinterpret_cast<LONG_PTR>(&names));
      FreeLibrary(module);
    }
    for (size_t i = 0; i < file.contents.icons; ++i) {
      const auto index = location::IndexFor(file.contents, i);
      ASSERT_TRUE(index) << path << " " << i;
      const std::string text = location::Text({path, *index}, windows);
      const auto where = location::Read(text);
      ASSERT_TRUE(where) << text;
      if (*index < 0) {
        ++byId;
        if (i < names.size() && names[i] != std::to_string(-*index))
          differences.push_back(text + ": the directory names the group " + names[i]);
      }
      HICON large = nullptr;
      if (ExtractIconExW(win::Widen(where->path).c_str(), where->index, &large, nullptr, 1) != 1) large = nullptr;
      win::UniqueIcon shell(large), ours(MakeLargeIcon(file, i));
      if (static_cast<bool>(shell) != static_cast<bool>(ours) || (shell && Picture(shell.get()) != Picture(ours.get())))
        differences.push_back(text + ": not the entry's picture");
      ++checked;
    }
  }
  std::printf("%d locations, %d by id\n", checked, byId);
  EXPECT_GT(byId, 20);
  EXPECT_TRUE(differences.empty()) << differences.size() << " differences:\n" << Lines(differences);
}

}  // namespace
