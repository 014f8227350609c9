#include "gdi/SourceBitmap.h"

#include <string>

SourceBitmap::SourceBitmap(HDC compatibleWith, int32_t width, int32_t height)
{
    if (!memory_.create(compatibleWith)) {
        throw std::string(
            "ERROR: Could not create a device context for the source bitmap. Test failed.");
    }
    bitmap_.reset(CreateCompatibleBitmap(compatibleWith, width, height));
    if (bitmap_.get() == nullptr) {
        throw std::string("ERROR: Could not allocate a bitmap. Test failed.");
    }
    selection_.select(memory_.get(), bitmap_.get());
}
