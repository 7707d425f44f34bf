// The Windows implementation of PngDecoder (win32/PngDecoder.h): the
// system's Windows Imaging Component decodes the file; the result is the
// same 8-bit BGRA picture with straight alpha that the Linux decoder gives.
//
// Whether the picture carries transparency is read from the file itself
// (an alpha colour type, or a tRNS chunk before the image data), because
// WIC converts every format to the same 32-bit one.
#include "win32/PngDecoder.h"

#include <wincodec.h>

#include <cstdio>
#include <cstring>

namespace quarrow {

namespace {

constexpr BYTE kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

DWORD BigEndian32(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) << 24 | static_cast<DWORD>(p[1]) << 16 | static_cast<DWORD>(p[2]) << 8 | p[3];
}

// Colour types 4 and 6 have an alpha channel; any other type has
// transparency when a tRNS chunk comes before the first IDAT.
bool FileHasTransparency(const BYTE* bytes, size_t size)
{
    if (size < 33) return false;
    const BYTE colourType = bytes[25];
    if (colourType == 4 || colourType == 6) return true;
    size_t pos = 8;
    while (size - pos >= 12) {
        const DWORD length = BigEndian32(bytes + pos);
        const BYTE* type = bytes + pos + 4;
        if (std::memcmp(type, "tRNS", 4) == 0) return true;
        if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0) return false;
        if (length > size - pos - 12) return false;
        pos += 12 + static_cast<size_t>(length);
    }
    return false;
}

template <class T>
void ReleaseAndClear(T*& p)
{
    if (p) {
        p->Release();
        p = nullptr;
    }
}

// COM for the imaging factory, for the length of one decode: a thread that
// has COM already keeps it as it is.
class ComScope {
public:
    ComScope() : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope()
    {
        if (SUCCEEDED(m_hr)) ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT m_hr;
};

std::string Failure(const char* what, HRESULT hr)
{
    char text[96];
    std::snprintf(text, sizeof text, "PNG: %s (0x%08lX)", what, static_cast<unsigned long>(hr));
    return text;
}

} // namespace

bool PngDecoder::hasSignature(const BYTE* bytes, size_t size)
{
    return bytes != nullptr && size >= sizeof kSignature && std::memcmp(bytes, kSignature, sizeof kSignature) == 0;
}

std::optional<DecodedImage> PngDecoder::decode(const BYTE* bytes, size_t size, std::string& error)
{
    if (!hasSignature(bytes, size)) {
        error = "PNG: not a PNG file";
        return std::nullopt;
    }
    if (size > 0xFFFFFFFFu) {
        error = "PNG: the file is too large";
        return std::nullopt;
    }
    ComScope com;
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    std::optional<DecodedImage> result;

    HRESULT hr = ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) {
        error = Failure("the imaging component is not available", hr);
    } else if (FAILED(hr = factory->CreateStream(&stream)) ||
               FAILED(hr = stream->InitializeFromMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(size)))) {
        error = Failure("the file cannot be read", hr);
    } else if (FAILED(hr = factory->CreateDecoderFromStream(stream, &GUID_ContainerFormatPng,
                                                            WICDecodeMetadataCacheOnDemand, &decoder)) ||
               FAILED(hr = decoder->GetFrame(0, &frame))) {
        error = Failure("the file is corrupt", hr);
    } else {
        UINT width = 0, height = 0;
        frame->GetSize(&width, &height);
        if (width == 0 || height == 0 || width > static_cast<UINT>(kMaxDimension) ||
            height > static_cast<UINT>(kMaxDimension)) {
            error = "PNG: the picture's size " + std::to_string(width) + " x " + std::to_string(height) +
                    " is out of range";
        } else if (FAILED(hr = factory->CreateFormatConverter(&converter)) ||
                   FAILED(hr = converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                                     nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
            error = Failure("the picture cannot be converted", hr);
        } else {
            DecodedImage image;
            image.width = static_cast<int>(width);
            image.height = static_cast<int>(height);
            image.hasAlpha = FileHasTransparency(bytes, size);
            image.bgra.resize(static_cast<size_t>(width) * height * 4);
            const UINT stride = width * 4;
            hr = converter->CopyPixels(nullptr, stride, static_cast<UINT>(image.bgra.size()), image.bgra.data());
            if (FAILED(hr)) {
                error = Failure("the file is corrupt or truncated", hr);
            } else {
                error.clear();
                result = std::move(image);
            }
        }
    }
    ReleaseAndClear(converter);
    ReleaseAndClear(frame);
    ReleaseAndClear(decoder);
    ReleaseAndClear(stream);
    ReleaseAndClear(factory);
    return result;
}

} // namespace quarrow
