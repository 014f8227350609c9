#pragma once

#include <string>
#include <utility>
#include <vector>

namespace model {

// Which graphics system drew a run. Stored as its number.
enum class GraphicsSystem { Unknown = 0, Direct2D = 1, GDI = 2 };

std::string nameOf(GraphicsSystem system);  // "Direct2D", "GDI", "unknown"

// What an upload's fields say of the graphics system (docs/scores.md, "Cohorts"): a field
// GraphicsSystem of "Direct2D" or "GDI" when the program sends one; otherwise Direct2D when the
// run recorded CompositeSrcMaskCombineAlphas=1 or any CompositeSrcMask rate (the Direct2D
// source-mask test sets that flag whenever it runs, and GDI has no source-mask compositing at
// all, so it can record neither), or when it measured the blit but not the overlapped blit (GDI
// always measures both, Direct2D may report the overlapped one not supported); GDI otherwise.
GraphicsSystem graphicsSystemOf(const std::vector<std::pair<std::string, std::string>>& fields);

} // namespace model
