// An icon's facts, made once from its file.
#include "app/IconSource.h"

#include "extract/FileIcons.h"
#include "extract/Locations.h"

IconSource SourceOf(const FileIcons& file, int index) {
  IconSource source{file.Path(), index, file.IndexText(index)};
  if (index >= 0 && index < file.Count()) {
    source.group = storedimages::FactsOf(file.Group(index));
    source.location = location::IndexFor(file.File().contents, static_cast<std::size_t>(index));
  }
  return source;
}

std::string InfoTip(const IconSource& source) {
  return storedimages::InfoTip(source.file, source.indexText, source.group, location::TextOf(source.file, source.location));
}
