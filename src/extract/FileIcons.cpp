// Icon reading through our own reader, shared by the window's run and the batch commands.
#include "extract/FileIcons.h"

#include "extract/ExtractHelpers.h"
#include "extract/LargeIcon.h"
#include "extract/PathText.h"

FileIcons::FileIcons(const std::string& file, const std::string& windowsFolder, bool withCursors)
    : path_(file), caption_(pathtext::NamePart(file)), file_(iconres::LoadIconFile(file, windowsFolder, withCursors)) {}

win::UniqueIcon FileIcons::Icon(int index, int size) const {
  if (index < 0 || index >= Count()) return win::UniqueIcon();
  return win::UniqueIcon(MakeIcon(file_, static_cast<size_t>(index), size));
}

win::UniqueIcon FileIcons::ShownIcon(int index, int size) const {
  if (index < 0 || index >= Count()) return win::UniqueIcon();
  return win::UniqueIcon(MakeShownIcon(file_, static_cast<size_t>(index), size));
}

ShownPicture FileIcons::Shown(int index, int size) const {
  if (index < 0 || index >= Count()) return {};
  return MakeShownPicture(file_, static_cast<size_t>(index), size);
}
