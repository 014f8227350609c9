#include "server/model/Cohort.h"

namespace model {

std::string CohortKey::modeText() const
{
    return nameOf(system) + ", " + std::to_string(width) + "x" + std::to_string(height) + ", " +
           std::to_string(bitsPerPixel) + " bpp";
}

} // namespace model
