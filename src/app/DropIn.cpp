// The main window's drop target: which drops it takes, and where they lead.
#include "app/DropIn.h"

#include <shellapi.h>

#include <utility>

#include "app/DragOut.h"
#include "win/LongPath.h"
#include "ui/Guard.h"
#include "win/ComObject.h"
#include "win/Errors.h"
#include "win/Handles.h"
#include "win/PathText.h"
#include "win/ScopeExit.h"
#include "win/Text.h"

namespace dragdrop {

namespace {

const char kPostClass[] = "MirovaneDropPost";
constexpr UINT kOpenPlace = WM_APP + 1;

class FolderDropTarget final : public win::ComObject<IDropTarget> {
 public:
  explicit FolderDropTarget(std::function<void(const DropPlace&)> open) : open_(std::move(open)) {
    static const ATOM atom = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = &PostProc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = kPostClass;
      return RegisterClassA(&wc);
    }();
    if (atom)
      post_.reset(CreateWindowExA(0, kPostClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr));
    if (!post_) {
      const DWORD error = GetLastError();
      throw win::Exception("Cannot take drops: " + win::SystemErrorText(error), win::ErrorKind::Platform, error);
    }
    SetWindowLongPtrA(post_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    place_ = ui::Guarded(std::optional<DropPlace>{}, [&] {
      return IsOwnDrag(data) ? std::nullopt : PlaceOfDrop(DroppedPaths(data));
    });
    return Answer(effect);
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override { return Answer(effect); }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    place_.reset();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override {
    const HRESULT answer = Answer(effect);
    if (place_) {
      // The source (Explorer, say) waits until this returns: the place is opened, and its
      // folder read, once the drop is over.
      dropped_ = std::exchange(place_, std::nullopt);
      PostMessageA(post_.get(), kOpenPlace, 0, 0);
    }
    return answer;
  }

 private:
  // Copy where the drop is taken and the source allows it (else a link), else nothing: the
  // no-entry cursor.
  HRESULT Answer(DWORD* effect) const {
    if (!effect) return E_INVALIDARG;
    const DWORD allowed = *effect;
    *effect = !place_ ? DROPEFFECT_NONE
              : (allowed & DROPEFFECT_COPY) ? DROPEFFECT_COPY
                                            : allowed & DROPEFFECT_LINK;
    return S_OK;
  }

  static LRESULT CALLBACK PostProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message != kOpenPlace) return DefWindowProcA(window, message, wp, lp);
    auto* self = reinterpret_cast<FolderDropTarget*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self && self->dropped_) {
      const DropPlace place = *std::exchange(self->dropped_, std::nullopt);
      ui::Guarded([&] { self->open_(place); });
    }
    return 0;
  }

  std::function<void(const DropPlace&)> open_;
  std::optional<DropPlace> place_, dropped_;
  // Receives the drop's own message to open the place after it.
  win::UniqueWindow post_;
};

}  // namespace

std::optional<DropPlace> PlaceOfDrop(const std::vector<std::string>& paths) {
  if (paths.size() != 1 || paths[0].empty()) return std::nullopt;
  const std::string full = win::FullPathName(paths[0]);
  const DWORD attributes = full.empty() ? INVALID_FILE_ATTRIBUTES : win::FileAttributes(full);
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return DropPlace{full, {}};
  return DropPlace{pathtext::DirectoryPart(full), full};
}

std::vector<std::string> DroppedPaths(IDataObject* data) {
  std::vector<std::string> paths;
  if (!data) return paths;
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (data->GetData(&format, &medium) != S_OK) return paths;
  const win::ScopeExit release([&] { ReleaseStgMedium(&medium); });
  if (medium.tymed != TYMED_HGLOBAL || !medium.hGlobal) return paths;
  const win::LockedGlobal locked(medium.hGlobal);
  if (const auto drop = reinterpret_cast<HDROP>(locked.Data())) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
      name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
      // A name the code page cannot spell is taken by its short path, as on the command line.
      paths.push_back(win::PathFromWide(name.c_str()));
    }
  }
  return paths;
}

win::ComPtr<IDropTarget> MakeFolderDropTarget(std::function<void(const DropPlace&)> open) {
  // Made on the thread whose window takes the drops: its messages open the place.
  return win::MakeComObject<FolderDropTarget, IDropTarget>(std::move(open));
}

DropRegistration::DropRegistration(HWND window, IDropTarget* target) {
  const HRESULT result = RegisterDragDrop(window, target);
  if (FAILED(result))
    throw win::Exception("Cannot take drops: " + win::SystemErrorText(static_cast<DWORD>(result)),
                         win::ErrorKind::Platform, static_cast<DWORD>(result));
  window_ = window;
}

DropRegistration::~DropRegistration() {
  if (window_) RevokeDragDrop(window_);
}

}  // namespace dragdrop
