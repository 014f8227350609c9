#pragma once

#include <d2d1.h>

#include <cstdint>

// The source images of the blit and compositing tests: 200 rectangles of the colour counter's
// colours in a width x height target, opaque or with falling alpha. Drawn with the caller's
// solid brush (whose colour it leaves changed) between BeginDraw and EndDraw; a translucent
// pattern is cleared to transparent first when `clearFirst` is set. Returns EndDraw's result.
HRESULT paintPattern(ID2D1RenderTarget* target, ID2D1SolidColorBrush* brush, uint32_t width,
                     uint32_t height, bool translucent, bool clearFirst);
