#include "sysinfo/CardThatDrew.h"

AdapterMemoryRegistry::~AdapterMemoryRegistry() = default;

namespace {

const VideoControllerListing* controllerOf(const std::vector<VideoControllerListing>& controllers,
                                           const DrawingAdapter& adapter)
{
    if (!adapter.known) {
        return controllers.empty() ? nullptr : &controllers.back();
    }
    for (const VideoControllerListing& controller : controllers) {
        const std::optional<PciIds> ids = pciIdsOfDevice(controller.pnpDeviceId);
        if (ids && *ids == adapter.ids) {
            return &controller;
        }
    }
    return nullptr;
}

VideoControllerInfo asTheGraphicsSystemTellsIt(const DrawingAdapter& adapter)
{
    VideoControllerInfo info;
    info.cardName = adapter.description;
    info.vendorID = adapter.ids.vendorID;
    info.productID = adapter.ids.productID;
    info.subProductID = adapter.ids.subProductID;
    info.subVendorID = adapter.ids.subVendorID;
    info.driverVersion = adapter.driverVersion;
    info.videoMemorySize = adapter.dedicatedVideoMemory;
    return info;
}

} // namespace

VideoControllerInfo describeCardThatDrew(const std::vector<VideoControllerListing>& controllers,
                                         const DrawingAdapter& adapter,
                                         AdapterMemoryRegistry& registry)
{
    const VideoControllerListing* controller = controllerOf(controllers, adapter);
    if (!controller) {
        return adapter.known ? asTheGraphicsSystemTellsIt(adapter) : VideoControllerInfo();
    }
    VideoControllerInfo info = controller->info;
    const std::optional<uint64_t> registered =
        controller->pnpDeviceId.empty() ? std::nullopt : registry.memorySize(controller->pnpDeviceId);
    if (registered && *registered > 0) {
        info.videoMemorySize = *registered;
    } else if (adapter.known && adapter.dedicatedVideoMemory > 0) {
        info.videoMemorySize = adapter.dedicatedVideoMemory;
    }
    return info;
}
