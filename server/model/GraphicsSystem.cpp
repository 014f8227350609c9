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
    bool sourceMask = false;
    for (const auto& [name, value] : fields) {
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
    return sourceMask ? GraphicsSystem::Direct2D : GraphicsSystem::GDI;
}

} // namespace model
