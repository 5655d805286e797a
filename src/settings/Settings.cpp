// The options' stored order, and the extraction options in force.
#include "settings/Settings.h"

#include "settings/StoredRanges.h"

ExtractionOptions Extraction;

namespace {

// The options with their stored values, in the order they are read and written.
template <class E, class Visit>
void EachExtractionOption(E& e, Visit visit) {
  visit(stored::IncludeSubs, e.includeSubs);
  visit(stored::ExtractFromAll, e.extractFromAll);
  visit(stored::FileTypes, e.fileTypes);
  visit(stored::MinSize, e.minSize);
}

template <class O, class Visit>
void EachOption(O& o, Visit visit) {
  visit(stored::ButtonText, o.buttonText);
  visit(stored::ToolTips, o.toolTips);
  visit(stored::ColourOnly, o.colourOnly);
  visit(stored::Remove, o.remove);
  EachExtractionOption(o.extraction, visit);
}

}  // namespace

void ExtractionOptions::Load(const SettingsStore& ini) {
  EachExtractionOption(*this, [&](const auto& value, auto& field) { field = value.Read(ini); });
  fileTypes = settings::FileTypesInRange(fileTypes, kDefaultFileTypes);
  minSize = settings::MinSizeInRange(minSize, stored::MinSize.missing);
}

void Options::Load(const SettingsStore& ini) {
  EachOption(*this, [&](const auto& value, auto& field) { field = value.Read(ini); });
  extraction.fileTypes = settings::FileTypesInRange(extraction.fileTypes, kDefaultFileTypes);
  extraction.minSize = settings::MinSizeInRange(extraction.minSize, stored::MinSize.missing);
}

void Options::Save(const SettingsStore& ini) const {
  EachOption(*this, [&](const auto& value, const auto& field) { value.Write(ini, field); });
}
