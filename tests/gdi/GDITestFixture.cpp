#include "GDITestFixture.h"

#include "results/BCObject.h"

GDITestWorld::GDITestWorld()
    : client("KorvidResult", "http://127.0.0.1:9/api/", "Korvid", "testkey",
             "http://127.0.0.1:9/result/", "Korvid tests")
{
}

WindowPixels::WindowPixels(HDC dc, int width, int height)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
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

std::string fieldValue(const BCObject& record, const std::string& name)
{
    for (int i = 0; i < record.getNumFields(); ++i) {
        if (record.getField(i)->getName() == name) {
            return record.getField(i)->getValue();
        }
    }
    return "<missing>";
}
