// PNG and JPEG through the system's imaging component (WIC), so that the Windows build carries
// no picture library of its own. The decoder is chosen by the caller, never guessed from the
// data, so that each function only accepts its own format.

#include "kit/PictureDecoders.h"

#include <windows.h>

#include <wincodec.h>
#include <wrl/client.h>

#include <cstring>
#include <utility>

namespace quindle {
namespace {

using Microsoft::WRL::ComPtr;

// COM for the calling thread for as long as the object lives. A thread that already has COM in
// the other threading model can still use the imaging objects, which are free-threaded.
class ComScope {
public:
    ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (initialised_)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_;
};

void BgraToRgba(std::vector<std::uint8_t>& Pixels) {
    for (std::size_t i = 0; i < Pixels.size(); i += 4)
        std::swap(Pixels[i], Pixels[i + 2]);
}

std::optional<TBitmap> DecodeWith(const GUID& Container, const std::uint8_t* Data,
                                  std::size_t Size) {
    if (Size > MAXDWORD)
        return std::nullopt;
    ComScope com;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory))))
        return std::nullopt;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    // The stream only reads; the interface merely lacks a const.
    if (FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(Data), DWORD(Size))) ||
        FAILED(factory->CreateDecoder(Container, nullptr, &decoder)) ||
        FAILED(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)) ||
        FAILED(decoder->GetFrame(0, &frame)))
        return std::nullopt;
    UINT width = 0, height = 0;
    WICPixelFormatGUID format{};
    if (FAILED(frame->GetSize(&width, &height)) || !PictureSizeAllowed(width, height) ||
        FAILED(frame->GetPixelFormat(&format)))
        return std::nullopt;
    const bool cmyk = IsEqualGUID(format, GUID_WICPixelFormat32bppCMYK);
    ComPtr<IWICBitmapSource> source;
    if (cmyk)
        source = frame;
    else if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.Get(), &source)))
        return std::nullopt;
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * 4);
    if (FAILED(source->CopyPixels(nullptr, width * 4, UINT(pixels.size()), pixels.data())))
        return std::nullopt;
    if (cmyk)
        CmykToRgba(pixels, false); // the system's decoder has already undone Adobe's inversion
    else
        BgraToRgba(pixels);
    TBitmap picture;
    picture.Width = int(width);
    picture.Height = int(height);
    picture.Pixels = std::move(pixels);
    return picture;
}

// The system's decoder pads a picture cut short in its compressed data with grey and calls it
// a success; a splash picture cut short is a damaged file. So the segments are walked up to the
// end marker: a thumbnail inside a header segment, with an end marker of its own, is skipped
// with its segment, and in compressed data a 0xFF is always followed by 0x00 or a restart
// marker unless a marker begins there.
bool JpegHasItsEnd(const std::uint8_t* Data, std::size_t Size) {
    std::size_t pos = 2;
    bool scanSeen = false;
    while (pos + 1 < Size) {
        if (Data[pos] != 0xFF)
            return false;
        const std::uint8_t marker = Data[pos + 1];
        pos += marker == 0xFF ? 1 : 2; // fill bytes before a marker
        if (marker == 0xFF || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (marker == 0xD9)
            return scanSeen;
        if (pos + 2 > Size)
            return false;
        const std::size_t length = std::size_t(Data[pos]) << 8 | Data[pos + 1];
        if (length < 2)
            return false;
        pos += length;
        if (marker != 0xDA)
            continue;
        scanSeen = true;
        while (pos + 1 < Size && !(Data[pos] == 0xFF && Data[pos + 1] != 0 &&
                                   !(Data[pos + 1] >= 0xD0 && Data[pos + 1] <= 0xD7)))
            ++pos;
    }
    return false;
}

} // namespace

std::optional<TBitmap> DecodePng(const std::uint8_t* Data, std::size_t Size) {
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (Size < 8 || std::memcmp(Data, signature, 8) != 0)
        return std::nullopt;
    return DecodeWith(GUID_ContainerFormatPng, Data, Size);
}

std::optional<TBitmap> DecodeJpeg(const std::uint8_t* Data, std::size_t Size) {
    if (Size < 3 || Data[0] != 0xFF || Data[1] != 0xD8 || !JpegHasItsEnd(Data, Size))
        return std::nullopt;
    return DecodeWith(GUID_ContainerFormatJpeg, Data, Size);
}

} // namespace quindle
