#pragma once

#include <windows.h>

#include <cstdint>

// The blend of every composite: source over destination, the source's own per-pixel alpha at
// full constant alpha. The timed run and the random mix must blend alike, or their rates
// would measure different work.
constexpr uint32_t kBlendSourceOverPerPixelAlpha = 0x01FF0000; // AC_SRC_OVER, 255, AC_SRC_ALPHA

inline BLENDFUNCTION perPixelAlphaBlend()
{
    BLENDFUNCTION blend;
    blend.BlendOp = static_cast<BYTE>(kBlendSourceOverPerPixelAlpha & 0xFF);
    blend.BlendFlags = static_cast<BYTE>((kBlendSourceOverPerPixelAlpha >> 8) & 0xFF);
    blend.SourceConstantAlpha = static_cast<BYTE>((kBlendSourceOverPerPixelAlpha >> 16) & 0xFF);
    blend.AlphaFormat = static_cast<BYTE>(kBlendSourceOverPerPixelAlpha >> 24);
    return blend;
}
