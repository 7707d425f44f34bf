#include "win32/GdiPlus.h"

#include "win32/linux/GpImageData.h"
#include "win32/PngDecoder.h"

#include <set>
#include <vector>

namespace Gdiplus {

namespace {

// Tokens of the start-ups that have not been shut down yet.
std::set<ULONG_PTR>& liveTokens()
{
    static std::set<ULONG_PTR> tokens;
    return tokens;
}
ULONG_PTR g_nextToken = 1;

Status WINAPI hook(ULONG_PTR* token)
{
    if (token != nullptr) *token = 0;
    return Ok;
}
void WINAPI unhook(ULONG_PTR) {}

} // namespace

Status WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output)
{
    if (token == nullptr || input == nullptr) return InvalidParameter;
    *token = 0;
    if (input->GdiplusVersion < 1 || input->GdiplusVersion > 3) return UnsupportedGdiplusVersion;
    if (input->SuppressBackgroundThread && output == nullptr) return InvalidParameter;
    if (output != nullptr) {
        output->NotificationHook = hook;
        output->NotificationUnhook = unhook;
    }
    *token = g_nextToken++;
    liveTokens().insert(*token);
    return Ok;
}

void WINAPI GdiplusShutdown(ULONG_PTR token) { liveTokens().erase(token); }

namespace DllExports {

GpStatus WINGDIPAPI GdipLoadImageFromStream(IStream* stream, GpImage** image)
{
    if (image == nullptr) return InvalidParameter;
    *image = nullptr;
    if (liveTokens().empty()) return GdiplusNotInitialized;
    if (stream == nullptr) return InvalidParameter;
    std::vector<BYTE> bytes;
    BYTE chunk[65536];
    for (;;) {
        ULONG read = 0;
        if (FAILED(stream->Read(chunk, sizeof chunk, &read))) return Win32Error;
        if (read == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + read);
    }
    if (!quarrow::PngDecoder::hasSignature(bytes.data(), bytes.size())) return UnknownImageFormat;
    std::string error;
    std::optional<quarrow::DecodedImage> decoded = quarrow::PngDecoder::decode(bytes.data(), bytes.size(), error);
    if (!decoded) return GenericError;
    *image = new GpImage(std::move(*decoded));
    return Ok;
}

GpStatus WINGDIPAPI GdipLoadImageFromStreamICM(IStream* stream, GpImage** image)
{
    return GdipLoadImageFromStream(stream, image);
}

GpStatus WINGDIPAPI GdipGetImageWidth(GpImage* image, UINT* width)
{
    if (image == nullptr || width == nullptr) return InvalidParameter;
    *width = static_cast<UINT>(image->pixels.width);
    return Ok;
}

GpStatus WINGDIPAPI GdipGetImageHeight(GpImage* image, UINT* height)
{
    if (image == nullptr || height == nullptr) return InvalidParameter;
    *height = static_cast<UINT>(image->pixels.height);
    return Ok;
}

GpStatus WINGDIPAPI GdipGetImagePixelFormat(GpImage* image, PixelFormat* format)
{
    if (image == nullptr || format == nullptr) return InvalidParameter;
    *format = image->pixels.hasAlpha ? PixelFormat32bppARGB : PixelFormat24bppRGB;
    return Ok;
}

GpStatus WINGDIPAPI GdipDisposeImage(GpImage* image)
{
    if (image == nullptr) return InvalidParameter;
    delete image;
    return Ok;
}

} // namespace DllExports

Image::Image(IStream* stream, BOOL useEmbeddedColorManagement)
{
    lastResult = useEmbeddedColorManagement ? DllExports::GdipLoadImageFromStreamICM(stream, &nativeImage)
                                            : DllExports::GdipLoadImageFromStream(stream, &nativeImage);
}

Image::~Image()
{
    if (nativeImage != nullptr) DllExports::GdipDisposeImage(nativeImage);
}

Image* Image::FromStream(IStream* stream, BOOL useEmbeddedColorManagement)
{
    return new Image(stream, useEmbeddedColorManagement);
}

UINT Image::GetWidth()
{
    UINT width = 0;
    SetStatus(DllExports::GdipGetImageWidth(nativeImage, &width));
    return width;
}

UINT Image::GetHeight()
{
    UINT height = 0;
    SetStatus(DllExports::GdipGetImageHeight(nativeImage, &height));
    return height;
}

PixelFormat Image::GetPixelFormat()
{
    PixelFormat format = 0;
    SetStatus(DllExports::GdipGetImagePixelFormat(nativeImage, &format));
    return format;
}

Status Image::GetLastStatus() const
{
    const Status s = lastResult;
    lastResult = Ok;
    return s;
}

} // namespace Gdiplus
