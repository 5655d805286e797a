// Drag and drop through the platform's OLE calls, in-process: a drag of ours onto a test drop
// target, and test drags onto the main window's drop target.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "SavedFiles.h"
#include "app/DragOut.h"
#include "app/DropIn.h"
#include "export/StoredIcon.h"
#include "iconres/IconFile.h"
#include "fixtures/IconFixtures.h"
#include "win/ComObject.h"
#include "win/Handles.h"

namespace {

using dragdrop::DropPlace;

// A visible window on top of everything, under the cursor: where a drag that starts now drops.
// (The cursor is not moved: the platform may not warp it while another window is active.)
class DropWindow {
 public:
  DropWindow() : window_(CreateWindowExA(WS_EX_TOPMOST, ClassName(), "drop here", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)) {
    POINT at{};
    GetCursorPos(&at);
    SetWindowPos(window_.get(), HWND_TOPMOST, at.x - 100, at.y - 100, 200, 200, SWP_SHOWWINDOW);
    UpdateWindow(window_.get());
  }
  HWND get() const { return window_.get(); }

 private:
  // A window that the point finds (a static control lets the point through to what is below).
  static const char* ClassName() {
    static const ATOM atom = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = DefWindowProcA;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = "MirovaneDropTestWindow";
      return RegisterClassA(&wc);
    }();
    return atom ? "MirovaneDropTestWindow" : "BUTTON";
  }
  win::UniqueWindow window_;
};

// Takes files as Explorer does: copies each into its folder during the drop.
class CopyingTarget final : public win::ComObject<IDropTarget> {
 public:
  explicit CopyingTarget(std::string folder) : folder_(std::move(folder)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown && iid != IID_IDropTarget) return *out = nullptr, E_NOINTERFACE;
    *out = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
    *effect &= DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
    *effect &= DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    for (const std::string& path : dragdrop::DroppedPaths(data))
      CopyFileA(path.c_str(), (folder_ + path.substr(path.rfind('\\') + 1)).c_str(), TRUE);
    FORMATETC format{static_cast<CLIPFORMAT>(RegisterClipboardFormatA("PNG")), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (data->GetData(&format, &medium) == S_OK) {
      const auto* bytes = static_cast<const uint8_t*>(GlobalLock(medium.hGlobal));
      png.assign(bytes, bytes + GlobalSize(medium.hGlobal));
      GlobalUnlock(medium.hGlobal);
      ReleaseStgMedium(&medium);
    }
    *effect &= DROPEFFECT_COPY;
    return S_OK;
  }
  std::vector<uint8_t> png;

 private:
  std::string folder_;
};

TEST(DragOut, GivesTheTargetItsFilesAndThePngAndCleansUpAfter) {
  DropWindow window;
  fixtures::TempFolder dest("dropped");
  win::ComPtr<CopyingTarget> target = win::MakeComObject<CopyingTarget>(dest.Path());
  ASSERT_EQ(RegisterDragDrop(window.get(), target.get()), S_OK);
  const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 1, 2, 3};
  std::string folder;
  {
    dragdrop::DragFolder files;
    folder = files.Path();
    for (const char* name : {"icons0.ico", "single0.ico"}) fixtures::WriteFileBytes(files.Path() + name, name, strlen(name));
    EXPECT_EQ(dragdrop::DragOut({{files.Path() + "icons0.ico", files.Path() + "single0.ico"}, png}),
              static_cast<DWORD>(DROPEFFECT_COPY));
  }
  RevokeDragDrop(window.get());
  EXPECT_EQ(saved::Listing(dest.Path()), (std::vector<std::string>{"icons0.ico", "single0.ico"}));
  const std::vector<uint8_t> copied = saved::ReadAll(dest.Path() + "single0.ico");
  EXPECT_EQ(std::string(copied.begin(), copied.end()), "single0.ico");
  ASSERT_GE(target->png.size(), png.size());
  EXPECT_TRUE(std::equal(png.begin(), png.end(), target->png.begin()));
  EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

