#include "gdi/PixelArrayBitmap.h"

#include <string>

PixelArrayBitmap::PixelArrayBitmap(HDC compatibleWith, uint32_t width, int32_t height,
                                   uint32_t bitsPerPixel)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -height; // top-down, like the screen
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_.reset(CreateDIBSection(compatibleWith, &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
    if (bitmap_.get() == nullptr) {
        throw std::string("ERROR: Could not create a temporary bitmap");
    }
    if (!memory_.create(compatibleWith)) {
        throw std::string(
            "ERROR: Could not create a device context for a temporary bitmap. Test failed.");
    }
    selection_.select(memory_.get(), bitmap_.get());
}
