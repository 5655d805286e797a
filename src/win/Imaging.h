// The platform's imaging library (WIC) for a thread: one factory per thread while a scope holds
// it. Under Wine each new factory reads the registry's class entries, dozens of round trips to
// the server; a thread that decodes thousands of images makes one.
#pragma once
#include <windows.h>
#include <wincodec.h>

#include "win/Handles.h"

namespace win {

// COM and one imaging factory for the calling thread while the object lives; scopes nest, the
// outermost making the factory. Held by the threads that judge, decode and encode images.
class ImagingScope {
 public:
  ImagingScope();
  ~ImagingScope();
  ImagingScope(const ImagingScope&) = delete;
  ImagingScope& operator=(const ImagingScope&) = delete;
  // The scope this one is nested in, if any.
  ImagingScope* Outer() const { return outer_; }

 private:
  friend ComPtr<IWICImagingFactory> ImagingFactory();
  friend ComPtr<IWICBitmapDecoder> NewPngDecoder();
  ComScope com_;
  ImagingScope* outer_;
  ComPtr<IWICImagingFactory> factory_;
  ComPtr<IClassFactory> pngDecoders_;
  bool pngLooked_ = false;
};

// The thread's factory where a scope holds one (made at the first asking), else a new one;
// none when the library cannot be reached. The caller keeps COM initialised while it uses it.
ComPtr<IWICImagingFactory> ImagingFactory();

// A new decoder of the PNG format, the one the factory chooses for it. The factory looks its
// decoders up in the registry at each asking; under a scope that is done once, and the
// decoder's own class makes the later ones.
ComPtr<IWICBitmapDecoder> NewPngDecoder();

}  // namespace win
