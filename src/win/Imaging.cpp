// One imaging factory per thread, found through the thread's innermost scope.
#include "win/Imaging.h"

namespace win {
namespace {

// The calling thread's innermost scope; each thread sets and clears its own.
thread_local ImagingScope* tCurrent = nullptr;

ComPtr<IWICImagingFactory> NewFactory() {
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.put()))))
    return {};
  return factory;
}

ComPtr<IWICBitmapDecoder> FactoryPngDecoder(IWICImagingFactory* factory) {
  ComPtr<IWICBitmapDecoder> decoder;
  if (!factory || FAILED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.put()))) return {};
  return decoder;
}

// The class of the decoder the factory gave, for more of them.
ComPtr<IClassFactory> ClassOf(IWICBitmapDecoder* decoder) {
  ComPtr<IWICBitmapDecoderInfo> info;
  CLSID clsid{};
  ComPtr<IClassFactory> classFactory;
  if (FAILED(decoder->GetDecoderInfo(info.put())) || FAILED(info->GetCLSID(&clsid)) ||
      FAILED(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, classFactory.put_void())))
    return {};
  return classFactory;
}

ImagingScope* Outermost() {
  ImagingScope* scope = tCurrent;
  while (scope && scope->Outer()) scope = scope->Outer();
  return scope;
}

}  // namespace

ImagingScope::ImagingScope() : outer_(tCurrent) { tCurrent = this; }

ImagingScope::~ImagingScope() {
  // The objects go before COM does (com_ is the first member, so it ends last).
  pngDecoders_.reset();
  factory_.reset();
  tCurrent = outer_;
}

ComPtr<IWICImagingFactory> ImagingFactory() {
  ImagingScope* scope = Outermost();
  if (!scope) return NewFactory();
  if (!scope->factory_) scope->factory_ = NewFactory();
  return scope->factory_;
}

ComPtr<IWICBitmapDecoder> NewPngDecoder() {
  ImagingScope* scope = Outermost();
  if (!scope) return FactoryPngDecoder(NewFactory().get());
  if (scope->pngDecoders_) {
    ComPtr<IWICBitmapDecoder> decoder;
    if (SUCCEEDED(scope->pngDecoders_->CreateInstance(nullptr, IID_IWICBitmapDecoder, decoder.put_void())))
      return decoder;
  }
  ComPtr<IWICBitmapDecoder> decoder = FactoryPngDecoder(ImagingFactory().get());
  if (decoder && !scope->pngLooked_) {
    scope->pngLooked_ = true;
    scope->pngDecoders_ = ClassOf(decoder.get());
  }
  return decoder;
}

}  // namespace win
