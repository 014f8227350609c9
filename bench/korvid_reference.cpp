// The reference drawing loop: the FillRect and BltBitMap drawing of the benchmark's two back
// ends, with the same calls, positions, colours, random draws and flushing, but none of the
// benchmark around them: one full-screen window, one device, one timed loop of `count`
// operations of one size, one result line. scripts/bench runs it and the benchmark
// alternately to see what the benchmark's own machinery costs.
//
// It times with the performance counter, independent of the benchmark's millisecond clock.
#include <windows.h>
#include <mmsystem.h>

#include <d2d1.h>
#include <d3d10_1.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/ReferenceOptions.h"
#include "core/RandomGenerator.h"

namespace {

constexpr uint32_t kColourStep = 65601;         // 0x10041, per rectangle
constexpr uint32_t kPatternEnd = 200 * kColourStep;  // 200 source rectangles
constexpr DWORD kWindowExStyle = WS_EX_APPWINDOW | WS_EX_TOPMOST;
constexpr DWORD kWindowStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
const char kWindowClassName[] = "KorvidReference";

// ---------------------------------------------------------------------------------------------
// Owners

template <typename T>
class Com {
public:
    Com() = default;
    ~Com() { reset(); }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() {
        if (p_) {
            T* old = p_;
            p_ = nullptr;
            old->Release();
        }
    }

private:
    T* p_ = nullptr;
};

class Library {
public:
    explicit Library(const char* name) : module_(LoadLibraryA(name)) {}
    ~Library() {
        if (module_) {
            FreeLibrary(module_);
        }
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    template <typename F>
    F entry(const char* name) const {
        return module_ ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)))
                       : nullptr;
    }

