// The options' stored order, and the extraction options in force.
#include "settings/Settings.h"

#include "settings/StoredRanges.h"

ExtractionOptions Extraction;

namespace {

// The options with their stored values, in the order they are read and written: the dialog's
// own four (the toolbar's look and the removal of the settings), then the extraction options.
template <class O, class Visit>
void EachOwnOption(O& o, Visit visit) {
  visit(stored::ButtonText, o.buttonText);
  visit(stored::ToolTips, o.toolTips);
  visit(stored::ColourOnly, o.colourOnly);
  visit(stored::Remove, o.remove);
}

template <class E, class Visit>
void EachExtractionOption(E& e, Visit visit) {
  visit(stored::IncludeSubs, e.includeSubs);
  visit(stored::ExtractFromAll, e.extractFromAll);
  visit(stored::FileTypes, e.fileTypes);
  visit(stored::MinSize, e.minSize);
}

}  // namespace

// The one place the range rules of the stored extraction options apply.
void ExtractionOptions::Load(const SettingsStore& ini) {
  EachExtractionOption(*this, [&](const auto& value, auto& field) { field = value.Read(ini); });
  fileTypes = settings::FileTypesInRange(fileTypes, kDefaultFileTypes);
  minSize = settings::MinSizeInRange(minSize, stored::MinSize.missing);
}

void Options::Load(const SettingsStore& ini) {
  EachOwnOption(*this, [&](const auto& value, auto& field) { field = value.Read(ini); });
  extraction.Load(ini);
}

void Options::Save(const SettingsStore& ini) const {
  const auto write = [&](const auto& value, const auto& field) { value.Write(ini, field); };
  EachOwnOption(*this, write);
  EachExtractionOption(extraction, write);
}
