// An installer's Icon table through msi.dll.
#include "iconres/InstallerIcons.h"

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <utility>

#include "win/LongPath.h"

namespace iconres::installer {
namespace {

class MsiHandle {
 public:
  MsiHandle() = default;
  MsiHandle(const MsiHandle&) = delete;
  MsiHandle& operator=(const MsiHandle&) = delete;
  ~MsiHandle() {
    if (h_) MsiCloseHandle(h_);
  }
  MSIHANDLE get() const { return h_; }
  MSIHANDLE* put() { return &h_; }

 private:
  MSIHANDLE h_ = 0;
};

std::string StringField(MSIHANDLE record, UINT field) {
  DWORD length = 0;
  char none[1] = {};
  if (MsiRecordGetStringA(record, field, none, &length) != ERROR_MORE_DATA || length > 4096) return {};
  std::string text(length + 1, '\0');
  ++length;
  if (MsiRecordGetStringA(record, field, text.data(), &length) != ERROR_SUCCESS) return {};
  text.resize(length);
  return text;
}

// The records a query gives, each handed to `take`; false when the query cannot be made.
template <class Take>
bool EachRecord(MSIHANDLE database, const char* query, Take take) {
  MsiHandle view;
  if (MsiDatabaseOpenViewA(database, query, view.put()) != ERROR_SUCCESS) return false;
  if (MsiViewExecute(view.get(), 0) != ERROR_SUCCESS) return false;
  for (;;) {
    MsiHandle record;
    if (MsiViewFetch(view.get(), record.put()) != ERROR_SUCCESS) return true;
    if (!take(record.get())) return true;
  }
}

}  // namespace

InstallerIcons ReadInstallerIcons(const std::string& path) {
  InstallerIcons icons;
  const std::wstring wide = win::FilePath(path);
  MsiHandle database;
  if (wide.empty()) {
    icons.error = ERROR_INVALID_NAME;
    return icons;
  }
  if (const UINT opened = MsiOpenDatabaseW(wide.c_str(), reinterpret_cast<LPCWSTR>(MSIDBOPEN_READONLY), database.put()); opened != ERROR_SUCCESS) {
    // A file that is no installer database is damaged, not unreadable.
    if (opened == ERROR_OPEN_FAILED || opened == ERROR_INSTALL_PACKAGE_INVALID || opened == ERROR_BAD_FORMAT)
      icons.damaged = true;
    else icons.error = opened;
    return icons;
  }
  std::size_t total = 0;
  EachRecord(database.get(), "SELECT `Name`, `Data` FROM `Icon`", [&](MSIHANDLE record) {
    if (icons.rows.size() == kMaxRows) {
      icons.damaged = true;
      return false;
    }
    const UINT size = MsiRecordDataSize(record, 2);
    if (size == 0 || size > kMaxRowBytes || size > kMaxTotalBytes - total) {
      icons.damaged = true;
      return size <= kMaxRowBytes;
    }
    IconRow row{StringField(record, 1), Bytes(size)};
    DWORD read = size;
    if (MsiRecordReadStream(record, 2, reinterpret_cast<char*>(row.data.data()), &read) != ERROR_SUCCESS ||
        read != size) {
      icons.damaged = true;
      return true;
    }
    total += size;
    icons.rows.push_back(std::move(row));
    return true;
  });
  EachRecord(database.get(), "SELECT `Value` FROM `Property` WHERE `Property` = 'ARPPRODUCTICON'",
             [&](MSIHANDLE record) {
               icons.productIcon = StringField(record, 1);
               return false;
             });
  return icons;
}

IconFileContents InstallerGroups(const InstallerIcons& icons, Bytes& buffer) {
  IconFileContents contents;
  contents.kind = FileKind::Installer;
  contents.damaged = icons.damaged;
  for (const IconRow& row : icons.rows) {
    const std::size_t base = buffer.size();
    buffer.insert(buffer.end(), row.data.begin(), row.data.end());
    IconFileContents held = ReadIconGroups(row.data);
    contents.damaged = contents.damaged || held.damaged || held.icons == 0;
    for (std::size_t g = 0; g < held.icons && contents.groups.size() < kMaxGroups; ++g) {
      IconGroup group = std::move(held.groups[g]);
      // Its places were in the row; they are now in the buffer after the rows before it.
      for (IconImage& image : group.images) image.offset += base;
      for (auto& frame : group.frames)
        for (IconImage& image : frame) image.offset += base;
      group.offset += base;
      group.caption = row.name;
      if (!icons.productIcon.empty() && row.name == icons.productIcon)
        group.type = group.kind == GroupKind::Icon ? "Icon, product icon" : "";
      contents.groups.push_back(std::move(group));
    }
  }
  contents.icons = contents.groups.size();
  return contents;
}

}  // namespace iconres::installer