private:
    HMODULE module_;
};

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// The topmost full-screen popup both back ends of the benchmark draw into. Never serviced by a
// message loop, like theirs.
class TestWindow {
public:
    TestWindow() {
        DEVMODEA mode = {};
        mode.dmSize = sizeof(mode);
        EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
        width = static_cast<int>(mode.dmPelsWidth);
        height = static_cast<int>(mode.dmPelsHeight);
        refreshRate = mode.dmDisplayFrequency;
        bitsPerPixel = mode.dmBitsPerPel;

        WNDCLASSA windowClass = {};
        windowClass.style = CS_OWNDC;
        windowClass.lpfnWndProc = windowProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kWindowClassName;
        if (!RegisterClassA(&windowClass)) {
            throw std::string("cannot register the window class");
        }
        registered_ = true;
        area = RECT{0, 0, width, height};
        AdjustWindowRectEx(&area, kWindowStyle, FALSE, kWindowExStyle);
        handle = CreateWindowExA(kWindowExStyle, kWindowClassName, "", kWindowStyle, 0, 0,
                                 area.right - area.left, area.bottom - area.top, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!handle) {
            UnregisterClassA(kWindowClassName, GetModuleHandleA(nullptr));
            throw std::string("cannot open the window");
        }
    }
    ~TestWindow() {
        if (handle) {
            DestroyWindow(handle);
        }
        if (registered_) {
            UnregisterClassA(kWindowClassName, GetModuleHandleA(nullptr));
        }
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    void show() {
        ShowWindow(handle, SW_SHOW);
        SetForegroundWindow(handle);
        SetFocus(handle);
    }

    HWND handle = nullptr;
    RECT area = {};
    int width = 0;
    int height = 0;
    uint32_t refreshRate = 0;
    uint32_t bitsPerPixel = 0;

private:
    bool registered_ = false;
};

class Stopwatch {
public:
    Stopwatch() { QueryPerformanceFrequency(&frequency_); }
    void start() { QueryPerformanceCounter(&start_); }
    double seconds() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start_.QuadPart) /
               static_cast<double>(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_ = {};
    LARGE_INTEGER start_ = {};
};

void checkFits(const ReferenceOptions& options, int xRange, int yRange) {
    if (xRange <= 0 || yRange <= 0) {
        throw "a square of " + std::to_string(options.size) +
            " pixels does not fit the drawing area";
    }
}

// ---------------------------------------------------------------------------------------------
// GDI

void gdiFinish(HDC dc) {
    GdiFlush();
    GetPixel(dc, 0, 0);
}

void gdiFill(HDC target, int left, int top, int right, int bottom, uint32_t colour) {
    HBRUSH brush = CreateSolidBrush(colour & 0xFFFFFF);
    RECT rect = {left, top, right, bottom};
    FillRect(target, &rect, brush);
    DeleteObject(brush);
}

double runGDI(const ReferenceOptions& options) {
    TestWindow window;
    if (window.bitsPerPixel < 16) {
        throw std::string("the screen mode is not truecolour");
    }
    HDC dc = GetDC(window.handle);
    if (!dc) {
        throw std::string("cannot get the window's device context");
    }
    struct DCRelease {
        HWND w;
        HDC d;
        ~DCRelease() { ReleaseDC(w, d); }
    } dcRelease{window.handle, dc};
    window.show();

    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    const int statusHeight = metrics.tmHeight + 4;
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    Rectangle(dc, 0, 0, window.area.right - window.area.left,
              window.area.bottom - window.area.top);

    const int w = options.size;
    const int h = options.size;
    const int xRange = window.width - w;
    const int yRange = window.height - statusHeight - h;
    checkFits(options, xRange, yRange);
    Stopwatch clock;

    if (options.operation == ReferenceOptions::Operation::FillRect) {
        auto fillLoop = [&](int32_t n) {
            uint32_t colour = 0;
            for (int32_t i = 0; i < n; ++i) {
                const int x = nextRandom() % xRange;
                const int y = nextRandom() % yRange + statusHeight;
                gdiFill(dc, x, y, x + w, y + h, colour);
                colour += kColourStep;
            }
        };
        fillLoop(options.warmup);
        gdiFinish(dc);
        clock.start();
        fillLoop(options.count);
        gdiFinish(dc);
        return clock.seconds();
    }

    HDC memory = CreateCompatibleDC(dc);
    if (!memory) {
        throw std::string("cannot create a memory device context");
    }
    HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
    if (!bitmap) {
        DeleteDC(memory);
        throw std::string("cannot allocate the source bitmap");
    }
    HGDIOBJ previous = SelectObject(memory, bitmap);
    struct MemoryRelease {
        HDC m;
        HBITMAP b;
        HGDIOBJ p;
        ~MemoryRelease() {
            SelectObject(m, p);
            DeleteObject(b);
            DeleteDC(m);
        }
    } memoryRelease{memory, bitmap, previous};

    // The source: 200 rectangles of up to half the square's size.
    for (uint32_t colour = 0; colour != kPatternEnd; colour += kColourStep) {
        const int a = nextRandom() % w;
        const int b = nextRandom() % h;
        const int x = nextRandom() % (w - a / 2 - 1);
        const int y = nextRandom() % (h - b / 2 - 1);
        gdiFill(memory, x, y, x + a / 2 + 1, y + b / 2 + 1, colour);
    }

    auto blitLoop = [&](int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
            const int x = nextRandom() % xRange;
            const int y = nextRandom() % yRange + statusHeight;
            BitBlt(dc, x, y, w, h, memory, 0, 0, SRCCOPY);
        }
    };
    blitLoop(options.warmup);
    gdiFinish(dc);
    clock.start();
    blitLoop(options.count);
    gdiFinish(dc);
    return clock.seconds();
}

// ---------------------------------------------------------------------------------------------
// Direct2D

using CreateFactoryFunction = HRESULT(WINAPI*)(D2D1_FACTORY_TYPE, REFIID,
                                               const D2D1_FACTORY_OPTIONS*, void**);
using CreateDeviceFunction = HRESULT(WINAPI*)(IDXGIAdapter*, D3D10_DRIVER_TYPE, HMODULE, UINT,
                                              D3D10_FEATURE_LEVEL1, UINT, DXGI_SWAP_CHAIN_DESC*,
                                              IDXGISwapChain**, ID3D10Device1**);

