#pragma once

#include <string>
#include <vector>

// "How it is measured": what each test draws, what a size and a megapixel are, how the display
// mode shapes a run, Direct2D and GDI, and how the score and the other figures are defined.
// The result pages link here instead of each explaining it again. The page depends on no
// stored result, so it is the same for every request.
std::string measuringPageHtml();
std::string measuringPageJson();

// The status strip at the top of the test window, which no test draws into: 20 pixels under
// Direct2D, the system font's height plus 4 under GDI (20 with the usual font).
constexpr int kStatusStrip = 20;

// The square sides a display mode runs the sized tests at: 16, 32, 64, ... while the square fits
// beside the status strip (side <= width and <= height - strip), at most 1024.
std::vector<int> squareSizesFor(int width, int height, int strip = kStatusStrip);
// The largest square of the random mix: the largest power of two below both the width and the
// height less the strip, at most 1024 (8 when either is 16 or less, where no mix can run).
int randomMixLargestSquare(int width, int height, int strip = kStatusStrip);
