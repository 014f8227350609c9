#include "server/model/GraphicsSystem.h"

namespace model {

std::string nameOf(GraphicsSystem system)
{
    switch (system) {
    case GraphicsSystem::Direct2D:
        return "Direct2D";
    case GraphicsSystem::GDI:
        return "GDI";
    case GraphicsSystem::Unknown:
        break;
    }
    return "unknown";
}

GraphicsSystem graphicsSystemOf(const std::vector<std::pair<std::string, std::string>>& fields)
{
    bool sourceMask = false, blit = false, overlappedBlit = false;
    for (const auto& [name, value] : fields) {
        if (name.rfind("BlitRect_", 0) == 0)
            blit = true;
        else if (name.rfind("OverlappedBlitRect_", 0) == 0)
            overlappedBlit = true;
        if (name == "GraphicsSystem") {
            if (value == "Direct2D")
                return GraphicsSystem::Direct2D;
            if (value == "GDI")
                return GraphicsSystem::GDI;
        }
        if ((name == "CompositeSrcMaskCombineAlphas" && value == "1") ||
            name.rfind("CompositeSrcMask_", 0) == 0)
            sourceMask = true;
    }
    // GDI measures the overlapped blit whenever it measures the blit (its copy within the window
    // cannot be refused); only Direct2D reports it not supported, also in a run without the
    // compositing group.
    return sourceMask || (blit && !overlappedBlit) ? GraphicsSystem::Direct2D : GraphicsSystem::GDI;
}

} // namespace model
