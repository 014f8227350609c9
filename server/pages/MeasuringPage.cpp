#include "server/pages/MeasuringPage.h"

#include <algorithm>
#include <cmath>

#include "measuring/MeasuringPlan.h"
#include "server/model/Cohort.h"
#include "server/model/Comparison.h"
#include "server/model/LogHistogram.h"
#include "server/model/Outliers.h"
#include "server/model/Ranking.h"
#include "server/model/Score.h"
#include "server/model/TestId.h"
#include "server/pages/Html.h"
#include "server/pages/JsonWriter.h"
#include "server/pages/PageFrame.h"

using model::Test;
using model::TestId;
using model::Unit;

namespace {

// As the program measures (measuring/MeasuringPlan.h).
constexpr int kSmallestSquare = measuring::kSmallestSquare;
constexpr int kLargestSquare = measuring::kLargestSquare;
constexpr double kMega = 1048576.0;  // 2^20: a megapixel, and a MiB in bytes

// What one test does, in the words of this site; its name is the one the console heads its
// table with, so that a reader finds the same word on the screen and here.
struct TestText {
    Test test;
    bool sized;
    std::string units;  // the rates a run records for it
    std::string draws;
    std::string direct2D;
    std::string gdi;
};

std::string nameOf(Test test)
{
    return TestId{test, 0, Unit::Ops}.displayName();
}

const std::vector<TestText>& testTexts()
{
    static const std::vector<TestText> texts = {
        {Test::WritePixelArray, false, "MiB/s",
         "Copies a whole screen of pixels (the display's width by its height less the status strip, at the "
         "display's colour depth) from the processor's memory to the graphics card, screen after screen, "
         "until a timed pass lasts the minimum duration.",
         "A Direct3D copy from a staging texture the processor can map into a texture in video memory; each "
         "copy is waited for before the next.",
         "BitBlt from a bitmap in system memory to the test window."},
        {Test::ReadPixelArray, false, "MiB/s",
         "The same screen of pixels the other way: from the graphics card back into the processor's memory.",
         "A Direct3D copy from the video-memory texture into the staging texture, waited for by mapping it "
         "for reading.",
         "BitBlt from the test window into the bitmap in system memory."},
        {Test::FillRect, true, "Ops/s, MPixel/s",
         "Fills squares with solid colours, each square a new colour, at random positions below the status "
         "strip.",
         "FillRectangle with one brush whose colour changes for every square.",
         "FillRect with a brush made and deleted for every square; making the brush is part of the time."},
        {Test::BlitRect, true, "Ops/s, MPixel/s",
         "Copies a square bitmap, a pattern of 200 coloured rectangles painted before the clock starts, onto "
         "the screen at random positions.",
         "DrawBitmap of a bitmap on the device, nearest-neighbour, one to one.",
         "BitBlt from an off-screen bitmap compatible with the window."},
        {Test::OverlappedBlitRect, true, "Ops/s, MPixel/s",
         "Copies a square of the screen onto a place that overlaps it, moved by less than its side in both "
         "directions; each copy starts where the last one landed.",
         "The square is copied from the screen into a bitmap and drawn back at its new place.",
         "One BitBlt within the window."},
        {Test::Composite, true, "Ops/s, MPixel/s",
         "Blends a square translucent bitmap (200 rectangles of varying transparency) onto the screen at "
         "random positions, pixel by pixel through its alpha channel.",
         "DrawBitmap of a bitmap with premultiplied alpha, antialiasing off.",
         "GdiAlphaBlend with per-pixel alpha (premultiplied); not supported where the display driver reports "
         "no blending."},
        {Test::CompositeSrcMask, true, "Ops/s, MPixel/s",
         "Blends a square bitmap onto the screen through a separate mask: the mask's alpha decides how much "
         "of the bitmap shows at each pixel.",
         "FillOpacityMask with the bitmap as its brush; the run notes whether the mask's alpha was multiplied "
         "by the bitmap's own.",
         "GDI has no such operation: every size is reported as not supported and no rate is recorded."},
        {Test::Random, false, "Ops/s, MPixel/s",
         "A weighted mix of all of the above in random order: each operation is one of 102 places (below), "
         "drawn as a square of random side at a random position. MPixel/s counts the pixels actually drawn "
         "or moved.",
         "The Direct2D operations above, each on its own square.",
         "The GDI operations above; the source-mask place draws nothing."},
    };
    return texts;
}

// The random mix's places: (test, weight); under GDI the source-mask place is empty.
struct MixPlace {
    Test test;
    int weight;
};
const std::vector<MixPlace>& mixPlaces()
{
    static const std::vector<MixPlace> places = {
        {Test::WritePixelArray, 1}, {Test::ReadPixelArray, 1}, {Test::FillRect, 20}, {Test::BlitRect, 20},
        {Test::OverlappedBlitRect, 20}, {Test::Composite, 20}, {Test::CompositeSrcMask, 20},
    };
    return places;
}

int mixEntries()
{
    int total = 0;
    for (const MixPlace& p : mixPlaces())
        total += p.weight;
    return total;
}

struct Mode {
    int width;
    int height;
};
const std::vector<Mode>& exampleModes()
{
    static const std::vector<Mode> modes = {{320, 240},   {640, 480},   {800, 600},   {1024, 768},
                                            {1280, 1024}, {1920, 1080}, {1920, 1200}, {2560, 1440}};
    return modes;
}

std::string sizesText(const std::vector<int>& sizes)
{
    if (sizes.empty())
        return "none";
    return std::to_string(sizes.front()) + "–" + std::to_string(sizes.back()) + " (" +
           std::to_string(sizes.size()) + (sizes.size() == 1 ? " size)" : " sizes)");
}

// The operations each timed measurement starts with, before calibrating.
struct StartCount {
    Test test;
    int count;
};
const std::vector<StartCount>& startCounts()
{
    static const std::vector<StartCount> counts = {
        {Test::FillRect, measuring::kFillStartCount},
        {Test::BlitRect, measuring::kBlitStartCount},
        {Test::OverlappedBlitRect, measuring::kOverlappedBlitStartCount},
        {Test::Composite, measuring::kCompositeStartCount},
        {Test::CompositeSrcMask, measuring::kCompositeSrcMaskStartCount},
        {Test::Random, measuring::kRandomStartCount},
    };
    return counts;
}
constexpr int64_t kTransferStartBytes = static_cast<int64_t>(measuring::kTransferStartBytes);
constexpr int kGiveUpRuns = measuring::kRetryLimit + 1;

// The worked example of MPixel/s: FillRect 64x64 at 400 000 squares a second.
constexpr double kExampleOps = 400000;
constexpr int kExampleSide = 64;

std::string link(const std::string& anchor, const std::string& text)
{
    return "<a href=\"#" + anchor + "\">" + text + "</a>";
}

std::string testsSection()
{
    std::string s = "<h2 id=\"tests\">What each test draws</h2>\n<p>A run measures the tests below in this "
                    "order, the same order as the console and every page. A test the graphics system "
                    "reports as not supported on the machine (or not hardware accelerated) is printed so and "
                    "records no rate; the pages show it as not measured. Every random position, size and "
                    "colour comes from one random sequence that starts the same in every run.</p>\n"
                    "<div class=\"scroll\"><table><caption>The tests</caption><tr><th>Test</th>"
                    "<th>What it draws</th><th>Rates</th></tr>\n";
    for (const TestText& t : testTexts()) {
        s += "<tr><th id=\"test-" + nameOf(t.test) + "\">" + nameOf(t.test) + "</th><td>" + escapeHtml(t.draws) +
             (t.sized ? " One measurement per " + link("sizes", "size") + "." : std::string()) + "</td><td>" +
             t.units + "</td></tr>\n";
    }
    return s + "</table></div>\n";
}

std::string unitsSection()
{
    const double mpixels = kExampleOps * kExampleSide * kExampleSide / kMega;
    return "<h2 id=\"units\">Sizes and units</h2>\n<p id=\"sizes\">A <b>size</b> is a square of N×N pixels: "
           "the console's “(64, 64)” and the pages' “64x64” are a square of 64 by 64 pixels. The sized tests "
           "run at N = " + std::to_string(kSmallestSquare) + ", 32, 64 and so on, doubling while the square fits "
           "on the display below the status strip (N no larger than the width, nor than the height less the "
           "strip), up to " + std::to_string(kLargestSquare) + ". The status strip is the band at the top of the "
           "test window where the program writes which test runs; it is " + std::to_string(kStatusStrip) +
           " pixels high under Direct2D, and under GDI the system font's height plus 4 (" +
           std::to_string(kStatusStrip) + " with the usual font).</p>\n"
           "<p id=\"mpixel\">A <b>MPixel</b> (megapixel) is 2<sup>20</sup> = 1048576 pixels, and a <b>MiB</b> is "
           "2<sup>20</sup> = 1048576 bytes. <b>Ops/s</b> counts the squares drawn (or the mix's operations) a "
           "second. A sized test's MPixel/s is its Ops/s times the square's pixels over 1048576: FillRect " +
           std::to_string(kExampleSide) + "x" + std::to_string(kExampleSide) + " at " + formatRate(kExampleOps) +
           " Ops/s is " + formatRate(kExampleOps) + " × " + std::to_string(kExampleSide * kExampleSide) +
           " / 1048576 = " + formatRate(mpixels) + " MPixel/s. So the pages compare sized tests by their Ops/s, "
           "and show MPixel/s beside it. Rates are shown with the six significant digits the program uploads "
           "them with; figures of a cohort (medians, quartiles) with the four significant digits their " +
           link("bins", "bins") + " know (whole numbers from 1000 up).</p>\n";
}

std::string modeSection()
{
    std::string s = "<h2 id=\"mode\">What the display mode changes</h2>\n<p>A run measures in the display mode "
                    "the desktop is in, full screen. The mode decides:</p>\n<ul>\n"
                    "<li>the sizes: a larger display runs more of them (the table below);</li>\n"
                    "<li>the transfers: WritePixelArray and ReadPixelArray move a whole screen at a time, so the "
                    "width, the height and the colour depth (2 bytes a pixel at 16 bits, 4 at 32) set how much "
                    "each copy moves;</li>\n"
                    "<li>the random mix: its squares run from " + std::to_string(kSmallestSquare) +
                    " pixels to the largest power of two below both the width and the height less the status "
                    "strip (at most " + std::to_string(kLargestSquare) + "), so a larger display draws larger "
                    "squares on average and its MPixel/s and Ops/s mean other things.</li>\n</ul>\n"
                    "<p>That is why results are only pooled with results of the same width, height and colour "
                    "depth (their " + link("cohort", "cohort") + "), and why the " + link("score", "score") +
                    " uses only tests every mode runs. The refresh rate is recorded and shown, but does not "
                    "change what is drawn.</p>\n"
                    "<div class=\"scroll\"><table><caption>Sizes by display mode (status strip " +
                    std::to_string(kStatusStrip) + " pixels)</caption><tr><th>Display mode</th><th>Sizes (pixels)"
                    "</th><th class=\"n\">Largest square of the random mix</th></tr>\n";
    for (const Mode& m : exampleModes()) {
        s += "<tr><td>" + std::to_string(m.width) + "x" + std::to_string(m.height) + "</td><td>" +
             sizesText(squareSizesFor(m.width, m.height)) + "</td><td class=\"n\">" +
             std::to_string(randomMixLargestSquare(m.width, m.height)) + "</td></tr>\n";
    }
    return s + "</table></div>\n";
}

std::string randomSection()
{
    const int entries = mixEntries();
    std::string s = "<h2 id=\"random\">The random mix</h2>\n<p>The random test draws from a list of " +
                    std::to_string(entries) + " places: each operation picks one place at random (all equally "
                    "likely), then a square side at random from " + std::to_string(kSmallestSquare) +
                    " pixels to the mix's largest square (see " + link("mode", "the display mode") +
                    "), then a random position. A test with weight 20 so has a chance of 20 in " +
                    std::to_string(entries) + " each time. The transfers of the mix move one square, not a whole "
                    "screen. Under GDI the source-mask place is empty: it counts as an operation but draws "
                    "nothing, so a GDI mix's Ops/s includes those and its MPixel/s does not.</p>\n"
                    "<div class=\"scroll\"><table><caption>Places of the random mix</caption><tr><th>Operation</th>"
                    "<th class=\"n\">Weight</th><th>Under GDI</th></tr>\n";
    for (const MixPlace& p : mixPlaces()) {
        s += "<tr><td>" + nameOf(p.test) + "</td><td class=\"n\">" + std::to_string(p.weight) + "</td><td>" +
             (p.test == Test::CompositeSrcMask ? "nothing (an empty operation)" : "the same") + "</td></tr>\n";
    }
    return s + "</table></div>\n";
}

std::string durationSection()
{
    std::string counts;
    for (const StartCount& c : startCounts()) {
        if (c.count != measuring::kFillStartCount)
            counts += ", " + nameOf(c.test) + " " + std::to_string(c.count);
    }
    return "<h2 id=\"duration\">How long each test runs</h2>\n<p>Before the tests the program measures the step "
           "of its clock (the average of 100 steps of the millisecond timer, whose resolution it sets to 1 ms) "
           "and makes every timed run last at least 1000 steps: normally one second, which the console prints "
           "as “Tests will take at least 1.000 seconds each.” Each size starts with " +
           std::to_string(measuring::kFillStartCount) + " operations (" +
           counts.substr(2) + "); a run that ends sooner is repeated with a count estimated to last 1.1 times "
           "the minimum (1.5 times the last count where that estimate is no larger), until one lasts long "
           "enough. Nothing carries "
           "over from one size to the next. The transfers start with " + std::to_string(kTransferStartBytes) +
           " bytes a pass and grow the same way. A test still too short after " + std::to_string(kGiveUpRuns) +
           " runs gives up (“Test failed. Your graphics card drivers may be faulty.”), and a run in which a test "
           "gave up cannot be uploaded.</p>\n<p>The clock is read only after the graphics system has finished "
           "everything it was given (under GDI by flushing and reading a pixel of the window, under Direct2D "
           "by waiting for the device to reach an event), so a time covers the drawing, not just handing it "
           "over. Rates are the count over the time: Ops/s = operations / seconds, MPixel/s = pixels / "
           "seconds / 1048576, MiB/s = bytes / seconds / 1048576.</p>\n";
}

std::string systemsSection()
{
    std::string s =
        "<h2 id=\"systems\">Direct2D and GDI</h2>\n<p>A run draws through one graphics system of Windows, named "
        "on every result page:</p>\n<ul>\n<li><b>Direct2D</b>: Direct2D on a Direct3D 10.1 hardware device "
        "(feature level 10.1 down to 9.1), full screen. All drawing calls of a timed run are sent between one "
        "BeginDraw and EndDraw, so the system may batch them.</li>\n<li><b>GDI</b>: the classic Windows drawing "
        "interface, into the test window's device context; GDI+ paints the translucent source images before "
        "the clock starts.</li>\n</ul>\n<p>The program tries Direct2D first. It uses GDI when Direct2D is "
        "missing from the system or cannot be started (the console then prints “This machine doesn't support "
        "Direct2D.” or “Cannot initialise Direct2D.”); any other failure to set Direct2D up ends the run instead. "
        "So a result is Direct2D wherever Direct2D works on that machine.</p>\n<p>This site takes the system "
        "from the upload's GraphicsSystem field when it has one. Otherwise a result is Direct2D when it has a "
        "CompositeSrcMask rate or records that the mask's alpha was combined "
        "(CompositeSrcMaskCombineAlphas), both of which only Direct2D produces, or when it measured BltBitMap "
        "but not OverlappedBltBitMap (GDI always measures both); it is GDI otherwise. The two systems draw "
        "differently enough that their results are never pooled; to set one against the other on a card, "
        "compare their two cohorts side by side (Cohorts/FIRST,SECOND, with the cohort IDs a card's driver "
        "histories give).</p>\n"
        "<div class=\"scroll\"><table><caption>How each test is drawn</caption><tr><th>Test</th><th>Direct2D"
        "</th><th>GDI</th></tr>\n";
    for (const TestText& t : testTexts())
        s += "<tr><th>" + nameOf(t.test) + "</th><td>" + escapeHtml(t.direct2D) + "</td><td>" + escapeHtml(t.gdi) +
             "</td></tr>\n";
    return s + "</table></div>\n";
}

std::string scoreSection()
{
    const model::ScoreReference& reference = model::builtInReference();
    std::string core;
    for (std::size_t i = 0; i < model::coreTests().size(); ++i)
        core += std::string(i == 0 ? "" : i + 1 == model::coreTests().size() ? " and " : ", ") +
                escapeHtml(model::coreTests()[i].label());
    std::string s =
        "<h2 id=\"score\">The score</h2>\n<p>The score rates a result on " +
        std::to_string(model::coreTests().size()) + " <b>core tests</b> that every complete run produces whatever "
        "its display mode and graphics system: " + core + ". Larger squares are left out because small "
        "displays never draw them (128 pixels fit every mode down to 320x240, 256 do not); OverlappedBltBitMap, "
        "Composite and CompositeSrcMask because a graphics system may report them as not supported; MPixel/s "
        "because it is Ops/s again, times the square's pixels.</p>\n"
        "<p>score = 1000 × exp( mean over the " + std::to_string(model::coreTests().size()) +
        " core rates of ln(rate / reference rate) )</p>\n"
        "<p>That is 1000 times the geometric mean of the result's rates divided by those of a <b>reference</b> "
        "result: the reference scores exactly 1000, a result twice as fast on every core test scores 2000. A "
        "result that lacks a core rate, or whose core rate is 0 (a test that gave up), has no score, and its "
        "page says which rates were missing. The score is worked out once, when the result arrives; nothing "
        "uploaded later changes it.</p>\n<p><b>Versions.</b> A new reference makes a new score version, and "
        "every stored result is then scored again against it; scores of different versions are never compared "
        "or ranked together, and every page that shows a score names its version and reference. Version " +
        std::to_string(reference.version) + " rates against " + escapeHtml(reference.label) + ":</p>\n"
        "<div class=\"scroll\"><table><caption>The reference of score version " +
        std::to_string(reference.version) + "</caption><tr><th>Core test</th><th class=\"n\">Rate</th></tr>\n";
    for (const model::Rate& rate : reference.rates)
        s += "<tr><td>" + escapeHtml(rate.id.label()) + "</td><td class=\"n\">" + formatRate(rate.value) +
             "</td></tr>\n";
    return s + "</table></div>\n<p>The " + link("ranking", "card ranking") + " and the " +
           link("percentile", "standings") + " below use these scores.</p>\n";
}

std::string figuresSection()
{
    return "<h2 id=\"figures\">The figures on these pages</h2>\n"
           "<p id=\"cohort\"><b>Cohort.</b> A result is measured against the results of the same graphics card "
           "(its name and IDs), the same driver libraries, the same graphics system and the same display mode "
           "(width, height and colour depth). Results of other modes or the other system are linked, never "
           "pooled. A cohort's figures count only its <b>counted</b> results: not " + link("outliers", "outliers") +
           ", and not results imported from a saved transcript unless the site's operator counts them.</p>\n"
           "<p id=\"bins\"><b>Medians and quartiles.</b> Each cohort keeps, for every rate and for its scores, "
           "counts in bins about 1 % wide on a log scale (bin b holds the values "
           "v with b ≤ ln(v) / " + formatRate(model::LogHistogram::kRateWidth) + " &lt; b + 1), and reads each "
           "value back as its bin's centre, so every median, quartile and band shown is within 0.5 % of the "
           "exact one. A q-quantile of n ascending values is read at position q·(n − 1), between the two "
           "nearest ranks: 10, 20, 30 and 40 have the quartiles 17.5 and 32.5 and the median 25.</p>\n"
           "<p id=\"percentile\"><b>Percentile.</b> 100 × (counted values in lower bins + half of those in the "
           "value's own bin) / counted values: 30 among 10, 20, 30 and 40 stands at 62.5, a result alone in its "
           "cohort at 50.</p>\n"
           "<p id=\"ranks\"><b>Ranks.</b> Among all counted scores of the version, and among those of the same "
           "card: 1 + the number of counted scores in higher bins, the bins " +
           formatRate(model::LogHistogram::kScoreWidth * 100) + " % wide, so results within " +
           formatRate(model::LogHistogram::kScoreWidth * 100) + " % of one another share a rank.</p>\n"
           "<p id=\"ranking\"><b>Card ranking.</b> Each card by the median of its counted scores, with their "
           "quartiles and number; a card is ranked from " + std::to_string(model::kRankingMinimum) +
           " counted scores on, those with fewer are listed apart.</p>\n"
           "<p id=\"outliers\"><b>Outliers.</b> A result whose score lies below Q1 / r³ or above Q3 · r³ of its "
           "cohort's counted scores, where r = Q3 / Q1 but at least " + formatRate(model::kLeastQuartileRatio) +
           " (Tukey's far-out fences on the log of the score), is an outlier: flagged on its page and left out "
           "of its cohort's figures and the rankings. It is judged when it arrives, if its cohort then has "
           "at least " + std::to_string(model::kOutlierMinimum) + " counted scores; the results counted before "
           "that are judged when the cohort's counted scores reach " + std::to_string(model::kOutlierMinimum) +
           ", by the fences of those " + std::to_string(model::kOutlierMinimum) + ".</p>\n"
           "<p id=\"noise\"><b>Marking a change.</b> Every page that marks changes (▲ faster, ▼ slower) judges "
           "all of its rows together: each row's test gives a p-value, the Benjamini-Hochberg rule at 5 % keeps "
           "the rows whose p-values stand out over the whole page, and of these only a change larger than the "
           "cohort's own run-to-run spread (the typical ratio between two of its counted results), and never "
           "one under 3 %, is marked. So two runs of one cohort show any mark on at most 1 page in 20, however "
           "many tests the page shows.</p>\n"
           "<p><b>Two results</b> are judged against the first one's cohort (at least " +
           std::to_string(model::kNoiseMinimum) + " counted results): the p-value is the larger of Student's t on "
           "the logs and the share of the cohort's own pairs that lie at least as far apart.</p>\n"
           "<p id=\"rank-test\"><b>Cohort against cohort.</b> A driver against the previous version, on a "
           "result page and in a card's driver history, and any two cohorts set against each other, are judged "
           "test by test with the Mann-Whitney rank test on their counted results (the p-value of its z), with "
           "at least " + std::to_string(model::kShiftMinimum) + " counted results on each side. Driver versions "
           "are ordered as their vendor numbers releases (NVIDIA's 31.0.15.3161 is release 531.61), one release "
           "built for two driver models is one version, and other vendors' drivers are kept apart.</p>\n";
}

} // namespace

