// JPEG samples from the system's own encoder (WIC), as a Windows author's tools would write them.

#include "tests/kit/PictureSamples.h"

#include <windows.h>

#include <wincodec.h>
#include <wrl/client.h>

#include <stdexcept>
#include <utility>
#include <vector>

namespace quindle::test {

using Microsoft::WRL::ComPtr;

namespace {

void Check(HRESULT hr, const char* what) {
    if (FAILED(hr))
        throw std::runtime_error(std::string("jpeg encode: ") + what);
}

} // namespace

std::string MakeJpeg(int width, int height, bool cmyk) {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ComPtr<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_PPV_ARGS(&factory)),
          "factory");
    ComPtr<IStream> memory;
    Check(CreateStreamOnHGlobal(nullptr, TRUE, &memory), "stream");
    ComPtr<IWICBitmapEncoder> encoder;
    Check(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder), "encoder");
    Check(encoder->Initialize(memory.Get(), WICBitmapEncoderNoCache), "initialise");
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    Check(encoder->CreateNewFrame(&frame, &options), "frame");
    Check(frame->Initialize(options.Get()), "frame options");
    Check(frame->SetSize(UINT(width), UINT(height)), "size");
    WICPixelFormatGUID format = cmyk ? GUID_WICPixelFormat32bppCMYK : GUID_WICPixelFormat24bppBGR;
    const GUID wanted = format;
    Check(frame->SetPixelFormat(&format), "pixel format");
    if (!IsEqualGUID(format, wanted))
        throw std::runtime_error("jpeg encode: pixel format not taken");
    const int components = cmyk ? 4 : 3;
    const UINT stride = UINT(width * components);
    std::vector<std::uint8_t> pixels(std::size_t(stride) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &pixels[std::size_t(y) * stride + std::size_t(x) * components];
            SampleJpegPixel(x, y, cmyk, p);
            if (!cmyk)
                std::swap(p[0], p[2]); // the encoder takes blue first
        }
    Check(frame->WritePixels(UINT(height), stride, UINT(pixels.size()), pixels.data()), "pixels");
    Check(frame->Commit(), "frame commit");
    Check(encoder->Commit(), "commit");
    HGLOBAL global = nullptr;
    Check(GetHGlobalFromStream(memory.Get(), &global), "memory");
    STATSTG stat{};
    Check(memory->Stat(&stat, STATFLAG_NONAME), "size");
    const void* bytes = GlobalLock(global);
    std::string out(static_cast<const char*>(bytes), std::size_t(stat.cbSize.QuadPart));
    GlobalUnlock(global);
    frame.Reset();
    encoder.Reset();
    memory.Reset();
    factory.Reset();
    if (SUCCEEDED(init))
        CoUninitialize();
    return out;
}

} // namespace quindle::test