D2D1_COLOR_F colourFor(uint32_t counter) {
    return D2D1_COLOR_F{static_cast<float>((counter >> 16) & 255) / 255.0f,
                        static_cast<float>((counter >> 8) & 255) / 255.0f,
                        static_cast<float>(counter & 255) / 255.0f, 1.0f};
}

D2D1_RECT_F rectF(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    return D2D1_RECT_F{static_cast<float>(left), static_cast<float>(top),
                       static_cast<float>(right), static_cast<float>(bottom)};
}

// The swap chain leaves full-screen mode before it goes, so the display mode is given back.
struct SwapChainOwner {
    Com<IDXGISwapChain> chain;
    ~SwapChainOwner() {
        if (chain) {
            chain->SetFullscreenState(FALSE, nullptr);
        }
    }
};

double runDirect2D(const ReferenceOptions& options) {
    Library d2d1("d2d1.dll");
    Library d3d10_1("d3d10_1.dll");
    auto createFactory = d2d1.entry<CreateFactoryFunction>("D2D1CreateFactory");
    auto createDevice = d3d10_1.entry<CreateDeviceFunction>("D3D10CreateDeviceAndSwapChain1");
    if (!createFactory || !createDevice) {
        throw std::string("Direct2D or Direct3D 10.1 is not available");
    }
    // Declared in creation order: released in reverse, the window after the device.
    Com<ID2D1Factory> factory;
    if (createFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory), nullptr,
                      factory.putVoid()) != S_OK) {
        throw std::string("cannot create the Direct2D factory");
    }
    TestWindow window;
    DXGI_SWAP_CHAIN_DESC desc = {};
    desc.BufferDesc.Width = static_cast<UINT>(window.width);
    desc.BufferDesc.Height = static_cast<UINT>(window.height);
    desc.BufferDesc.RefreshRate.Numerator = window.refreshRate;
    desc.BufferDesc.RefreshRate.Denominator = 1;
    if (window.bitsPerPixel == 32) {
        desc.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    } else if (window.bitsPerPixel == 16) {
        desc.BufferDesc.Format = DXGI_FORMAT_B5G5R5A1_UNORM;
    } else {
        throw std::to_string(window.bitsPerPixel) + " bits per pixel is not supported";
    }
    desc.SampleDesc.Count = 1;
    desc.BufferUsage = DXGI_USAGE_SHADER_INPUT | DXGI_USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 1;
    desc.OutputWindow = window.handle;
    desc.Windowed = FALSE;
    desc.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;

    Com<ID3D10Device1> device;
    SwapChainOwner swapChain;
    const D3D10_FEATURE_LEVEL1 levels[] = {D3D10_FEATURE_LEVEL_10_1, D3D10_FEATURE_LEVEL_10_0,
                                           D3D10_FEATURE_LEVEL_9_3, D3D10_FEATURE_LEVEL_9_2,
                                           D3D10_FEATURE_LEVEL_9_1};
    HRESULT result = E_FAIL;
    for (D3D10_FEATURE_LEVEL1 level : levels) {
        result = createDevice(nullptr, D3D10_DRIVER_TYPE_HARDWARE, nullptr,
                              D3D10_CREATE_DEVICE_SINGLETHREADED |
                                  D3D10_CREATE_DEVICE_BGRA_SUPPORT,
                              level, D3D10_1_SDK_VERSION, &desc, swapChain.chain.put(),
                              device.put());
        if (result == S_OK) {
            break;
        }
        swapChain.chain.reset();
        device.reset();
    }
    if (result != S_OK) {
        throw std::string("cannot create the device and swap chain");
    }
    Com<IDXGISurface> surface;
    if (swapChain.chain->GetBuffer(0, __uuidof(IDXGISurface), surface.putVoid()) != S_OK) {
        throw std::string("cannot get the display surface");
    }
    swapChain.chain->Present(0, 0);
    Com<ID3D10Query> eventQuery;
    D3D10_QUERY_DESC queryDesc = {D3D10_QUERY_EVENT, 0};
    if (device->CreateQuery(&queryDesc, eventQuery.put()) != S_OK) {
        throw std::string("cannot create the event query");
    }
    D2D1_RENDER_TARGET_PROPERTIES properties = {};
    properties.type = D2D1_RENDER_TARGET_TYPE_HARDWARE;
    properties.pixelFormat.format = DXGI_FORMAT_UNKNOWN;
    properties.pixelFormat.alphaMode = D2D1_ALPHA_MODE_PREMULTIPLIED;
    properties.usage = D2D1_RENDER_TARGET_USAGE_NONE;
    properties.minLevel = D2D1_FEATURE_LEVEL_DEFAULT;
    Com<ID2D1RenderTarget> target;
    if (factory->CreateDxgiSurfaceRenderTarget(surface.get(), &properties, target.put()) !=
        S_OK) {
        throw std::string("cannot create the render target");
    }
    target->SetDpi(96.0f, 96.0f);
    const D2D1_COLOR_F black = {0.0f, 0.0f, 0.0f, 1.0f};
    Com<ID2D1SolidColorBrush> brush;
    if (target->CreateSolidColorBrush(&black, nullptr, brush.put()) != S_OK) {
        throw std::string("cannot create the solid brush");
    }
    window.show();
    target->BeginDraw();
    const D2D1_RECT_F whole = rectF(window.area.left, window.area.top, window.area.right,
                                    window.area.bottom);
    target->FillRectangle(&whole, brush.get());
    target->EndDraw();

    // Whatever was drawn so far is finished before the clock is read, and everything the loop
    // queued is finished before it is read again.
    auto flushAndWait = [&]() {
        target->Flush();
        eventQuery->End();
        BOOL reached = FALSE;
        while (eventQuery->GetData(&reached, sizeof(reached), 0) == S_FALSE) {
        }
    };

    const int statusHeight = 20;
    const int w = options.size;
    const int h = options.size;
    const int64_t maxX = static_cast<int64_t>(window.width) - w;
    const int64_t maxY = static_cast<int64_t>(window.height) - h - statusHeight;
    checkFits(options, static_cast<int>(maxX), static_cast<int>(maxY));
    Stopwatch clock;
    swapChain.chain->Present(0, 0);

    if (options.operation == ReferenceOptions::Operation::FillRect) {
        auto fillLoop = [&](int32_t n) {
            target->BeginDraw();
            uint32_t counter = 0;
            for (int32_t i = 0; i < n; ++i) {
                const uint32_t x = static_cast<uint32_t>(nextRandom() % maxX);
                const uint32_t y = static_cast<uint32_t>(nextRandom() % maxY) + statusHeight;
                const D2D1_COLOR_F colour = colourFor(counter);
                brush->SetColor(&colour);
                const D2D1_RECT_F rect = rectF(x, y, x + w, y + h);
                target->FillRectangle(&rect, brush.get());
                counter += kColourStep;
            }
            return target->EndDraw();
        };
        if (options.warmup > 0) {
            fillLoop(options.warmup);
        }
        flushAndWait();
        clock.start();
        if (fillLoop(options.count) != S_OK) {
            throw std::string("rendering failed");
        }
        flushAndWait();
        return clock.seconds();
    }

    // The blit source: a compatible bitmap of the square's size with 200 opaque rectangles.
    const D2D1_SIZE_F size = {static_cast<float>(w), static_cast<float>(h)};
    const D2D1_SIZE_U pixelSize = {static_cast<UINT32>(w), static_cast<UINT32>(h)};
    Com<ID2D1BitmapRenderTarget> sourceTarget;
    if (target->CreateCompatibleRenderTarget(&size, &pixelSize, nullptr,
                                             D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_NONE,
                                             sourceTarget.put()) != S_OK) {
        throw std::string("cannot create the source's render target");
    }
    sourceTarget->BeginDraw();
    for (uint32_t counter = 0; counter != kPatternEnd; counter += kColourStep) {
        const uint32_t rw = static_cast<uint32_t>(nextRandom() % w) / 2 + 1;
        const uint32_t rh = static_cast<uint32_t>(nextRandom() % h) / 2 + 1;
        const uint32_t x = static_cast<uint32_t>(nextRandom()) % (w - rw);
        const uint32_t y = static_cast<uint32_t>(nextRandom()) % (h - rh);
        const D2D1_COLOR_F colour = colourFor(counter);
        brush->SetColor(&colour);
        const D2D1_RECT_F rect = rectF(x, y, x + rw, y + rh);
        sourceTarget->FillRectangle(&rect, brush.get());
    }
    sourceTarget->EndDraw();
    Com<ID2D1Bitmap> source;
    if (sourceTarget->GetBitmap(source.put()) != S_OK) {
        throw std::string("cannot get the source bitmap");
    }
    const D2D1_RECT_F sourceRect = rectF(0, 0, w, h);
    auto blitLoop = [&](int32_t n) {
        target->BeginDraw();
        for (int32_t i = 0; i < n; ++i) {
            const uint32_t x = static_cast<uint32_t>(nextRandom() % maxX);
            const uint32_t y = static_cast<uint32_t>(nextRandom() % maxY) + statusHeight;
            const D2D1_RECT_F destination = rectF(x, y, x + w, y + h);
            target->DrawBitmap(source.get(), &destination, 1.0f,
                               D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, &sourceRect);
        }
        return target->EndDraw();
    };
    if (options.warmup > 0) {
        blitLoop(options.warmup);
    }
    flushAndWait();
    clock.start();
    if (blitLoop(options.count) != S_OK) {
        throw std::string("rendering failed");
    }
    flushAndWait();
    return clock.seconds();
}

