#pragma once

#include <d2d1.h>
#include <d3d10_1.h>

#include <cstdint>
#include <functional>

// Probes for the operations that some Direct2D implementations accept without doing them
// (Wine 8's among them). A timed run of such an operation would measure nothing and report it
// as drawing, so the test asks once per run and says "not supported" instead. A probe that
// cannot make its own resources throws the message string of that failure, as every other
// set-up does: that is a broken machine, not a missing feature.

// Whether a drawing reaches the device at all: `draw` paints (its own BeginDraw and EndDraw,
// returning false when the drawing itself fails) onto an 8 x 8 target cleared to transparent
// black, and the target's centre pixel is read back through a staging texture.
bool drawingReachesTarget(ID2D1Factory* factory, ID3D10Device* device,
                          const std::function<bool(ID2D1RenderTarget* target)>& draw);

// Whether FillOpacityMask draws on this device: a white brush through an opaque mask.
bool opacityMaskDraws(ID2D1Factory* factory, ID3D10Device* device);

// Whether the screen's render target can be copied into a bitmap (CopyFromRenderTarget): one
// 8 x 8 copy from the top left of the drawing area, which starts `statusHeight` rows down.
bool renderTargetCopies(ID2D1RenderTarget* screen, uint32_t statusHeight);