// A test drag of whatever the clipboard holds: the platform's own data object over it.
DWORD DragClipboard(HWND window, IDropTarget* target) {
  win::ComPtr<IDataObject> data;
  if (OleGetClipboard(data.put()) != S_OK) return 0xBAD;
  if (RegisterDragDrop(window, target) != S_OK) return 0xBAD;
  DWORD effect = DROPEFFECT_NONE;
  DoDragDrop(data.get(), dragdrop::MakeDropSource().get(), DROPEFFECT_COPY | DROPEFFECT_LINK, &effect);
  RevokeDragDrop(window);
  // The place is opened from the message loop, after the drop.
  for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
  return effect;
}

void PutOnClipboard(UINT format, const std::vector<uint8_t>& bytes) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  SetClipboardData(format, block);
  CloseClipboard();
}

void PutFilesOnClipboard(const std::vector<std::string>& paths) {
  std::wstring names;
  for (const std::string& p : paths) names += std::wstring(p.begin(), p.end()) + L'\0';
  names += L'\0';
  DROPFILES header{sizeof header, {}, FALSE, TRUE};
  std::vector<uint8_t> bytes(sizeof header + names.size() * 2);
  std::memcpy(bytes.data(), &header, sizeof header);
  std::memcpy(bytes.data() + sizeof header, names.data(), names.size() * 2);
  PutOnClipboard(CF_HDROP, bytes);
}

TEST(DropIn, AFolderOrAFileLeadsToItsFolderAndAnythingElseIsRefused) {
  fixtures::TempFolder folder("dropin");
  fixtures::MakeIconFixtureFolder(folder.Path());
  const std::string file = folder.Path() + "icons.dll";
  const std::string inner = folder.Path() + "sub";
  DropWindow window;
  std::vector<DropPlace> opened;
  win::ComPtr<IDropTarget> target = dragdrop::MakeFolderDropTarget([&](const DropPlace& place) { opened.push_back(place); });

  PutFilesOnClipboard({inner});
  EXPECT_EQ(DragClipboard(window.get(), target.get()), static_cast<DWORD>(DROPEFFECT_COPY));
  PutFilesOnClipboard({file});
  EXPECT_EQ(DragClipboard(window.get(), target.get()), static_cast<DWORD>(DROPEFFECT_COPY));
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(_stricmp(opened[0].folder.c_str(), inner.c_str()), 0) << opened[0].folder;
  EXPECT_EQ(opened[0].file, "");
  EXPECT_EQ(_stricmp(opened[1].folder.c_str(), folder.Path().c_str()), 0) << opened[1].folder;
  EXPECT_EQ(_stricmp(opened[1].file.c_str(), file.c_str()), 0) << opened[1].file;

  // Two files, a path to nothing, text, and a drag of our own: the no-entry cursor, no drop.
  PutFilesOnClipboard({file, inner});
  EXPECT_EQ(DragClipboard(window.get(), target.get()), static_cast<DWORD>(DROPEFFECT_NONE));
  PutFilesOnClipboard({folder.Path() + "gone.dll"});
  EXPECT_EQ(DragClipboard(window.get(), target.get()), static_cast<DWORD>(DROPEFFECT_NONE));
  PutOnClipboard(CF_TEXT, {'h', 'i', 0});
  EXPECT_EQ(DragClipboard(window.get(), target.get()), static_cast<DWORD>(DROPEFFECT_NONE));
  ASSERT_EQ(RegisterDragDrop(window.get(), target.get()), S_OK);
  DWORD effect = DROPEFFECT_NONE;
  DoDragDrop(dragdrop::MakeDragData({{file}, {}}).get(), dragdrop::MakeDropSource().get(), DROPEFFECT_COPY, &effect);
  RevokeDragDrop(window.get());
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(opened.size(), 2u);
}

