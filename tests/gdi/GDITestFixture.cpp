#include "GDITestFixture.h"

#include "results/BCObject.h"

GDITestWorld::GDITestWorld()
    : client("KorvidResult", "http://127.0.0.1:9/api/", "Korvid", "testkey",
             "http://127.0.0.1:9/result/", "Korvid tests")
{
}

namespace {

// A 32-bit top-down DIB of width x height, one 0x00RRGGBB word a pixel.
BITMAPINFO topDownRgb32(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

} // namespace

WindowPixels::WindowPixels(HDC dc, int width, int height)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height)
{
    BITMAPINFO info = topDownRgb32(width, height);
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, copy);
    BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    const uint32_t* source = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < pixels_.size(); ++i) {
        pixels_[i] = source[i] & 0xFFFFFF;
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(copy);
}

int WindowPixels::differingPixels(const WindowPixels& other, int top, int bottom) const
{
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < width_; ++x) {
            count += at(x, y) != other.at(x, y);
        }
    }
    return count;
}

int WindowPixels::nonBlackPixels(int top, int bottom) const
{
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < width_; ++x) {
            count += at(x, y) != 0;
        }
    }
    return count;
}

void blacken(HDC dc, int width, int top, int bottom)
{
    RECT area{0, top, width, bottom};
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    GdiFlush();
}

void paintTexture(HDC dc, int width, int top, int bottom)
{
    const int height = bottom - top;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<size_t>(y) * width + x] =
                0x800000u | (static_cast<uint32_t>(y * 13) & 0xFF) << 8 | (static_cast<uint32_t>(x * 7) & 0xFF);
        }
    }
    BITMAPINFO info = topDownRgb32(width, height);
    SetDIBitsToDevice(dc, 0, top, width, height, 0, 0, 0, height, pixels.data(), &info,
                      DIB_RGB_COLORS);
    GdiFlush();
}

std::string fieldValue(const BCObject& record, const std::string& name)
{
    for (int i = 0; i < record.getNumFields(); ++i) {
        if (record.getField(i)->getName() == name) {
            return record.getField(i)->getValue();
        }
    }
    return "<missing>";
}
