// The folder tree's notices: the hidden window that hears of drives and media coming and
// going, and change reports held back while the tree was busy.
#include "shelltree/ShellTree.h"

#include "ui/Guard.h"
#include "win/ScopeExit.h"

using shelltree::UniquePidl;

namespace {

// Posted to the NotifyWindow: change reports that came in while the tree was busy.
constexpr UINT kRunPendingRefreshes = WM_APP + 1;

// A hidden top-level window: device-change broadcasts reach only those.
LRESULT CALLBACK NotifyWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* tree = reinterpret_cast<TShellTree*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (msg == WM_DEVICECHANGE && tree)
    return ui::Guarded(LRESULT{1}, [&] { return tree->OnDriveChange(msg, wp, lp); });
  if (msg == kRunPendingRefreshes && tree) {
    ui::Guarded([&] { tree->RunPendingRefreshes(); });
    return 0;
  }
  if (msg == TShellTree::kImageAnswers && tree) {
    ui::Guarded([&] { tree->TakeImageAnswers(); });
    return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

// A hidden top-level window, since the system broadcasts device changes to those only.
HWND TShellTree::CreateNotifyWindow(TShellTree* tree) {
  static const char* const kClass = "TShellTreeNotify";
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = NotifyWindowProc;
  wc.hInstance = inst;
  wc.lpszClassName = kClass;
  RegisterClassA(&wc);  // a second tree finds it registered
  HWND wnd = CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, inst, nullptr);
  if (wnd) SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(tree));
  return wnd;
}

void TShellTree::LeaveBusy() {
  if (--busy_ == 0 && !pendingRefreshes_.empty()) PostMessageA(notifyWindow_.get(), kRunPendingRefreshes, 0, 0);
}

void TShellTree::RunPendingRefreshes() {
  while (busy_ == 0 && !pendingRefreshes_.empty()) {
    TShellnode* node = pendingRefreshes_.front();
    pendingRefreshes_.erase(pendingRefreshes_.begin());
    node->MonitorChanged();  // a node deleted meanwhile has left the list
  }
}

LRESULT TShellTree::OnDriveChange(UINT, WPARAM wp, LPARAM lp) {
  if (wp != DBT_DEVICEARRIVAL && wp != DBT_DEVICEREMOVECOMPLETE) return -1;
  if (drivesFolder_) {
    ULONG validate = SFGAO_VALIDATE;
    drivesFolder_->GetAttributesOf(0, nullptr, &validate);
  }
  auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lp);
  bool volume = header && header->dbch_devicetype == DBT_DEVTYP_VOLUME;
  DWORD units = volume ? reinterpret_cast<const DEV_BROADCAST_VOLUME*>(lp)->dbcv_unitmask : 0;
  if (!rootNode_ || !drivesPIDL_) return 1;
  UINT rootItems = rootNode_->Info.AbsPIDL.count();
  if (rootItems <= 1) {
    TShellnode* drives = FindNodeByPIDL(drivesPIDL_.get(), false, true);
    if (volume) ApplyVolumeChange(wp, units, drives);
    else if (drives && drives->FirstChild()) RefreshNode(drives, false);
  } else if (rootItems == 2 && volume) {
    UniquePidl parent = UniquePidl::Clone(malloc_.get(), rootNode_->Info.AbsPIDL.get());
    if (parent && shelltree::DropLastItem(parent.get()) &&
        desktopFolder_->CompareIDs(0, parent.get(), drivesPIDL_.get()) == 0)
      ApplyVolumeChange(wp, units, nullptr);
  }
  return 1;
}

namespace {
bool DriveInMask(const std::string& path, DWORD unitMask) {
  if (path.empty()) return false;
  unsigned char c = static_cast<unsigned char>(path[0]);
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  return c >= 'A' && c <= 'Z' && (unitMask & (1u << (c - 'A')));
}
}  // namespace

void TShellTree::ApplyVolumeChange(WPARAM event, DWORD unitMask, TShellnode* node) {
  if (node) {
    for (TShellnode* child = node->FirstChildNode(); child; child = child->NextSiblingNode()) {
      if (!(child->Info.Attributes & SFGAO_FILESYSTEM) || !DriveInMask(child->Path(), unitMask)) continue;
      if (event == DBT_DEVICEREMOVECOMPLETE) child->DeleteChildren();
      child->ShowButton(true);
      ReidentifyNode(child);
    }
    return;
  }
  if (!rootNode_) return;
  // The root is a drive: no dialog for a drive without a medium.
  win::ScopeExit restore([this, saved = std::exchange(ShowMessages, false)] { ShowMessages = saved; });
  std::string path = rootNode_->Path();
  if (path.size() <= 3 && DriveInMask(path, unitMask)) {
    ReidentifyNode(rootNode_);
    RefreshNode(rootNode_, false);
  }
}

void TShellTree::ReidentifyNode(TShellnode* node) {
  if (!node) return;
  UpdateBracket bracket(*this);
  UniquePidl fresh = shelltree::ParsePath(node->Info.ParentFolder.get(), malloc_.get(), node->Path(), false,
                                          MessageOwner());
  // Unparsable now: keep the old list, recompute only the absolute one.
  node->SetNodeIdentity(node->Info.ParentFolder.get(), std::move(fresh), false);
  node->ShowCaption(node->GetDisplayName());
  node->UpdateImages();
}