std::vector<int> squareSizesFor(int width, int height, int strip)
{
    std::vector<int> sizes;
    const int64_t largest = std::min<int64_t>({width, static_cast<int64_t>(height) - strip, kLargestSquare});
    for (int side = kSmallestSquare; side <= largest; side *= 2)
        sizes.push_back(side);
    return sizes;
}

int randomMixLargestSquare(int width, int height, int strip)
{
    int64_t side = kSmallestSquare;
    if (width > kSmallestSquare) {
        while (side < static_cast<int64_t>(height) - strip) {
            side *= 2;
            if (side >= width)
                break;
        }
    }
    return static_cast<int>(std::min<int64_t>(side / 2, kLargestSquare));
}

std::string measuringPageHtml()
{
    std::string body = "<h1>How it is measured</h1>\n<p>What Korvid draws, how long, in which units, and what "
                       "the figures on these pages mean. Contents: " +
                       link("tests", "the tests") + ", " + link("units", "sizes and units") + ", " +
                       link("mode", "the display mode") + ", " + link("random", "the random mix") + ", " +
                       link("duration", "how long each test runs") + ", " + link("systems", "Direct2D and GDI") +
                       ", " + link("score", "the score") + ", " + link("figures", "the other figures") + ".</p>\n";
    body += testsSection() + unitsSection() + modeSection() + randomSection() + durationSection() +
            systemsSection() + scoreSection() + figuresSection();
    return pageFrame("How it is measured", body);
}

