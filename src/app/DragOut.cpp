// The drag out of the icon list: a temporary folder, the data object and the drop source.
#include "app/DragOut.h"

#include <shlobj.h>

#include <cstring>

#include "win/ComObject.h"
#include "win/Errors.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace dragdrop {

namespace {

UINT PngFormat() {
  static const UINT format = RegisterClipboardFormatA("PNG");
  return format;
}

// Marks the program's own drags.
UINT OwnFormat() {
  static const UINT format = RegisterClipboardFormatA("Varnholt Glyph Gatherer drag");
  return format;
}

FORMATETC Format(UINT format) { return FORMATETC{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

// A moveable global block holding the bytes, for a medium the receiver frees.
HGLOBAL GlobalCopy(const void* bytes, size_t size) {
  win::UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, size ? size : 1));
  if (!block || !size) return block.release();
  const win::LockedGlobal locked(block.get());
  if (!locked.Data()) return nullptr;
  std::memcpy(locked.Data(), bytes, size);
  return block.release();
}

// DROPFILES and the files' wide names, each ended by a zero, the list by one more.
std::vector<std::uint8_t> DropFiles(const std::vector<std::string>& files) {
  std::wstring names;
  for (const std::string& file : files) names += win::Widen(file) + L'\0';
  names += L'\0';
  DROPFILES header{};
  header.pFiles = sizeof header;
  header.fWide = TRUE;
  std::vector<std::uint8_t> bytes(sizeof header + names.size() * sizeof(wchar_t));
  std::memcpy(bytes.data(), &header, sizeof header);
  std::memcpy(bytes.data() + sizeof header, names.data(), names.size() * sizeof(wchar_t));
  return bytes;
}

class DragData final : public win::ComObject<IDataObject> {
 public:
  explicit DragData(DragContent content) {
    if (!content.files.empty()) formats_.push_back({Format(CF_HDROP), DropFiles(content.files)});
    if (!content.png.empty()) formats_.push_back({Format(PngFormat()), std::move(content.png)});
    formats_.push_back({Format(OwnFormat()), {1}});
  }

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* wanted, STGMEDIUM* medium) override {
    if (!wanted || !medium) return E_INVALIDARG;
    const Offered* offered = Find(*wanted);
    if (!offered) return DV_E_FORMATETC;
    HGLOBAL block = GlobalCopy(offered->bytes.data(), offered->bytes.size());
    if (!block) return E_OUTOFMEMORY;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = block;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* wanted) override {
    if (!wanted) return E_INVALIDARG;
    return Find(*wanted) ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
  }
  // Targets may hand us their own formats (drop descriptions and the like); we keep none.
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    std::vector<FORMATETC> all;
    for (const Offered& offered : formats_) all.push_back(offered.format);
    return SHCreateStdEnumFmtEtc(static_cast<UINT>(all.size()), all.data(), out);
  }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  struct Offered {
    FORMATETC format;
    std::vector<std::uint8_t> bytes;
  };
  const Offered* Find(const FORMATETC& wanted) const {
    for (const Offered& offered : formats_)
      if (wanted.cfFormat == offered.format.cfFormat && (wanted.tymed & TYMED_HGLOBAL) &&
          wanted.dwAspect == DVASPECT_CONTENT)
        return &offered;
    return nullptr;
  }
  std::vector<Offered> formats_;
};

class DropSource final : public win::ComObject<IDropSource> {
 public:
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
    if (escape || (keys & MK_RBUTTON)) return DRAGDROP_S_CANCEL;
    if (!(keys & MK_LBUTTON)) return DRAGDROP_S_DROP;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

}  // namespace

DragFolder::DragFolder() {
  char temp[MAX_PATH + 1] = "";
  const DWORD length = GetTempPathA(sizeof temp, temp);
  if (length == 0 || length > MAX_PATH)
    throw win::Exception("Cannot find the temporary folder", win::ErrorKind::Platform,
                         length == 0 ? GetLastError() : ERROR_BUFFER_OVERFLOW);
  std::string base = temp;
  if (base.back() != '\\') base += '\\';
  // A name no other drag, and no other copy of the program, has taken.
  DWORD error = ERROR_ALREADY_EXISTS;
  for (DWORD attempt = 0; attempt < 1000; ++attempt) {
    const std::string candidate = base + "Mirovane drag " + std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(GetTickCount() + attempt);
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      path_ = candidate + "\\";
      return;
    }
    if ((error = GetLastError()) != ERROR_ALREADY_EXISTS) break;
  }
  throw win::Exception("Cannot make a temporary folder in " + base, win::ErrorKind::Platform, error);
}

DragFolder::~DragFolder() {
  // Only files are ever written here.
  WIN32_FIND_DATAA found{};
  win::UniqueFind find(FindFirstFileA((path_ + "*").c_str(), &found));
  for (bool more = static_cast<bool>(find); more; more = FindNextFileA(find.get(), &found)) {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::string file = path_ + found.cFileName;
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(file.c_str());
  }
  find.reset();
  RemoveDirectoryA(path_.substr(0, path_.size() - 1).c_str());
}

win::ComPtr<IDataObject> MakeDragData(DragContent content) {
  return win::MakeComObject<DragData, IDataObject>(std::move(content));
}

bool IsOwnDrag(IDataObject* data) {
  FORMATETC own = Format(OwnFormat());
  return data && data->QueryGetData(&own) == S_OK;
}

win::ComPtr<IDropSource> MakeDropSource() { return win::MakeComObject<DropSource, IDropSource>(); }

DWORD DragOut(const DragContent& content) {
  win::ComPtr<IDataObject> data = MakeDragData(content);
  win::ComPtr<IDropSource> source = MakeDropSource();
  DWORD effect = DROPEFFECT_NONE;
  const HRESULT result = DoDragDrop(data.get(), source.get(), DROPEFFECT_COPY, &effect);
  return result == DRAGDROP_S_DROP ? effect & DROPEFFECT_COPY : DROPEFFECT_NONE;
}

}  // namespace dragdrop
