#include "d2d/D2DTest.h"

#include <sstream>

#include "base/OutputPair.h"
#include "core/GfxSysNotAvailableException.h"
#include "hresult/HResultNames.h"
#include "sysinfo/DrawingAdapterWin.h"
#include "base/VideoControllerInfo.h"

namespace {

const char WINDOW_CLASS_NAME[] = "Direct2DTest";
const DWORD WINDOW_STYLE = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
const DWORD WINDOW_EX_STYLE = WS_EX_APPWINDOW | WS_EX_TOPMOST;

// Tried in this order; the first the device accepts wins.
const D3D10_FEATURE_LEVEL1 FEATURE_LEVELS[5] = {
    D3D10_FEATURE_LEVEL_10_1, D3D10_FEATURE_LEVEL_10_0, D3D10_FEATURE_LEVEL_9_3,
    D3D10_FEATURE_LEVEL_9_2, D3D10_FEATURE_LEVEL_9_1};

// The test window is never serviced by a message loop; it only has to exist and be topmost.
LRESULT CALLBACK testWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

std::string hexCode(HRESULT code) {
    std::ostringstream text;
    text << std::hex << static_cast<uint32_t>(code);
    return text.str();
}

}  // namespace

DXGI_FORMAT D2DTest::swapChainFormatForDepth(uint32_t bitsPerPixel) {
    switch (bitsPerPixel) {
    case 32:
        return DXGI_FORMAT_R8G8B8A8_UNORM;
    case 16:
        return DXGI_FORMAT_B5G5R5A1_UNORM;
    default:
        return DXGI_FORMAT_UNKNOWN;
    }
}

// Every failure below throws after the members made so far have been destroyed in reverse
// order of their declaration, which is the release order of the tear-down.
D2DTest::D2DTest(BenchmarkClient& client, const std::string& statusPrefix, OutputPair& output,
                 uint32_t testFlags)
    : GfxTest(client, statusPrefix, output, testFlags) {
    if (!libraries.loadDirect2D()) {
        throw GfxSysNotAvailableException("This machine doesn't support Direct2D.");
    }
    // Without Direct3D 10.1 the machine has Direct2D but cannot run it: not a case for the
    // GDI fallback, but for a message that tells the user what to install.
    if (!libraries.loadDirect3D101()) {
        throw std::string(
            "ERROR: Direct2D test needs Direct3D 10.1. Please download and install DirectX 10.1 "
            "or higher.");
    }
    if (libraries.createD2DFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, d2dFactory.put()) != S_OK ||
        !d2dFactory) {
        d2dFactory.reset();
        throw GfxSysNotAvailableException("Cannot initialise Direct2D.");
    }

    output << "Initialising Direct2D test." << std::endl << std::endl;

    readCurrentDisplayMode();

    WNDCLASSA windowClassDesc = {};
    windowClassDesc.style = CS_OWNDC;
    windowClassDesc.lpfnWndProc = testWindowProcedure;
    windowClassDesc.hInstance = GetModuleHandleA(nullptr);
    windowClassDesc.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    windowClassDesc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClassDesc.lpszClassName = WINDOW_CLASS_NAME;
    if (!windowClass.registerClass(windowClassDesc)) {
        throw std::string(
            "ERROR: Could not create window class (needed to set up the Direct2D test).");
    }

    windowRect = RECT{0, 0, static_cast<LONG>(displayWidth), static_cast<LONG>(displayHeight)};
    AdjustWindowRectEx(&windowRect, WINDOW_STYLE, FALSE, WINDOW_EX_STYLE);
    window.adopt(CreateWindowExA(WINDOW_EX_STYLE, WINDOW_CLASS_NAME, "", WINDOW_STYLE, 0, 0,
                                 windowRect.right - windowRect.left,
                                 windowRect.bottom - windowRect.top, nullptr, nullptr,
                                 windowClass.instance(), nullptr));
    if (!window) {
        throw std::string("ERROR: Could not open the window for the display.");
    }

    createDeviceAndSwapChain();

    if (swapChain->GetBuffer(0, __uuidof(IDXGISurface), displaySurface.putVoid()) != S_OK ||
        !displaySurface) {
        displaySurface.reset();
        throw std::string("ERROR: Could not get the display surface.");
    }
    swapChain->Present(0, 0);

    D3D10_QUERY_DESC queryDesc = {D3D10_QUERY_EVENT, 0};
    if (device->CreateQuery(&queryDesc, eventQuery.put()) != S_OK || !eventQuery) {
        eventQuery.reset();
        throw std::string("ERROR: Cannot create a Direct3D query object");
    }

    D2D1_RENDER_TARGET_PROPERTIES targetProperties = {};
    targetProperties.type = D2D1_RENDER_TARGET_TYPE_HARDWARE;
    targetProperties.pixelFormat.format = DXGI_FORMAT_UNKNOWN;
    targetProperties.pixelFormat.alphaMode = D2D1_ALPHA_MODE_PREMULTIPLIED;
    targetProperties.dpiX = 0.0f;
    targetProperties.dpiY = 0.0f;
    targetProperties.usage = D2D1_RENDER_TARGET_USAGE_NONE;
    targetProperties.minLevel = D2D1_FEATURE_LEVEL_DEFAULT;
    HRESULT result = d2dFactory->CreateDxgiSurfaceRenderTarget(
        displaySurface.get(), &targetProperties, renderTarget.put());
    if (result != S_OK || !renderTarget) {
        renderTarget.reset();
        throw "ERROR: Could not create a render context (0x" + hexCode(result) + ": " +
            hresultName(result) + ").";
    }

    // One Direct2D unit is one pixel, whatever the system's DPI setting.
    renderTarget->SetDpi(96.0f, 96.0f);
    const D2D1_COLOR_F black = {0.0f / 255.0f, 0.0f / 255.0f, 0.0f / 255.0f, 1.0f};
    if (renderTarget->CreateSolidColorBrush(&black, nullptr, solidBrush.put()) != S_OK ||
        !solidBrush) {
        solidBrush.reset();
        throw std::string("ERROR: Could not allocate a solid brush.");
    }

    if (!libraries.loadDirectWrite() ||
        libraries.createWriteFactory(DWRITE_FACTORY_TYPE_SHARED, writeFactory.put()) != S_OK ||
        !writeFactory) {
        writeFactory.reset();
        throw std::string("ERROR: Could not create a DirectWrite factory.");
    }
    if (writeFactory->CreateTextFormat(L"Verdana", nullptr, DWRITE_FONT_WEIGHT_NORMAL,
                                       DWRITE_FONT_STYLE_NORMAL, DWRITE_FONT_STRETCH_NORMAL,
                                       14.0f, L"", textFormat.put()) != S_OK ||
        !textFormat) {
        textFormat.reset();
        throw std::string("ERROR: Could not create a text format.");
    }
    textFormat->SetTextAlignment(DWRITE_TEXT_ALIGNMENT_LEADING);
    textFormat->SetParagraphAlignment(DWRITE_PARAGRAPH_ALIGNMENT_CENTER);

    statusHeight = 20;
    ShowWindow(window.get(), SW_SHOW);
    SetForegroundWindow(window.get());
    SetFocus(window.get());

    renderTarget->BeginDraw();
    const D2D1_RECT_F wholeWindow = {
        static_cast<float>(windowRect.left), static_cast<float>(windowRect.top),
        static_cast<float>(windowRect.right), static_cast<float>(windowRect.bottom)};
    renderTarget->FillRectangle(&wholeWindow, solidBrush.get());
    renderTarget->EndDraw();

    setStatusMessage(statusPrefix);
    swapChain->Present(0, 0);

    recordGraphicsCard();
}

