// Icon reading through our own reader, shared by the window's run and the batch commands.
#include "extract/FileIcons.h"

#include "extract/ExtractHelpers.h"
#include "extract/LargeIcon.h"

FileIcons::FileIcons(const std::string& file, const std::string& windowsFolder)
    : path_(file), caption_(FileNamePart(file)), file_(iconres::LoadIconFile(file, windowsFolder)) {}

win::UniqueIcon FileIcons::Icon(int index) const {
  if (index < 0 || index >= Count()) return win::UniqueIcon();
  return win::UniqueIcon(MakeLargeIcon(file_, static_cast<size_t>(index)));
}
