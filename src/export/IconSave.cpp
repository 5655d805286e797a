// One icon saved: its graphic made, named and written, each failure a kind of result.
#include "export/IconSave.h"

#include <memory>
#include <utility>

#include "export/SizedIcon.h"
#include "export/StoredIcon.h"
#include "win/Errors.h"

namespace {

// A file to write: its graphic and what its name adds after the index text.
struct Output {
  std::unique_ptr<TGraphic> graphic;
  std::string suffix;
};

std::unique_ptr<TStoredImage> Sized(SizedOutput&& out) {
  return std::make_unique<TStoredImage>(std::move(out.bytes), 0, 0, out.extension);
}

std::vector<Output> Outputs(const SaveKind& kind, const IconToSave& icon, SaveResult& result) {
  std::vector<Output> outputs;
  if (!IsStoredKind(kind.kind)) {
    outputs.push_back({SlotGraphic(kind.kind, icon.large, icon.small, icon.slot), {}});
    return outputs;
  }
  if (!icon.file) throw ENoSoundImage();
  switch (kind.kind) {
    case OutputKind::PngAtSize: {
      if (kind.edges.size() != 1) throw EInvalidGraphic("No size was chosen");
      SizedOutput png = PngAtEdge(*icon.file, icon.group, kind.edges[0]);
      result.resampled = png.resampled;
      outputs.push_back({nullptr, png.suffix});
      outputs.back().graphic = Sized(std::move(png));
      break;
    }
    case OutputKind::EveryPng:
      for (SizedOutput& png : EveryImagePng(*icon.file, icon.group, result.leftOut)) {
        outputs.push_back({nullptr, png.suffix});
        outputs.back().graphic = Sized(std::move(png));
      }
      result.images = result.leftOut + outputs.size();
      break;
    case OutputKind::IconWithSizes: {
      if (kind.edges.empty()) throw EInvalidGraphic("No size was chosen");
      SizedOutput ico = IconWithEdges(*icon.file, icon.group, kind.edges);
      result.resampled = ico.resampled;
      outputs.push_back({Sized(std::move(ico)), {}});
      break;
    }
    default: {
      std::unique_ptr<TStoredImage> stored = StoredIconGraphic(*icon.file, icon.group, kind.kind == OutputKind::Png);
      result.leftOut = stored->LeftOut();
      result.images = stored->Images();
      outputs.push_back({std::move(stored), {}});
    }
  }
  return outputs;
}

}  // namespace

SaveResult SaveOneIcon(const SaveKind& kind, const IconToSave& icon, const std::string& folder) {
  SaveResult result;
  std::vector<Output> outputs;
  try {
    outputs = Outputs(kind, icon, result);
  } catch (const ENoSoundImage& e) {
    return {.kind = SaveResult::Kind::NoSoundImage, .reason = e.what(), .failure = e.Kind()};
  } catch (const EInvalidGraphic& e) {
    return {.kind = SaveResult::Kind::NotMade, .reason = e.what(), .failure = e.Kind(), .error = e.Code()};
  }
  for (Output& out : outputs) {
    const std::string name =
        OutputFileName(icon.caption, icon.indexText + out.suffix, KindExtension(kind.kind, *out.graphic));
    try {
      result.paths.push_back(SaveGraphicToFreeName(*out.graphic, folder, name));
    } catch (const std::exception& e) {
      // The files written before stay: each is whole.
      result.kind = SaveResult::Kind::NotWritten;
      result.reason = e.what();
      result.failure = win::ErrorKindOf(e);
      result.error = win::ErrorCode(e);
      if (!result.paths.empty()) result.path = result.paths.front();
      return result;
    }
  }
  result.kind = SaveResult::Kind::Saved;
  result.path = result.paths.front();
  return result;
}
