#pragma once

#include <d2d1.h>
#include <d3d10_1.h>

#include <functional>

// Whether a drawing reaches the device at all: `draw` paints (its own BeginDraw and EndDraw,
// returning false when it cannot) onto an 8 x 8 target cleared to transparent black, and the
// target's centre pixel is read back through a staging texture. False also when the probe
// cannot be set up.
bool drawingReachesTarget(ID2D1Factory* factory, ID3D10Device* device,
                          const std::function<bool(ID2D1RenderTarget* target)>& draw);

// Whether FillOpacityMask draws on this device: a white brush through an opaque mask. Some
// implementations accept the call and report success without drawing anything (Wine 8's is a
// stub), which would make the source-mask test time nothing and report it as compositing.
bool opacityMaskDraws(ID2D1Factory* factory, ID3D10Device* device);
