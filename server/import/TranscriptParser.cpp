#include "server/import/TranscriptParser.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <vector>

#include "server/protocol/DocumentLimits.h"
#include "server/protocol/FieldValue.h"
#include "server/protocol/ProtocolError.h"
#include "server/protocol/RecordRules.h"
#include "server/protocol/RecordTypes.h"
#include "server/protocol/TextEncoding.h"

namespace {

const std::string kSeparator(60, '-');
const DocumentLimits kLimits;
// Table sizes as a measurement name can hold them (MeasurementName); rates and sizes as an
// unsigned 64-bit count can.
constexpr int kLargestSize = 99999;
constexpr double kLargestCount = 9.2e18;

const std::map<std::string, std::string> kSizedGroups = {
    {"FillRect:", "FillRect_"},
    {"BltBitMap:", "BlitRect_"},
    {"OverlappedBltBitMap:", "OverlappedBlitRect_"},
    {"Composite:", "Composite_"},
    {"CompositeSrcMask:", "CompositeSrcMask_"},
};
const std::string kSizedHeader = "Size\t\t    Time (s)\t       Ops/s\t    MPixel/s";
const std::string kRandomHeader = "Time (s)\t       Ops/s\t    MPixel/s";

// What korvid.exe requires before it uploads: every test group ran. Each group, the lines only
// it prints (its results, or its title when it has a table) and the option that leaves it out.
struct TestGroup {
    std::string name;
    std::vector<std::string> lines;
    std::string option;
};
const std::vector<TestGroup> kTestGroups = {
    {"the copy to/from VRAM tests", {"WritePixelArray: ", "ReadPixelArray: "}, "-nm"},
    {"the fill rect tests", {"FillRect:"}, "-nf"},
    {"the blit rect tests", {"BltBitMap:", "OverlappedBltBitMap:"}, "-nb"},
    {"the compositing tests", {"Composite:", "CompositeSrcMask:"}, "-nc"},
    {"the random tests", {"Random:"}, "-nr"},
};
// The submission status korvid.exe prints instead of uploading.
const std::vector<std::string> kNotSubmitted = {
    "Did not perform the full set of tests, so the result cannot be submitted to the results server",
    "Some tests failed, so the result cannot be submitted to the results server",
};

const std::map<std::string, std::string> kNotes = {
    {"NOTE: Compositing (or alpha blending) used premultiplied alpha mode.", "CompositePremultAlpha"},
    {"NOTE: The source mask's alpha channel was multiplied by the source bitmap's alpha channel.",
     "CompositeSrcMaskCombineAlphas"},
    {"NOTE: The source bitmap's alpha channel was premultiplied.", "CompositeSrcMaskPremultAlpha"},
};

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string trim(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// As the program writes a recorded rate: six significant digits.
std::string fieldText(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

class Reader {
public:
    explicit Reader(const std::string& text)
    {
        std::string line;
        for (char c : text) {
            if (c == '\n') {
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                lines_.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        if (!line.empty())
            lines_.push_back(line);
    }

    bool atEnd() const { return next_ >= lines_.size(); }
    // The number of the first line holding that byte; 0 when none does.
    int firstLineWith(char c) const
    {
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            if (lines_[i].find(c) != std::string::npos)
                return static_cast<int>(i + 1);
        }
        return 0;
    }
    int lineNumber() const { return static_cast<int>(next_); }  // of the line last taken
    const std::string& take() { return lines_[next_++]; }
    const std::string& peek() const { return lines_[next_]; }

    [[noreturn]] void fail(const std::string& reason) const { throw TranscriptError(lineNumber(), reason); }

    // The next line that is not empty; it must start with prefix. Returns the rest.
    std::string expect(const std::string& prefix, const std::string& what)
    {
        while (!atEnd() && peek().empty())
            take();
        if (atEnd())
            throw TranscriptError(lineNumber(), "the file ends where " + what + " (\"" + prefix + "\") was expected");
        const std::string& line = take();
        if (!startsWith(line, prefix))
            fail("expected " + what + " (\"" + prefix + "...\"), found \"" + line + "\"");
        return line.substr(prefix.size());
    }

    // Skips lines up to and including one equal to any of the given ones; returns it.
    std::string skipTo(const std::vector<std::string>& wanted, const std::string& what)
    {
        while (!atEnd()) {
            const std::string& line = take();
            for (const std::string& w : wanted) {
                if (line == w)
                    return line;
            }
        }
        throw TranscriptError(lineNumber(), "the file ends before " + what);
    }

private:
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
};

double number(const Reader& in, const std::string& text, const std::string& what)
{
    const std::string t = trim(text);
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(t.c_str(), &end);
    if (t.empty() || *end != '\0' || errno != 0 || !std::isfinite(value) || value < 0)
        in.fail(what + " is not a number: \"" + text + "\"");
    return value;
}

std::string count(const Reader& in, double value, const std::string& text, const std::string& what)
{
    if (value > kLargestCount)
        in.fail(what + " is out of range: \"" + text + "\"");
    return std::to_string(static_cast<unsigned long long>(std::llround(value)));
}

// A text of the file as a field value: what an upload of it would store, within its bound.
std::string valueText(const Reader& in, const std::string& text, const std::string& what)
{
    if (text.size() > kLimits.maxValueBytes)
        in.fail(what + " is longer than " + std::to_string(kLimits.maxValueBytes) + " bytes");
    return fieldValue(text);
}

// An imported record obeys what an uploaded one does (RecordRules); a refusal names the line
// the record was read from. Its references and members are checked as naming the longest ID a
// record can have: the IDs are known only once the records are stored.
void checkRecord(int line, RecordDocument document)
{
    for (RecordReference& reference : document.references)
        reference.id = INT32_MAX;
    for (RecordCollection& collection : document.collections) {
        for (RecordMember& member : collection.members)
            member.id = INT32_MAX;
    }
    try {
        checkRecordRules(document, kLimits);
        checkLookupFits(document, kLimits);
    } catch (const ProtocolError& error) {
        throw TranscriptError(line, document.type + ": " + error.what());
    }
}

// Places a description record read from that line in the tree, once it obeys the rules.
int32_t place(RecordTree& tree, int line, RecordDocument record)
{
    checkRecord(line, record);
    return tree.add(std::move(record));
}

// A record of a name and a version, as korvid.exe describes an operating system or a library:
// the version record names a shared record of the name. The place of the version record.
int32_t placeVersion(RecordTree& tree, int line, const char* versionType, const char* versionField,
                     const char* role, const char* nameType, const std::string& name, const std::string& version)
{
    RecordDocument versionRecord{versionType, {{versionField, version}}, {{role, 0}}, {}};
    checkRecord(line, versionRecord);
    versionRecord.references[0].id = place(tree, line, RecordDocument{nameType, {{"Name", name}}, {}, {}});
    return tree.add(std::move(versionRecord));
}

// A card's PCI ID as korvid.exe writes it: lower-case hexadecimal without leading zeros.
std::string hexID(unsigned id)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", id);
    return text;
}

// "3.4 GHz" as printed from a count of hertz; back to the count, as precise as the print.
std::string hertz(const Reader& in, const std::string& text)
{
    static const std::vector<std::pair<std::string, double>> units = {
        {" THz", 1e12}, {" GHz", 1e9}, {" MHz", 1e6}, {" KHz", 1e3}, {" Hz", 1}};
    for (const auto& [unit, factor] : units) {
        if (endsWith(text, unit)) {
            const double v = number(in, text.substr(0, text.size() - unit.size()), "the frequency");
            return count(in, v * factor, text, "the frequency");
        }
    }
    in.fail("the frequency has no unit: \"" + text + "\"");
}

std::string bytes(const Reader& in, const std::string& text)
{
    static const std::vector<std::pair<std::string, double>> units = {
        {" TiB", 1099511627776.0}, {" GiB", 1073741824.0}, {" MiB", 1048576.0}, {" KiB", 1024.0}, {" bytes", 1}};
    for (const auto& [unit, factor] : units) {
        if (endsWith(text, unit)) {
            const double v = number(in, text.substr(0, text.size() - unit.size()), "the size");
            return count(in, v * factor, text, "the size");
        }
    }
    in.fail("the size has no unit: \"" + text + "\"");
}

std::string decimal(const Reader& in, const std::string& text, const std::string& what)
{
    if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789") != std::string::npos)
        in.fail(what + " is not a whole number: \"" + text + "\"");
    return text;
}

// "\t"-separated fixed-point rates, as a table row prints them.
std::vector<double> rates(const Reader& in, const std::string& text, std::size_t count)
{
    std::vector<double> values;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = text.find('\t', start);
        values.push_back(number(in, text.substr(start, tab - start), "a table value"));
        if (tab == std::string::npos)
            break;
        start = tab + 1;
    }
    if (values.size() != count)
        in.fail("expected " + std::to_string(count) + " values separated by tabs, found " +
                std::to_string(values.size()));
    return values;
}

void readSystemInformation(Reader& in, RecordTree& tree)
{
    in.skipTo({"System Information:"}, "the line \"System Information:\"");
    const std::string os = in.expect("OS: ", "the operating system");
    const int osLine = in.lineNumber();
    const std::size_t blank = os.find(' ');
    const std::string family = valueText(in, os.substr(0, blank), "the operating system's name");
    const std::string osVersion =
        valueText(in, blank == std::string::npos ? "" : os.substr(blank + 1), "the operating system's version");

    const std::string board = in.expect("Motherboard/Device: ", "the motherboard");
    const int boardLine = in.lineNumber();
    const std::size_t by = board.rfind(", manufactured by: ");
    if (by == std::string::npos)
        in.fail("the motherboard line has no \", manufactured by: \"");
    const std::string boardName = valueText(in, board.substr(0, by), "the motherboard's name");
    // korvid.exe sends a manufacturer whenever Windows named one, blanks included, and the
    // upload stores blanks as an empty Manufacturer: whether the field is there is decided on
    // the text as printed.
    const bool hasManufacturer = by + 19 < board.size();
    const std::string manufacturer = valueText(in, board.substr(by + 19), "the motherboard's manufacturer");

    const std::string cpu = in.expect("CPU: ", "the processor");
    const int cpuLine = in.lineNumber();
    const std::size_t at = cpu.rfind(" @ ");
    if (at == std::string::npos)
        in.fail("the processor line has no \" @ \" before the clock speed");
    const std::string clock = hertz(in, cpu.substr(at + 3));
    const std::string nameAndVersion = cpu.substr(0, at);
    // The name is the processor's brand text, which holds no ", "; the version text may
    // ("Model 23, Stepping 10" on older Windows), so the name ends at the first one.
    const std::size_t comma = nameAndVersion.find(", ");
    const std::string cpuName =
        valueText(in, comma == std::string::npos ? nameAndVersion : nameAndVersion.substr(0, comma),
                  "the processor's name");
    const std::string cpuVersion =
        valueText(in, comma == std::string::npos ? "" : nameAndVersion.substr(comma + 2), "the processor's version");

    const std::string caches = in.expect("L1 Cache Size: ", "the cache sizes");
    const std::size_t l2 = caches.find(", L2 Cache Size: ");
    const std::size_t l3 = caches.find(", L3 Cache Size: ");
    if (l2 == std::string::npos || l3 == std::string::npos || l3 < l2)
        in.fail("the cache line is not \"L1 Cache Size: n, L2 Cache Size: n, L3 Cache Size: n\"");
    const std::string l1Size = decimal(in, caches.substr(0, l2), "the L1 cache size");
    const std::string l2Size = decimal(in, caches.substr(l2 + 17, l3 - l2 - 17), "the L2 cache size");
    const std::string l3Size = decimal(in, caches.substr(l3 + 17), "the L3 cache size");
    const std::string ram = bytes(in, in.expect("Total RAM: ", "the memory size"));
    const std::string fsb = hertz(in, in.expect("External Bus (FSB) Speed: ", "the bus speed"));

    const int32_t osVersionRecord = placeVersion(tree, osLine, RecordTypes::kOperatingSystemVersion, "OSVersion",
                                                 RecordRoles::kOperatingSystem, RecordTypes::kOperatingSystem, family,
                                                 osVersion);
    const int32_t processor = place(tree, cpuLine, {RecordTypes::kProcessor, {{"Name", cpuName}}, {}, {}});
    RecordDocument boardRecord{RecordTypes::kMotherboard, {{"Name", boardName}}, {}, {}};
    if (hasManufacturer)
        boardRecord.fields.push_back({"Manufacturer", manufacturer});
    const int32_t motherboard = place(tree, boardLine, std::move(boardRecord));
    RecordDocument& root = tree.root;
    root.references.push_back({RecordRoles::kOperatingSystem, osVersionRecord});
    root.references.push_back({RecordRoles::kProcessor, processor});
    root.references.push_back({RecordRoles::kMotherboard, motherboard});
    root.fields.push_back({"ProcessorVersion", cpuVersion});
    root.fields.push_back({"ProcessorClockSpeed", clock});
    root.fields.push_back({"FSBClockSpeed", fsb});
    root.fields.push_back({"L1CacheSize", l1Size});
    root.fields.push_back({"L2CacheSize", l2Size});
    root.fields.push_back({"L3CacheSize", l3Size});
    root.fields.push_back({"RAMSize", ram});
}

std::string readGraphicsCard(Reader& in, RecordTree& tree)
{
    in.skipTo({"Initialising Direct2D test.", "Initialising GDI test."},
              "the graphics test starts (\"Initialising Direct2D test.\" or \"Initialising GDI test.\")");
    const std::string cardName = valueText(in, in.expect("Board name: ", "the graphics card's name"),
                                           "the graphics card's name");
    const int cardLine = in.lineNumber();
    const std::string ids = in.expect("Product ID: ", "the graphics card's IDs");
    unsigned product = 0, vendor = 0, subProduct = 0, subVendor = 0;
    int consumed = 0;
    if (std::sscanf(ids.c_str(), "0x%x Vendor ID: 0x%x SubProduct ID: 0x%x SubVendor ID: 0x%x%n",
                    &product, &vendor, &subProduct, &subVendor, &consumed) != 4 ||
        static_cast<std::size_t>(consumed) != ids.size())
        in.fail("the ID line is not \"Product ID: 0x.. Vendor ID: 0x.. SubProduct ID: 0x.. SubVendor ID: 0x..\"");
    const std::string driver = in.expect("Card driver: ", "the card driver");
    const int driverLine = in.lineNumber();
    const std::size_t open = driver.rfind(" (");
    if (open == std::string::npos || !endsWith(driver, ")"))
        in.fail("the driver line is not \"Card driver: name (version)\"");
    const std::string driverName = valueText(in, driver.substr(0, open), "the driver's name");
    const std::string driverVersion =
        valueText(in, driver.substr(open + 2, driver.size() - open - 3), "the driver's version");
    const std::string vramText = in.expect("VRAM: ", "the video memory");
    const std::string vram = vramText == "Unknown" ? "0" : bytes(in, vramText);
    const std::string mode = in.expect("Display mode: ", "the display mode");
    int width = 0, height = 0, refresh = 0, bpp = 0;
    consumed = 0;
    if (std::sscanf(mode.c_str(), "%dx%d@%d (%d bpp)%n", &width, &height, &refresh, &bpp, &consumed) != 4 ||
        static_cast<std::size_t>(consumed) != mode.size())
        in.fail("the display mode is not \"WxH@R (B bpp)\"");

    // The file names no manufacturer: the record has none, as korvid.exe's has none when
    // Windows names none.
    const int32_t card = place(tree, cardLine,
                               {RecordTypes::kGraphicsCard,
                                {{"Name", cardName},
                                 {"ProductID", hexID(product)},
                                 {"VendorID", hexID(vendor)},
                                 {"SubProductID", hexID(subProduct)},
                                 {"SubVendorID", hexID(subVendor)}},
                                {},
                                {}});
    const int32_t driverRecord = placeVersion(tree, driverLine, RecordTypes::kLibraryVersion, "LibraryVersion",
                                              RecordRoles::kLibrary, RecordTypes::kLibrary, driverName, driverVersion);
    RecordDocument& root = tree.root;
    root.references.push_back({RecordRoles::kGraphicsCard, card});
    root.collections.push_back({RecordRoles::kDriverLibraries, {{RecordTypes::kLibraryVersion, driverRecord}}});
    root.fields.push_back({"VRAMSize", vram});
    root.fields.push_back({"DisplayWidth", std::to_string(width)});
    root.fields.push_back({"DisplayHeight", std::to_string(height)});
    root.fields.push_back({"RefreshRate", std::to_string(refresh)});
    root.fields.push_back({"BitsPerPixel", std::to_string(bpp)});
    return cardName;
}

bool readTransfer(const Reader& in, const std::string& line, RecordDocument& root)
{
    for (const char* transfer : {"WritePixelArray", "ReadPixelArray"}) {
        const std::string prefix = std::string(transfer) + ": ";
        if (!startsWith(line, prefix))
            continue;
        const std::size_t unit = line.find(" MiB/s (took ");
        if (unit == std::string::npos || !endsWith(line, " seconds). "))
            in.fail("the transfer line is not \"" + prefix + "rate MiB/s (took time seconds). \"");
        const double rate = number(in, line.substr(prefix.size(), unit - prefix.size()), "the rate");
        root.fields.push_back({std::string(transfer) + "_MiB_s", fieldText(rate)});
        return true;
    }
    return false;
}

// Refuses a run that left out a test group, naming each group and the lines it lacks.
void requireEveryGroup(const Reader& in, const std::vector<std::string>& seen)
{
    std::string missing;
    for (const TestGroup& group : kTestGroups) {
        std::string lacks;
        for (const std::string& line : group.lines) {
            if (std::find(seen.begin(), seen.end(), line) == seen.end())
                lacks += (lacks.empty() ? "\"" : ", \"") + line + "\"";
        }
        if (!lacks.empty())
            missing += (missing.empty() ? "" : "; ") + group.name + " (no " + lacks + "; left out by " +
                       group.option + ")";
    }
    if (!missing.empty())
        in.fail("the run did not perform the full set of tests, which korvid.exe requires before it uploads, "
                "and it is not imported either: missing " + missing);
}

// The lines after the tests: the upload's outcome, or why korvid.exe did not upload.
void readSubmissionStatus(Reader& in)
{
    while (!in.atEnd()) {
        const std::string& line = in.take();
        if (std::find(kNotSubmitted.begin(), kNotSubmitted.end(), line) != kNotSubmitted.end())
            in.fail("the run says \"" + line + "\": korvid.exe did not upload it, and it is not imported either");
    }
}

int readTests(Reader& in, RecordDocument& root)
{
    int measurements = 0;
    std::string group;  // field prefix of the sized group being read, "Random" or empty
    std::vector<std::string> seen;  // the lines of kTestGroups met
    while (!in.atEnd()) {
        const std::string& line = in.take();
        if (line == kSeparator) {
            requireEveryGroup(in, seen);
            return measurements;
        }
        if (line.empty()) {
            group.clear();
            continue;
        }
        if (line == "Test failed. Your graphics card drivers may be faulty.")
            in.fail("the run reports a failed test; korvid.exe does not upload such a run, and it "
                    "is not imported either");
        if (endsWith(line, " not supported on this machine (or not hardware accelerated)."))
            continue;
        const auto note = kNotes.find(line);
        if (note != kNotes.end()) {
            root.fields.push_back({note->second, "1"});
            continue;
        }
        if (readTransfer(in, line, root)) {
            seen.push_back(line.substr(0, line.find(' ') + 1));
            ++measurements;
            group.clear();
            continue;
        }
        {
            const auto sized = kSizedGroups.find(line);
            if (sized != kSizedGroups.end() || line == "Random:") {
                seen.push_back(line);
                group = sized != kSizedGroups.end() ? sized->second : "Random";
                const std::string& header = group == "Random" ? kRandomHeader : kSizedHeader;
                if (in.atEnd() || in.take() != header)
                    in.fail("the table header of " + line + " is missing");
                continue;
            }
        }
        if (group == "Random") {
            const std::vector<double> v = rates(in, line, 3);
            root.fields.push_back({"Random_Ops_s", fieldText(v[1])});
            root.fields.push_back({"Random_MP_s", fieldText(v[2])});
            measurements += 2;
            continue;
        }
        if (!group.empty() && startsWith(line, "(")) {
            int width = 0, height = 0, consumed = 0;
            if (std::sscanf(line.c_str(), "(%d, %d)\t%n", &width, &height, &consumed) != 2 || consumed == 0 ||
                width <= 0 || height <= 0)
                in.fail("the table row does not start with \"(width, height)\" and a tab");
            if (width > kLargestSize || height > kLargestSize)
                in.fail("the table row's size is over " + std::to_string(kLargestSize) + " pixels");
            const std::vector<double> v = rates(in, line.substr(static_cast<std::size_t>(consumed)), 3);
            const std::string name = group + std::to_string(width) + "x" + std::to_string(height);
            root.fields.push_back({name + "_Ops_s", fieldText(v[1])});
            // Ops/s carries more digits than MPixel/s: the rate the run recorded is recovered
            // from it, where rounding MPixel/s to three decimals and then to six digits may not.
            const double pixels = static_cast<double>(width) * height;
            root.fields.push_back({name + "_MP_s", fieldText(v[1] > 0 ? v[1] * pixels / 1048576.0 : v[2])});
            measurements += 2;
            continue;
        }
        in.fail("unexpected line among the test results: \"" + line + "\"");
    }
    throw TranscriptError(in.lineNumber(), "the file ends before the separator line that closes the tests");
}

} // namespace

TranscriptError::TranscriptError(int line, const std::string& reason)
    : std::runtime_error("line " + std::to_string(line) + ": " + reason), line_(line), reason_(reason)
{
}

ParsedTranscript parseTranscript(const std::string& text)
{
    // An editor that saves the file again may put UTF-8's byte-order mark before it.
    static const std::string byteOrderMark = "\xEF\xBB\xBF";
    Reader in(toUtf8(startsWith(text, byteOrderMark) ? text.substr(byteOrderMark.size()) : text));
    if (in.atEnd())
        throw TranscriptError(0, "the file is empty");
    // A console never shows one; in a stored text it would cut the value short.
    if (const int line = in.firstLineWith('\0'))
        throw TranscriptError(line, "the line holds a NUL byte");
    if (in.take() != kSeparator)
        in.fail("not a Korvid result file: it does not begin with the banner's line of 60 hyphens");

    ParsedTranscript parsed;
    RecordDocument& root = parsed.tree.root;
    root.type = RecordTypes::kResult;
    // korvid.exe attaches the collection first and fills it with versions it prints to the
    // console only: a transcript has none to give.
    root.collections.push_back({RecordRoles::kLibraries, {}});
    readSystemInformation(in, parsed.tree);
    parsed.cardName = readGraphicsCard(in, parsed.tree);
    parsed.measurementCount = readTests(in, root);
    if (parsed.measurementCount == 0)
        throw TranscriptError(in.lineNumber(), "the run measured nothing");
    const int separatorLine = in.lineNumber();
    readSubmissionStatus(in);
    checkRecord(separatorLine, root);
    return parsed;
}
