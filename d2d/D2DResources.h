#pragma once

#include <d2d1.h>
#include <d3d10_1.h>

#include <cstdint>

#include "base/ComPtr.h"

// The bitmaps and textures the timed operations make before their clock starts. Each creator
// throws its operation's message (std::string) after releasing what it made.

// A bitmap with the render target that draws into it; the bitmap is released first.
struct CompatibleBitmap {
    ComPtr<ID2D1BitmapRenderTarget> target;
    ComPtr<ID2D1Bitmap> bitmap;
};

// A render target of width x height compatible with `screen` (its pixel format, or A8 with
// straight alpha for a mask). Failure: "ERROR: Could not allocate a bitmap render target.
// Test failed."
ComPtr<ID2D1BitmapRenderTarget> createCompatibleTarget(ID2D1RenderTarget* screen, uint32_t width,
                                                       uint32_t height, bool mask);
// The target's bitmap. Failure: bitmapFailureText.
ComPtr<ID2D1Bitmap> targetBitmap(ID2D1BitmapRenderTarget* target, const char* bitmapFailureText);
// A bitmap of width x height in the screen's pixel format with no contents, DPI 96.
// Failure: failureText.
ComPtr<ID2D1Bitmap> createPlainBitmap(ID2D1RenderTarget* screen, uint32_t width, uint32_t height,
                                      const char* failureText);

// A W x H texture in the screen's format for the pixel-array transfers: a staging texture the
// processor maps for reading and writing, or a default (video-memory) texture that shaders and
// Direct2D can read. Failure: "ERROR: Cannot create a temporary texture".
ComPtr<ID3D10Texture2D> createTransferTexture(ID3D10Device* device, uint32_t width,
                                              uint32_t height, DXGI_FORMAT format, bool staging);
// Maps the staging texture and fills the first rows x row pitch bytes (rounded up to whole
// 32-bit words) with one random draw per word. Returns the row pitch. Failure: "ERROR: Cannot
// map the staging texture for CPU access."
uint32_t fillWithRandomWords(ID3D10Texture2D* staging, uint32_t rows);