// The process state the benchmark measures in: 1 ms timer resolution for the whole run, the
// thread on the first processor, raised priorities. Restored on the way out.
class MeasuringConditions {
public:
    explicit MeasuringConditions(bool pin) {
        timeBeginPeriod(1);
        if (pin) {
            SetThreadAffinityMask(GetCurrentThread(), 1);
        }
        processClass_ = GetPriorityClass(GetCurrentProcess());
        threadPriority_ = GetThreadPriority(GetCurrentThread());
        SetPriorityClass(GetCurrentProcess(), ABOVE_NORMAL_PRIORITY_CLASS);
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    }
    ~MeasuringConditions() {
        SetThreadPriority(GetCurrentThread(), threadPriority_);
        SetPriorityClass(GetCurrentProcess(), processClass_);
        timeEndPeriod(1);
    }
    MeasuringConditions(const MeasuringConditions&) = delete;
    MeasuringConditions& operator=(const MeasuringConditions&) = delete;

private:
    DWORD processClass_ = NORMAL_PRIORITY_CLASS;
    int threadPriority_ = THREAD_PRIORITY_NORMAL;
};

}  // namespace

int main(int argc, char** argv) {
    ReferenceOptions options;
    try {
        options = parseReferenceOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::string& message) {
        std::fprintf(stderr, "%s\n", message.c_str());
        return 10;
    }
    try {
        double seconds = 0.0;
        {
            MeasuringConditions conditions(options.pinToFirstProcessor);
            seconds = options.backEnd == ReferenceOptions::BackEnd::Direct2D
                          ? runDirect2D(options)
                          : runGDI(options);
        }
        if (!(seconds > 0.0)) {
            std::fprintf(stderr, "ERROR: the loop was too short to measure\n");
            return 2;
        }
        std::printf("%s\n", referenceResultLine(options, seconds).c_str());
        std::fflush(stdout);
        return 0;
    } catch (const std::string& message) {
        std::fprintf(stderr, "ERROR: %s\n", message.c_str());
        return 1;
    }
}
