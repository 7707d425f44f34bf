// GDI+, the part that loads images: start-up and shutdown, the flat image
// functions (Gdiplus::DllExports) and the Gdiplus::Image wrapper over them.
// Images decode PNG files from a stream; their pixels are kept for the
// drawing functions (Gdiplus::Graphics, GdipDrawImageRectI), which live with
// the drawing layer and read them through win32/linux/GpImageData.h.
#pragma once

#if defined(_WIN32)
// The Windows build takes these declarations from the SDK: <windows.h>, <objidl.h>, <gdiplus.h>.
#include "win32/TChar.h"
#include <objidl.h>
#include <gdiplus.h>
#else

#include "win32/ObjIdl.h"
#include "win32/WinDef.h"

#define WINGDIPAPI

namespace Gdiplus {

enum Status {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
    PropertyNotFound = 19,
    PropertyNotSupported = 20,
    ProfileNotFound = 21
};

using GpStatus = Status;
using PixelFormat = INT;
#define PixelFormat24bppRGB 0x00021808
#define PixelFormat32bppARGB 0x0026200A

enum DebugEventLevel { DebugEventLevelFatal, DebugEventLevelWarning };
using DebugEventProc = void(WINAPI*)(DebugEventLevel level, CHAR* message);
using NotificationHookProc = Status(WINAPI*)(ULONG_PTR* token);
using NotificationUnhookProc = void(WINAPI*)(ULONG_PTR token);

struct GdiplusStartupInput {
    UINT GdiplusVersion;
    DebugEventProc DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;

    GdiplusStartupInput(DebugEventProc debugEventCallback = nullptr, BOOL suppressBackgroundThread = FALSE,
                        BOOL suppressExternalCodecs = FALSE)
        : GdiplusVersion(1), DebugEventCallback(debugEventCallback),
          SuppressBackgroundThread(suppressBackgroundThread), SuppressExternalCodecs(suppressExternalCodecs)
    {
    }
};

struct GdiplusStartupOutput {
    NotificationHookProc NotificationHook;
    NotificationUnhookProc NotificationUnhook;
};

// Versions 1 to 3 are accepted; another gives UnsupportedGdiplusVersion.
// Each successful start-up hands out a token; GDI+ runs while any token has
// not been shut down. No background thread is ever started, so the hooks
// in the output (required when SuppressBackgroundThread is set) do nothing.
Status WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);

// The native image object; what it holds is the platform's own.
class GpImage;

namespace DllExports {
// Reads the stream from its current position to its end and decodes it.
// GdiplusNotInitialized before start-up; InvalidParameter for a null
// argument; Win32Error when the stream cannot be read; UnknownImageFormat
// for data that is not a PNG file; GenericError for a corrupt or truncated
// one. *image is null on failure.
GpStatus WINGDIPAPI GdipLoadImageFromStream(IStream* stream, GpImage** image);
// Colour management embedded in a file is not applied here either way.
GpStatus WINGDIPAPI GdipLoadImageFromStreamICM(IStream* stream, GpImage** image);
GpStatus WINGDIPAPI GdipGetImageWidth(GpImage* image, UINT* width);
GpStatus WINGDIPAPI GdipGetImageHeight(GpImage* image, UINT* height);
GpStatus WINGDIPAPI GdipGetImagePixelFormat(GpImage* image, PixelFormat* format);
GpStatus WINGDIPAPI GdipDisposeImage(GpImage* image);
} // namespace DllExports

class Graphics;

class Image {
public:
    explicit Image(IStream* stream, BOOL useEmbeddedColorManagement = FALSE);
    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    static Image* FromStream(IStream* stream, BOOL useEmbeddedColorManagement = FALSE);

    // 0 for an image that failed to load.
    UINT GetWidth();
    UINT GetHeight();
    PixelFormat GetPixelFormat();
    // The status of the last operation (the load, right after construction).
    Status GetLastStatus() const;

protected:
    Status SetStatus(Status status) const
    {
        if (status != Ok) lastResult = status;
        return status;
    }

    GpImage* nativeImage = nullptr;
    mutable Status lastResult = Ok;

    friend class Graphics;
};

} // namespace Gdiplus

// The drawing half of GDI+ (Graphics, the draw functions), from the drawing layer.
#include "win32/GdiPlusGraphics.h"

#endif // _WIN32
