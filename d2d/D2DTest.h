#pragma once

#include <d2d1.h>
#include <d3d10_1.h>
#include <dwrite.h>
#include <dxgi.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/GfxTest.h"
#include "base/ComPtr.h"
#include "d2d/D2DDisturbanceWatch.h"
#include "d2d/D2DLibraries.h"
#include "d2d/FullScreenSwapChain.h"
#include "d2d/WindowOwners.h"

// The graphics test drawn with Direct2D on an exclusive full-screen Direct3D 10.1 swap chain.
// Construction throws GfxSysNotAvailableException when Direct2D cannot be used at all (the
// caller then falls back to GDI) and a std::string beginning "ERROR: " for every other set-up
// failure, after giving back everything it had made.
class D2DTest : public GfxTest {
public:
    D2DTest(BenchmarkClient& client, const std::string& statusPrefix, OutputPair& output,
            uint32_t testFlags);
    ~D2DTest() override;

    int32_t runPixelArrayTests(int32_t firstTest, int32_t totalTests,
                               uint64_t minimumMicroseconds, bool& failed) override;
    int32_t pixelArrayTestCount() override { return 2; }
    double fillRectTest(int32_t width, int32_t height, int32_t count) override;
    double bltBitMapTest(int32_t width, int32_t height, int32_t count) override;
    // -1.0 (not supported) where the render target cannot be copied into a bitmap
    // (see canCopyRenderTarget).
    double overlappedBltBitMapTest(int32_t width, int32_t height, int32_t count) override;
    double compositeTest(int32_t width, int32_t height, int32_t count,
                         bool& premultipliedAlpha) override;
    // -1.0 (not supported) where opacity masks do not draw (see canDrawOpacityMasks).
    double compositeSrcMaskTest(int32_t width, int32_t height, int32_t count,
                                bool& premultipliedAlpha, bool& combinedAlphas) override;
    double randomTest(int32_t count, uint64_t& pixelCount) override;
    void setStatusMessage(const std::string& text) override;

    // Makes the device finish everything queued so far: flushes the render target, ends the
    // event query and waits until the device reports it reached (or reports an error).
    void flushAndWait();

    // Whether this platform copies the render target into a bitmap, and whether it draws
    // through opacity masks: probed on first need, once for the test's life. The random mix
    // puts empty places where the operations cannot be done, so it counts no pixels for them.
    // Throws the message string of a probe whose own resources cannot be made.
    bool canCopyRenderTarget();
    bool canDrawOpacityMasks();

    // The swap-chain format for a display depth: R8G8B8A8 for 32 bits, B5G5R5A1 for 16,
    // DXGI_FORMAT_UNKNOWN for any other depth.
    static DXGI_FORMAT swapChainFormatForDepth(uint32_t bitsPerPixel);

    // The device objects, for the pixel-array transfers and for tests that read the screen.
    ID3D10Device1* getDevice() const { return device.get(); }
    IDXGISwapChain* getSwapChain() const { return swapChain.get(); }
    ID2D1RenderTarget* getRenderTarget() const { return renderTarget.get(); }
    HWND getWindow() const { return window.get(); }

protected:
    // Watches the swap chain, the window and the device; Present results reach it through
    // present().
    DisturbanceWatch* disturbanceWatch() override;

private:
    // Present(0, 0) of the swap chain, its result noted for the disturbance watch.
    void present();
    void createDeviceAndSwapChain();
    // Queries the video controller, keeps the card's name, and records and prints the card,
    // its driver and the display mode as every back end does.
    void recordGraphicsCard();
    // The end of every timed run: EndDraw (its failure throws "ERROR: Rendering failed."),
    // flushAndWait, then the clock. Returns the seconds since `start`.
    double finishTimedRun(uint64_t start);
    // Rows of the drawing area below the status strip; none on a screen no taller than it.
    uint32_t drawingAreaRows() const {
        return displayHeight > statusHeight ? static_cast<uint32_t>(displayHeight - statusHeight)
                                            : 0;
    }
    // What both pixel-array tests move pixels between; owned by runPixelArrayTests.
    struct PixelArrayTextures {
        ID3D10Texture2D* staging;
        ID3D10Texture2D* video;
        ID2D1Bitmap* videoBitmap;  // the video-memory texture as Direct2D draws it
        uint32_t rowPitch;         // of the staging texture, as its Map reported it
    };
    // One of the two pixel-array tests, calibrated, printed and recorded.
    void runPixelArrayTest(bool write, int32_t testNumber, int32_t totalTests,
                           uint64_t minimumMicroseconds, bool& failed,
                           const PixelArrayTextures& textures);
    // One transfer of `rows` full-width rows between the two textures, waited for.
    void transferPixelArray(bool write, uint32_t rows, ID3D10Texture2D* stagingTexture,
                            ID3D10Texture2D* defaultTexture);

    // Declared so that destruction runs the release order: text format, DirectWrite factory,
    // brush, render target, event query, display surface, swap chain (after leaving full
    // screen), device, window, window class, Direct2D factory; the libraries go last, after
    // every interface they handed out.
    D2DLibraries libraries;
    ComPtr<ID2D1Factory> d2dFactory;
    RegisteredWindowClass windowClass;  // its instance: the program's module
    OwnedWindow window;
    RECT windowRect = {};               // the adjusted window rectangle
    ComPtr<ID3D10Device1> device;
    FullScreenSwapChain swapChain;
    ComPtr<IDXGISurface> displaySurface;
    ComPtr<ID3D10Query> eventQuery;
    ComPtr<ID2D1RenderTarget> renderTarget;
    ComPtr<ID2D1SolidColorBrush> solidBrush;
    ComPtr<IDWriteFactory> writeFactory;
    ComPtr<IDWriteTextFormat> textFormat;
    std::optional<bool> copiesRenderTarget;
    std::optional<bool> drawsOpacityMasks;
    std::unique_ptr<D2DDisturbanceWatch> watch;  // made at the first question
};
