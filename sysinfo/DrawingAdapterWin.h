#pragma once

// Which display adapter a graphics test draws with, asked of the graphics system. Windows only.

#include <unknwn.h>

#include "sysinfo/DrawingAdapter.h"

// The adapter of a Direct3D device (IDXGIDevice::GetAdapter, GetDesc); unknown when the
// device cannot say.
DrawingAdapter drawingAdapterOfDevice(IUnknown* device);

// The adapter of the primary display, where GDI draws (EnumDisplayDevices,
// DISPLAY_DEVICE_PRIMARY_DEVICE, with the adapter's device identifier and name); unknown when
// no display is primary or its identifier names no PCI vendor.
DrawingAdapter primaryDisplayAdapter();
