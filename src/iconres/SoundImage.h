// The platform's half of the rule for a sound image: whether the platform opens an image the
// reader found intact. Everything that shows, lists or writes an image asks through
// IconFile::Sound, which keeps each verdict for the file and judges through JudgeImage.
#pragma once
#include <windows.h>
#include <wincodec.h>

#include "iconres/IconResources.h"
#include "win/Handles.h"

namespace iconres {

// The platform's icon of a bitmap image's stored bytes at cx x cy (resized as the platform
// resizes it); none where the platform refuses them.
win::UniqueIcon IconFromStored(ByteSpan bytes, int cx, int cy);

// A bitmap image is taken when the platform's icon creation accepts it at its stored size; a
// PNG image when the platform's imaging library (WIC) decodes it whole to the size its header
// declares. `bytes` are the image's stored bytes, `image` what the reader found in them.
// Asks the platform itself: the tests' measure of every verdict.
bool PlatformOpens(ByteSpan bytes, const IconImage& image);

// The same verdict, in-process where it can be: a bitmap image by JudgeBitmap (BitmapVerdict.h),
// the platform asked only about the forms it leaves to it; a PNG image decoded through the
// thread's imaging factory (win::ImagingScope).
bool JudgeImage(ByteSpan bytes, const IconImage& image);

// A PNG image's first frame as the platform's imaging library decodes it, converted to pixels
// of `format`, with its size; none when the library refuses it. The caller keeps COM initialised
// and `bytes` alive while the result lives; the pixels are decoded as they are copied out.
win::ComPtr<IWICBitmapSource> DecodePng(ByteSpan bytes, REFWICPixelFormatGUID format, UINT& width, UINT& height);

}  // namespace iconres
