// Fuzzes PNG loading through both image classes the program uses: a bad
// file gives a failed image, never a crash or a read past the input.
#include <cstdint>
#include <cstring>

#include "afx/CImage.h"
#include "win32/Windows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    HGLOBAL memory = GlobalAlloc(GMEM_FIXED, size);
    if (!memory) return 0;
    if (size) std::memcpy(GlobalLock(memory), data, size);
    GlobalUnlock(memory);

    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(memory, FALSE, &stream) == S_OK) {
        auto* image = Gdiplus::Image::FromStream(stream, FALSE);
        if (image) {
            if (image->GetLastStatus() != Gdiplus::Ok && (image->GetWidth() || image->GetHeight())) __builtin_trap();
            delete image;
        }
        LARGE_INTEGER start{};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
        ATL::CImage picture;
        if (picture.Load(stream) != S_OK && !picture.IsNull()) __builtin_trap();
        stream->Release();
    }
    GlobalFree(memory);
    return 0;
}
