#include "gdi/GDITest.h"

#include <memory>
#include <ostream>

#include "base/OutputPair.h"
#include "core/RandomGenerator.h"
#include "results/BCObject.h"
#include "sysinfo/DrawingAdapterWin.h"
#include "base/VideoControllerInfo.h"

namespace {

const char kWindowClassName[] = "GDITest";
constexpr DWORD kWindowExStyle = WS_EX_APPWINDOW | WS_EX_TOPMOST;
constexpr DWORD kWindowStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

// The window is never serviced by a message loop while the tests run; whatever reaches it is
// left to the default handling.
LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

GDITest::GDITest(BenchmarkClient& client, const std::string& statusPrefix, OutputPair& output,
                 uint32_t testFlags)
    : GfxTest(client, statusPrefix, output, testFlags)
{
    output << "Initialising GDI test." << std::endl << std::endl;

    readCurrentDisplayMode();

    WNDCLASSA windowClass{};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClassName;
    if (!instance.registerClass(windowClass)) {
        throw std::string("ERROR: Could not create window class (needed to set up the GDI test).");
    }

    // From here on a failure leaves through the owners: dc, window, class, in that order.
    RECT area{0, 0, static_cast<LONG>(displayWidth), static_cast<LONG>(displayHeight)};
    AdjustWindowRectEx(&area, kWindowStyle, FALSE, kWindowExStyle);
    window.reset(CreateWindowExA(kWindowExStyle, kWindowClassName, "", kWindowStyle, 0, 0,
                                 area.right - area.left, area.bottom - area.top, nullptr,
                                 nullptr, instance.instance(), nullptr));
    if (window.get() == nullptr) {
        throw std::string("ERROR: Could not open the window for the display.");
    }
    if (!dc.acquire(window.get())) {
        throw std::string("ERROR: Could not get the window's device context.");
    }

    ShowWindow(window.get(), SW_SHOW);
    SetForegroundWindow(window.get());
    SetFocus(window.get());

    statusFont = GetStockObject(SYSTEM_FONT);
    SelectObject(dc.get(), statusFont);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc.get(), &metrics);
    statusHeight = metrics.tmHeight + 4;

    SelectObject(dc.get(), GetStockObject(BLACK_BRUSH));
    Rectangle(dc.get(), 0, 0, area.right - area.left, area.bottom - area.top);

    setStatusMessage(this->statusPrefix);

    // GDI draws on the primary display's adapter.
    describeCard(queryVideoController(primaryDisplayAdapter()));
}

GDITest::~GDITest() = default;

void GDITest::setStatusMessage(const std::string& text)
{
    HDC target = dc.get();
    SelectObject(target, GetStockObject(WHITE_PEN));
    SelectObject(target, GetStockObject(WHITE_BRUSH));
    Rectangle(target, 0, 0, static_cast<int>(displayWidth), statusHeight);

    HGDIOBJ previousFont = SelectObject(target, statusFont);
    if (previousFont == nullptr || previousFont == HGDI_ERROR) {
        return;
    }
    SetTextColor(target, 0);
    SetBkMode(target, TRANSPARENT);
    RECT textArea{2, 2, static_cast<LONG>(displayWidth), statusHeight - 2};
    DrawTextA(target, text.c_str(), static_cast<int>(text.size()), &textArea, DT_VCENTER);
    SelectObject(target, previousFont);
}

int GDITest::shadeBlendCaps()
{
    return GetDeviceCaps(dc.get(), SHADEBLENDCAPS);
}

void GDITest::finishDrawing()
{
    GdiFlush();
    GetPixel(dc.get(), 0, 0);
}

void GDITest::fillWithRandomWords(void* bits, uint64_t bytes)
{
    uint32_t* words = static_cast<uint32_t*>(bits);
    const uint64_t wordCount = (bytes + 3) / 4;
    for (uint64_t i = 0; i < wordCount; ++i) {
        words[i] = static_cast<uint32_t>(nextRandom());
    }
}

DisturbanceWatch* GDITest::disturbanceWatch()
{
    if (!watch)
        watch = std::make_unique<GDIDisturbanceWatch>(window.get());
    return watch.get();
}
