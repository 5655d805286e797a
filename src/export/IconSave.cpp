// One icon saved: its graphic made, named and written, each failure a kind of result.
#include "export/IconSave.h"

#include <memory>

#include "export/StoredIcon.h"

SaveResult SaveOneIcon(OutputKind kind, const IconToSave& icon, const std::string& folder) {
  SaveResult result;
  std::unique_ptr<TGraphic> graphic;
  try {
    if (IsStoredKind(kind)) {
      if (!icon.file) throw ENoSoundImage();
      std::unique_ptr<TStoredImage> stored = StoredIconGraphic(*icon.file, icon.group, kind == OutputKind::Png);
      result.leftOut = stored->LeftOut();
      result.images = stored->Images();
      graphic = std::move(stored);
    } else {
      graphic = SlotGraphic(kind, icon.large, icon.small, icon.slot);
    }
  } catch (const ENoSoundImage& e) {
    return {.kind = SaveResult::Kind::NoSoundImage, .reason = e.what()};
  } catch (const EInvalidGraphic& e) {
    return {.kind = SaveResult::Kind::NotMade, .reason = e.what()};
  }
  const std::string name = OutputFileName(icon.caption, icon.indexText, KindExtension(kind, *graphic));
  try {
    result.path = SaveGraphicToFreeName(*graphic, folder, name);
    result.kind = SaveResult::Kind::Saved;
  } catch (const std::exception& e) {
    result.kind = SaveResult::Kind::NotWritten;
    result.reason = e.what();
  }
  return result;
}
