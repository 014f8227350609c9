#include "gdi/GdiplusRectanglePainter.h"

GdiplusRectanglePainter::GdiplusRectanglePainter(HDC dc) : graphics_(dc), brush_(0) {}

void GdiplusRectanglePainter::fill(int x, int y, int width, int height)
{
    Gdiplus::DllExports::GdipSetSolidFillColor(brush_.get(), colour_);
    Gdiplus::DllExports::GdipFillRectangleI(graphics_.get(), brush_.get(), x, y, width, height);
    colour_ += kColourStep;
}

void GdiplusRectanglePainter::flush()
{
    Gdiplus::DllExports::GdipFlush(graphics_.get(), Gdiplus::FlushIntentionFlush);
}