D2DTest::~D2DTest() = default;

void D2DTest::createDeviceAndSwapChain() {
    DXGI_SWAP_CHAIN_DESC desc = {};
    desc.BufferDesc.Width = displayWidth;
    desc.BufferDesc.Height = static_cast<UINT>(displayHeight);
    desc.BufferDesc.RefreshRate.Numerator = refreshRate;
    desc.BufferDesc.RefreshRate.Denominator = 1;
    desc.BufferDesc.Format = swapChainFormatForDepth(bitsPerPixel);
    if (desc.BufferDesc.Format == DXGI_FORMAT_UNKNOWN) {
        std::ostringstream text;
        text << "ERROR: " << bitsPerPixel << "bits per pixel is not supported\n";
        throw text.str();
    }
    desc.BufferDesc.ScanlineOrdering = DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED;
    desc.BufferDesc.Scaling = DXGI_MODE_SCALING_UNSPECIFIED;
    desc.SampleDesc.Count = 1;
    desc.SampleDesc.Quality = 0;
    desc.BufferUsage = DXGI_USAGE_SHADER_INPUT | DXGI_USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 1;
    desc.OutputWindow = window.get();
    desc.Windowed = FALSE;
    desc.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
    desc.Flags = 0;

    HRESULT result = E_FAIL;
    for (D3D10_FEATURE_LEVEL1 level : FEATURE_LEVELS) {
        result = libraries.createDeviceAndSwapChain(
            D3D10_DRIVER_TYPE_HARDWARE,
            D3D10_CREATE_DEVICE_SINGLETHREADED | D3D10_CREATE_DEVICE_BGRA_SUPPORT, level, &desc,
            swapChain.put(), device.put());
        if (result == S_OK && swapChain && device) {
            return;
        }
        swapChain.reset();
        device.reset();
    }
    throw "ERROR: Failed to create device and swap chain (0x" + hexCode(result) + ").";
}

void D2DTest::setStatusMessage(const std::string& text) {
    // The status texts are plain ASCII: one UTF-16 code unit per byte.
    std::wstring wide;
    wide.reserve(text.size());
    for (char c : text) {
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }

    renderTarget->BeginDraw();
    const D2D1_COLOR_F white = {1.0f, 1.0f, 1.0f, 1.0f};
    solidBrush->SetColor(&white);
    const D2D1_RECT_F strip = {0.0f, 0.0f, static_cast<float>(displayWidth),
                               static_cast<float>(statusHeight)};
    renderTarget->FillRectangle(&strip, solidBrush.get());
    const D2D1_COLOR_F black = {0.0f / 255.0f, 0.0f / 255.0f, 0.0f / 255.0f, 1.0f};
    solidBrush->SetColor(&black);
    const D2D1_RECT_F layout = {3.0f, 0.0f, static_cast<float>(displayWidth),
                                static_cast<float>(statusHeight - 1)};
    renderTarget->DrawText(wide.c_str(), static_cast<UINT32>(text.size()), textFormat.get(),
                           &layout, solidBrush.get(), D2D1_DRAW_TEXT_OPTIONS_NONE,
                           DWRITE_MEASURING_MODE_NATURAL);
    renderTarget->EndDraw();
}

void D2DTest::flushAndWait() {
    renderTarget->Flush();
    eventQuery->End();
    BOOL reached = FALSE;
    while (eventQuery->GetData(&reached, sizeof(reached), 0) == S_FALSE) {
    }
}

// The card recorded is the one the device was made on, whatever order the system lists its
// adapters in.
void D2DTest::recordGraphicsCard() {
    describeCard(queryVideoController(drawingAdapterOfDevice(device.get())));
}
