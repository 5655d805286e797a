// Reading a package manifest through XmlLite, which the platform ships as a library of its own;
// it is loaded when a manifest is first read, so a system without it only reads no packages.
#include "iconres/AppxManifest.h"

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <algorithm>
#include <iterator>
#include <string_view>

#include "iconres/XmlText.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace iconres::package {
namespace {

using CreateXmlReaderFn = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

// A display name as a caption: a resource reference names no text we can read.
std::string Caption(std::wstring_view name) {
  if (name.substr(0, 12) == L"ms-resource:") return {};
  return win::Narrow(name);
}

// The logos of VisualElements and DefaultTile by the attributes that name them, in the order
// they are listed; 0 for any other attribute.
template <class Text>
int LogoRank(const Text& name) {
  static constexpr std::string_view kLogos[] = {"Square44x44Logo", "Square30x30Logo", "SmallLogo",
                                                "Square71x71Logo", "Square150x150Logo", "Logo",
                                                "Wide310x150Logo", "Square310x310Logo"};
  for (std::size_t i = 0; i < std::size(kLogos); ++i)
    if (std::equal(name.begin(), name.end(), kLogos[i].begin(), kLogos[i].end(),
                   [](auto a, char b) { return a == static_cast<unsigned char>(b); }))
      return static_cast<int>(i) + 1;
  return 0;
}

class XmlReader {
 public:
  explicit XmlReader(ByteSpan xml) {
    module_.reset(LoadLibraryA("xmllite.dll"));
    if (!module_) return;
    const auto create = reinterpret_cast<CreateXmlReaderFn>(
        reinterpret_cast<void*>(GetProcAddress(module_.get(), "CreateXmlReader")));
    if (!create) return;
    stream_ = win::ComPtr<IStream>::Attach(SHCreateMemStream(xml.data(), static_cast<UINT>(xml.size())));
    if (!stream_ || FAILED(create(__uuidof(IXmlReader), reader_.put_void(), nullptr))) return;
    // No document type: it could make a small manifest expand without bound.
    reader_->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    reader_->SetProperty(XmlReaderProperty_MaxElementDepth, 64);
    if (FAILED(reader_->SetInput(stream_.get()))) reader_.reset();
  }
  IXmlReader* operator->() const { return reader_.get(); }
  explicit operator bool() const { return static_cast<bool>(reader_); }

 private:
  win::UniqueModule module_;  // released after the reader and its stream
  win::ComPtr<IStream> stream_;
  win::ComPtr<IXmlReader> reader_;
};

std::wstring_view LocalName(IXmlReader* reader) {
  const WCHAR* name = nullptr;
  UINT length = 0;
  if (FAILED(reader->GetLocalName(&name, &length)) || !name) return {};
  return {name, length};
}

std::wstring_view Value(IXmlReader* reader) {
  const WCHAR* value = nullptr;
  UINT length = 0;
  if (FAILED(reader->GetValue(&value, &length)) || !value) return {};
  return {value, length};
}

// Wine's reader ends the process when a document stops just inside or after its XML
// declaration; a line break after the text is white space any document may end with.
Bytes EndedByLineBreak(ByteSpan xml) {
  Bytes text(xml.begin(), xml.end());
  if (xml.size() >= 2 && xml[0] == 0xFF && xml[1] == 0xFE) text.insert(text.end(), {0x0A, 0x00});
  else if (xml.size() >= 2 && xml[0] == 0xFE && xml[1] == 0xFF) text.insert(text.end(), {0x00, 0x0A});
  else text.push_back(0x0A);
  return text;
}

}  // namespace

std::optional<Manifest> ReadManifest(ByteSpan xml) {
  if (xml.empty() || xml.size() > kMaxManifestBytes || !IsXmlText(xml)) return std::nullopt;
  const Bytes text = EndedByLineBreak(xml);
  XmlReader reader(text);
  if (!reader) return std::nullopt;
  Manifest manifest;
  std::optional<Logo> packageLogo;
  std::string packageCaption;
  std::vector<Logo> appLogos;
  std::string appCaption;     // of the application being read
  std::size_t appStart = 0;   // where its logos begin in appLogos
  std::vector<std::wstring> path;  // the open elements' local names
  bool package = false;
  XmlNodeType type{};
  HRESULT hr = S_OK;
  // Every node takes at least one byte of the text, and an element's end one more: a reader
  // that goes on past that (Wine's does at the end of an unclosed document) has stopped reading.
  std::size_t nodes = 0;
  while ((hr = reader->Read(&type)) == S_OK) {
    if (type == XmlNodeType_None || ++nodes > 2 * xml.size() + 16) return std::nullopt;
    UINT depth = 0;
    reader->GetDepth(&depth);
    if (type == XmlNodeType_Element) {
      path.resize(depth);
      path.emplace_back(LocalName(reader.operator->()));
      const std::wstring& name = path.back();
      if (depth == 0) package = name == L"Package";
      if (!package) continue;
      if (name == L"Application") {
        appCaption.clear();
        appStart = appLogos.size();
      }
      const bool visual = name == L"VisualElements";
      if (name == L"Identity" || visual || name == L"DefaultTile") {
        std::vector<std::pair<std::wstring, std::wstring>> attributes;
        for (HRESULT a = reader->MoveToFirstAttribute(); a == S_OK; a = reader->MoveToNextAttribute())
          attributes.emplace_back(LocalName(reader.operator->()), Value(reader.operator->()));
        reader->MoveToElement();
        for (const auto& [attribute, value] : attributes) {
          if (name == L"Identity" && attribute == L"Name") manifest.name = win::Narrow(value);
          if (visual && attribute == L"DisplayName") appCaption = Caption(value);
        }
        for (const auto& [attribute, value] : attributes) {
          if (name != L"Identity" && LogoRank(attribute) && !value.empty())
            appLogos.push_back({appCaption, win::Narrow(attribute), win::ToUtf8(value)});
        }
        // The list logo first, then the tiles from the smallest, whatever the attributes' order.
        std::stable_sort(appLogos.begin() + static_cast<std::ptrdiff_t>(appStart), appLogos.end(),
                         [](const Logo& a, const Logo& b) { return LogoRank(a.attribute) < LogoRank(b.attribute); });
      }
    } else if (type == XmlNodeType_Text && package && depth >= 2) {
      path.resize(depth);
      if (path[depth - 2] != L"Properties") continue;
      if (path[depth - 1] == L"DisplayName") packageCaption = Caption(Value(reader.operator->()));
      if (path[depth - 1] == L"Logo") packageLogo = Logo{{}, "Package logo", win::ToUtf8(Value(reader.operator->()))};
    }
  }
  // S_FALSE ends a whole document; anything else is a manifest that is not well formed.
  if (hr != S_FALSE || !package) return std::nullopt;
  if (packageLogo) {
    packageLogo->caption = packageCaption;
    manifest.logos.push_back(std::move(*packageLogo));
  }
  manifest.logos.insert(manifest.logos.end(), appLogos.begin(), appLogos.end());
  return manifest;
}

}  // namespace iconres::package