std::string measuringPageJson()
{
    JsonWriter j;
    j.beginObject();
    j.key("units").beginObject().field("pixelsPerMPixel", static_cast<int64_t>(kMega));
    j.field("bytesPerMiB", static_cast<int64_t>(kMega)).endObject();
    j.key("example").beginObject().field("test", TestId{Test::FillRect, kExampleSide, Unit::Ops}.label());
    j.field("opsPerSecond", kExampleOps).field("side", static_cast<int64_t>(kExampleSide));
    j.field("mpixelsPerSecond", kExampleOps * kExampleSide * kExampleSide / kMega).endObject();

    j.key("tests").beginArray();
    for (const TestText& t : testTexts()) {
        j.beginObject().field("name", nameOf(t.test)).field("field", TestId{t.test, 0, Unit::Ops}.testName());
        j.field("sized", t.sized).field("units", t.units).field("draws", t.draws);
        j.field("direct2D", t.direct2D).field("gdi", t.gdi).endObject();
    }
    j.endArray();

    j.key("sizes").beginObject().field("smallest", static_cast<int64_t>(kSmallestSquare));
    j.field("largest", static_cast<int64_t>(kLargestSquare)).field("statusStrip", static_cast<int64_t>(kStatusStrip));
    j.key("modes").beginArray();
    for (const Mode& m : exampleModes()) {
        j.beginObject().field("width", m.width).field("height", m.height).key("sizes").beginArray();
        for (int side : squareSizesFor(m.width, m.height))
            j.value(side);
        j.endArray().field("randomMixLargest", randomMixLargestSquare(m.width, m.height)).endObject();
    }
    j.endArray().endObject();

    j.key("randomMix").beginObject().field("entries", mixEntries()).key("places").beginArray();
    for (const MixPlace& p : mixPlaces()) {
        j.beginObject().field("name", nameOf(p.test)).field("weight", p.weight);
        j.field("underGdi", p.test == Test::CompositeSrcMask ? "nothing" : "the same").endObject();
    }
    j.endArray().endObject();

    j.key("duration").beginObject().field("clockSteps", static_cast<int64_t>(1000));
    j.field("giveUpAfterRuns", static_cast<int64_t>(kGiveUpRuns));
    j.field("transferStartBytes", kTransferStartBytes).key("startCounts").beginObject();
    for (const StartCount& c : startCounts())
        j.field(nameOf(c.test), c.count);
    j.endObject().endObject();

    j.key("graphicsSystems").beginArray();
    j.beginObject().field("name", "Direct2D").field("used", "whenever Direct2D can be started").endObject();
    j.beginObject().field("name", "GDI").field("used", "when Direct2D is missing or cannot be started").endObject();
    j.endArray();

    const model::ScoreReference& reference = model::builtInReference();
    j.key("score").beginObject().field("scale", static_cast<int64_t>(1000)).key("coreTests").beginArray();
    for (const TestId& id : model::coreTests())
        j.value(id.label());
    j.endArray().key("reference").beginObject().field("version", reference.version);
    j.field("label", reference.label).key("rates").beginArray();
    for (const model::Rate& rate : reference.rates)
        j.beginObject().field("test", rate.id.label()).field("value", rate.value).endObject();
    j.endArray().endObject().endObject();

    j.key("figures").beginObject();
    j.field("rateBinWidth", model::LogHistogram::kRateWidth).field("scoreBinWidth", model::LogHistogram::kScoreWidth);
    j.field("noiseMinimum", model::kNoiseMinimum).field("falseMarkRate", model::kFalseMarkRate);
    j.field("smallestChange", std::exp(model::kSmallestChange));
    j.field("rankTestMinimum", model::kShiftMinimum).field("outlierMinimum", model::kOutlierMinimum);
    j.field("outlierLeastQuartileRatio", model::kLeastQuartileRatio).field("rankingMinimum", model::kRankingMinimum);
    j.endObject();
    j.endObject();
    return j.text();
}