// The main window: a file given to it (or dropped on it) has its first entry selected and in
// view; the selection dragged out becomes files of the kind last saved.
class WindowDragDrop : public apptest::MainWindowTest {
 protected:
  static std::string FocusedEntry(const TfrmMainForm& f) {
    const int focused = f.lvIcons.FocusedItem();
    if (focused < 0) return "none";
    return f.lvIcons.Caption(focused) + "#" + f.lvIcons.SubItem(focused, 1) + (f.lvIcons.Selected(focused) ? "" : " unselected");
  }
};

TEST_F(WindowDragDrop, AFileGivenOrDroppedHasItsFirstEntryFocused) {
  fixtures::TempFolder folder("startfile");
  fixtures::MakeIconFixtureFolder(folder.Path());
  TfrmMainForm& f = Open(false, true, "");
  f.OpenStartFolder(folder.Path() + "single.ico");
  apptest::WaitForRun(f);
  EXPECT_EQ(FocusedEntry(f), "single.ico#0");
  EXPECT_EQ(f.lvIcons.SelCount(), 1);
  f.OpenStartFolder(folder.Path() + "icons.dll");
  apptest::WaitForRun(f);
  EXPECT_EQ(FocusedEntry(f), "icons.dll#0");
  EXPECT_EQ(f.lvIcons.SelCount(), 1);

  // Dropped onto the window, in the folder it shows and in another.
  RECT bounds{};
  GetWindowRect(f.lvIcons.Handle(), &bounds);
  SetForegroundWindow(f.Handle());
  SetCursorPos((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
  // The window opens a drop once the drag has ended, by a message it posts to itself: served
  // until the entry is focused and any run the drop started has ended.
  auto drop = [&](const std::string& path, const std::string& focused) {
    PutFilesOnClipboard({path});
    win::ComPtr<IDataObject> data;
    ASSERT_EQ(OleGetClipboard(data.put()), S_OK);
    DWORD effect = DROPEFFECT_NONE;
    DoDragDrop(data.get(), dragdrop::MakeDropSource().get(), DROPEFFECT_COPY, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY)) << path;
    EXPECT_TRUE(apptest::ServeUntil([&] { return !f.Extracting() && FocusedEntry(f) == focused; }))
        << path << " gave " << FocusedEntry(f);
  };
  drop(folder.Path() + "gaps.dll", "gaps.dll#0");
  drop(folder.Path() + "sub\\deep.ico", "deep.ico#0");
  EXPECT_EQ(apptest::Entries(f), (std::vector<std::string>{"deep.ico#0"}));
}

TEST_F(WindowDragDrop, DraggingTheSelectionOutGivesTheStoredIconsUnderTheirSaveAsNames) {
  fixtures::TempFolder folder("dragsrc"), dest("dragdest");
  fixtures::MakeIconFixtureFolder(folder.Path());
  TfrmMainForm& f = Open(false, false, ".DLL");
  f.OpenStartFolder(folder.Path() + "icons.dll");
  apptest::WaitForRun(f);
  ASSERT_EQ(FocusedEntry(f), "icons.dll#0");
  f.lvIcons.SetSelected(f.lvIcons.FocusedItem() + 1, true);  // icons.dll#1
  DropWindow window;
  win::ComPtr<CopyingTarget> target = win::MakeComObject<CopyingTarget>(dest.Path());
  ASSERT_EQ(RegisterDragDrop(window.get(), target.get()), S_OK);
  f.lvIconsBeginDrag(f.lvIcons);
  RevokeDragDrop(window.get());
  EXPECT_EQ(saved::Listing(dest.Path()), (std::vector<std::string>{"icons0.ico", "icons1.ico"}));
  const iconres::IconFile file = iconres::LoadIconFile(folder.Path() + "icons.dll", "");
  EXPECT_TRUE(saved::ReadAll(dest.Path() + "icons1.ico") == OriginalIconBytes(file, 1));
  const std::vector<uint8_t> png = LargestImagePngBytes(file, 0);
  EXPECT_TRUE(target->png.size() >= png.size() && std::equal(png.begin(), png.end(), target->png.begin()));
}

}  // namespace
