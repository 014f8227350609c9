// Saved result files read back into the records korvid.exe uploads. gdi-run.kvdresult is the file
// a GDI run under Wine saved; gdi-run.upload.xml the result document the same run uploaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "server/import/TranscriptParser.h"
#include "server/protocol/DocumentParser.h"

namespace {

std::string readFile(const std::string& name)
{
    std::ifstream in(std::string(KORVID_SOURCE_DIR) + "/tests/server/import/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::map<std::string, std::string> fieldsOf(const RecordDocument& record)
{
    std::map<std::string, std::string> fields;
    for (const RecordField& field : record.fields)
        fields[field.name] = field.value;
    return fields;
}

// The record of the tree that record names in that role.
const RecordDocument* subObject(const RecordTree& tree, const RecordDocument& record, const std::string& name)
{
    for (const RecordReference& reference : record.references) {
        if (reference.name == name)
            return &tree.records.at(reference.id);
    }
    return nullptr;
}

std::string replaceLine(const std::string& text, const std::string& line, const std::string& with)
{
    const std::size_t at = text.find(line);
    EXPECT_NE(at, std::string::npos) << line;
    return text.substr(0, at) + with + text.substr(at + line.size());
}

// The text without what lies from the start of from to the start of the next to after it.
std::string cut(const std::string& text, const std::string& from, const std::string& to)
{
    const std::size_t start = text.find(from);
    const std::size_t end = text.find(to, start + 1);
    EXPECT_NE(start, std::string::npos) << from;
    EXPECT_NE(end, std::string::npos) << to;
    return text.substr(0, start) + text.substr(end);
}

// The submission status line replaced by another, as korvid.exe prints one instead of uploading.
std::string withStatus(const std::string& text, const std::string& status)
{
    const std::size_t at = text.find("Result URL: ");
    EXPECT_NE(at, std::string::npos);
    return text.substr(0, at) + status + text.substr(text.find_first_of("\r\n", at));
}

int errorLine(const std::string& text, std::string* reason = nullptr)
{
    try {
        parseTranscript(text);
    } catch (const TranscriptError& error) {
        if (reason)
            *reason = error.reason();
        return error.line();
    }
    return -1;
}

} // namespace

TEST(TranscriptParser, ASavedGdiRunGivesTheFieldsAndRecordsItsUploadCarried)
{
    const ParsedTranscript parsed = parseTranscript(readFile("gdi-run.kvdresult"));
    const RecordTree& tree = parsed.tree;
    EXPECT_EQ(tree.root.type, "KorvidResult");
    EXPECT_EQ(parsed.cardName, "NVIDIA GeForce GTX 470");
    EXPECT_EQ(parsed.measurementCount, 2 + 3 * 4 * 2 + 2);  // transfers, three sized groups, random

    std::map<std::string, std::string> uploaded;
    const std::string xml = readFile("gdi-run.upload.xml");
    const std::regex field("\\t<(\\w+)>([^<]*)</\\1>");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), field); it != std::sregex_iterator(); ++it)
        uploaded[(*it)[1]] = (*it)[2];
    const auto imported = fieldsOf(tree.root);

    // Every rate as the upload wrote it; the machine's sizes as precise as the file prints them.
    for (const auto& [name, value] : uploaded) {
        ASSERT_TRUE(imported.count(name)) << name;
        if (name == "RAMSize" || name == "VRAMSize") {
            const double a = std::stod(imported.at(name)), b = std::stod(value);
            EXPECT_NEAR(a / b, 1.0, name == "RAMSize" ? 5e-6 : 5e-3) << name;
        } else {
            EXPECT_EQ(imported.at(name), value) << name;
        }
    }
    EXPECT_EQ(imported.size(), uploaded.size());

    const auto card = subObject(tree, tree.root, "GraphicsCard");
    ASSERT_TRUE(card);
    EXPECT_EQ(card->type, "BenchmarkGraphicsCard");
    EXPECT_EQ(fieldsOf(*card), (std::map<std::string, std::string>{{"Name", "NVIDIA GeForce GTX 470"},
                                                                  {"ProductID", "0x6cd"}, {"VendorID", "0x10de"},
                                                                  {"SubProductID", "0x0"}, {"SubVendorID", "0x0"}}));
    const auto os = subObject(tree, tree.root, "OperatingSystem");
    ASSERT_TRUE(os);
    EXPECT_EQ(fieldsOf(*os).at("OSVersion"), "7 Professional Service Pack 1 (build 7601)");
    ASSERT_TRUE(subObject(tree, *os, "OperatingSystem"));
    EXPECT_EQ(fieldsOf(*subObject(tree, *os, "OperatingSystem")).at("Name"), "Windows");
    EXPECT_EQ(fieldsOf(*subObject(tree, tree.root, "Processor")).at("Name"), "AMD EPYC");
    EXPECT_EQ(fieldsOf(*subObject(tree, tree.root, "Motherboard")),
              (std::map<std::string, std::string>{{"Name", "Wine"}, {"Manufacturer", "The Wine Project"}}));

    // The driver in its collection; the system libraries are printed to the console only.
    ASSERT_EQ(tree.root.collections.size(), 2u);
    EXPECT_EQ(tree.root.collections[0].name, "Libraries");
    EXPECT_EQ(tree.root.collections[0].members.size(), 0u);
    const RecordCollection& drivers = tree.root.collections[1];
    EXPECT_EQ(drivers.name, "DriverLibraries");
    ASSERT_EQ(drivers.members.size(), 1u);
    EXPECT_EQ(drivers.members[0].type, "BenchmarkLibraryVersion");
    const RecordDocument& driver = tree.records.at(drivers.members[0].id);
    EXPECT_EQ(fieldsOf(driver).at("LibraryVersion"), "30.0.14023.3004");
    ASSERT_TRUE(subObject(tree, driver, "Library"));
    EXPECT_EQ(fieldsOf(*subObject(tree, driver, "Library")).at("Name"), "nvd3dum.dll");

    // Stored in order, each record finds the IDs of those it names: the shared names before
    // their versions, as korvid.exe prepares them.
    std::vector<std::string> order;
    for (std::size_t i = 0; i < tree.records.size(); ++i) {
        order.push_back(tree.records[i].type);
        for (const RecordReference& reference : tree.records[i].references)
            EXPECT_LT(reference.id, static_cast<int32_t>(i)) << tree.records[i].type;
    }
    EXPECT_EQ(order, (std::vector<std::string>{"BenchmarkOperatingSystem", "BenchmarkOperatingSystemVersion",
                                               "BenchmarkCPU", "BenchmarkMotherboard", "BenchmarkGraphicsCard",
                                               "BenchmarkLibrary", "BenchmarkLibraryVersion"}));

    // LF line ends read the same as CRLF.
    std::string lf = readFile("gdi-run.kvdresult");
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    EXPECT_EQ(fieldsOf(parseTranscript(lf).tree.root), imported);
}

TEST(TranscriptParser, AFileThatCannotBeReadIsRefusedNamingTheLine)
{
    const std::string good = readFile("gdi-run.kvdresult");
    std::string reason;

    EXPECT_EQ(errorLine("", &reason), 0);
    EXPECT_EQ(reason, "the file is empty");
    EXPECT_EQ(errorLine("Hello\r\n", &reason), 1);
    EXPECT_EQ(reason, "not a Korvid result file: it does not begin with the banner's line of 60 hyphens");

    // A damaged number in the third row of the FillRect table (line 36).
    EXPECT_EQ(errorLine(replaceLine(good, "(64, 64)\t       1.132\t  400353.357", "(64, 64)\t       1.132\t  400x53.357"),
                        &reason), 35);
    EXPECT_EQ(reason, "a table value is not a number: \"  400x53.357\"");

    EXPECT_EQ(errorLine(replaceLine(good, "CPU: AMD EPYC, Model 49 Stepping 0 @ 2.245 GHz", "CPU: AMD EPYC"), &reason), 12);
    EXPECT_EQ(reason, "the processor line has no \" @ \" before the clock speed");

    EXPECT_EQ(errorLine(replaceLine(good, "Display mode: 320x240@0 (32 bpp)", "Display mode: 320x240"), &reason), 27);
    EXPECT_EQ(reason, "the display mode is not \"WxH@R (B bpp)\"");

    // A run that gave up on a test is not taken, as korvid.exe does not upload it.
    EXPECT_EQ(errorLine(replaceLine(good, "(32, 32)\t       1.047",
                                    "Test failed. Your graphics card drivers may be faulty.\r\n(32, 32)\t       1.047"),
                        &reason),
              34);
    EXPECT_EQ(reason.rfind("the run reports a failed test", 0), 0u);

    EXPECT_EQ(errorLine(replaceLine(good, "BltBitMap:\r\nSize", "BltBitMap:\r\nsize"), &reason), 39);
    EXPECT_EQ(reason, "the table header of BltBitMap: is missing");

    // Cut off in the middle of the tables: no closing separator.
    EXPECT_EQ(errorLine(good.substr(0, good.find("Random:")), &reason), 65);
    EXPECT_EQ(reason, "the file ends before the separator line that closes the tests");
    EXPECT_EQ(errorLine(good.substr(0, good.find("Board name:")), &reason), 22);
    EXPECT_EQ(reason, "the file ends where the graphics card's name (\"Board name: \") was expected");
}

TEST(TranscriptParser, NotesAndWindows1252TextBecomeFieldsInUtf8)
{
    std::string text = readFile("gdi-run.kvdresult");
    text = replaceLine(text, "Board name: NVIDIA GeForce GTX 470", "Board name: Radeon\xAE X \"R&D\"");
    text = replaceLine(text, "Composite:\r\nSize\t\t    Time (s)\t       Ops/s\t    MPixel/s\r\n",
                       "Composite:\r\nSize\t\t    Time (s)\t       Ops/s\t    MPixel/s\r\n"
                       "(16, 16)\t       1.000\t     100.000\t       0.024\r\n"
                       "NOTE: Compositing (or alpha blending) used premultiplied alpha mode.\r\n");
    const ParsedTranscript parsed = parseTranscript(text);
    EXPECT_EQ(parsed.cardName, "Radeon\xC2\xAE X \"R&D\"");
    const auto fields = fieldsOf(parsed.tree.root);
    EXPECT_EQ(fields.at("Composite_16x16_Ops_s"), "100");
    // MPixel/s from Ops/s: 100 x 256 / 2^20, not the three decimals printed.
    EXPECT_EQ(fields.at("Composite_16x16_MP_s"), "0.0244141");
    EXPECT_EQ(fields.at("CompositePremultAlpha"), "1");
}

TEST(TranscriptParser, ASavedDirect2DRunGivesEveryRateItsUploadCarried)
{
    const ParsedTranscript parsed = parseTranscript(readFile("d2d-run.kvdresult"));
    const auto imported = fieldsOf(parsed.tree.root);
    const std::string xml = readFile("d2d-run.upload.xml");
    const std::regex rate("\\t<(\\w+_(?:Ops_s|MP_s|MiB_s))>([^<]*)</\\1>");
    int rates = 0;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), rate); it != std::sregex_iterator(); ++it, ++rates)
    {
        // Slow Direct2D sizes run under 100 operations a second: the file's three decimals
        // then hold fewer than the six digits the upload carried.
        ASSERT_TRUE(imported.count((*it)[1])) << (*it)[1];
        EXPECT_NEAR(std::stod(imported.at((*it)[1])) / std::stod((*it)[2]), 1.0, 1e-4) << (*it)[1];
    }
    EXPECT_EQ(rates, parsed.measurementCount);
}

// What an upload could not store is not imported either, and the refusal names the line.
TEST(TranscriptParser, RefusesWhatAnUploadCouldNotStoreNamingTheLine)
{
    const std::string good = readFile("gdi-run.kvdresult");
    struct Case {
        std::string line, with;
        int errorLine;
        std::string reason;
    };
    const std::string card = "Board name: NVIDIA GeForce GTX 470";
    const std::string board = "Motherboard/Device: Wine, manufactured by: The Wine Project";
    const std::string driver = "Card driver: nvd3dum.dll (30.0.14023.3004)";
    const std::string cpu = "CPU: AMD EPYC, Model 49 Stepping 0 @ 2.245 GHz";
    const std::vector<Case> cases = {
        {card, std::string("Board name: NVIDIA\0GTX", 22), 23, "the line holds a NUL byte"},
        {"(128, 128)\t", std::string("(128, 128)\0\t", 12), 36, "the line holds a NUL byte"},
        {card, "Board name: " + std::string(4097, 'N'), 23, "the graphics card's name is longer than 4096 bytes"},
        {driver, "Card driver: nvd3dum.dll (" + std::string(4097, '3') + ")", 25,
         "the driver's version is longer than 4096 bytes"},
        // Both texts within the bound, but the board's lookup would be
        // 98 + (5 + 3 * 1400 + 1) + (13 + 3 * 1400 + 1) = 8518 bytes.
        {board, "Motherboard/Device: " + std::string(1400, '/') + ", manufactured by: " + std::string(1400, '/'), 11,
         "BenchmarkMotherboard: the lookup of this record would need a request line of 8518 bytes, over the 8192 "
         "bytes a request line may have"},
        // The driver's file names form a library record of their own.
        {driver, "Card driver: " + std::string(2800, ',') + " (1.0)", 25,
         "BenchmarkLibrary: the lookup of this record would need a request line of 8500 bytes, over the 8192 "
         "bytes a request line may have"},
        {cpu, "CPU: AMD EPYC @ 1e300 GHz", 12, "the frequency is out of range: \"1e300 GHz\""},
        {"(128, 128)\t", "(100000, 128)\t", 36, "the table row's size is over 99999 pixels"},
    };
    for (const Case& c : cases) {
        std::string reason;
        EXPECT_EQ(c.errorLine, errorLine(replaceLine(good, c.line, c.with), &reason)) << c.reason;
        EXPECT_EQ(c.reason, reason);
    }

    // Blanks alone are an empty text, as in an upload; a long card name at the bound is taken.
    const ParsedTranscript blank = parseTranscript(replaceLine(good, card, "Board name:    "));
    EXPECT_EQ("", blank.cardName);
    const std::string longName(4096, 'N');
    EXPECT_EQ(longName, parseTranscript(replaceLine(good, card, "Board name: " + longName)).cardName);
}

// korvid.exe uploads only a run of all five test groups without a failed test; an import
// takes no other. The file then ends its tests at line 70 (GDI) or 73 (Direct2D), less the
// lines left out.
TEST(TranscriptParser, RefusesARunKorvidDoesNotUploadNamingWhatIsMissing)
{
    const std::string gdi = readFile("gdi-run.kvdresult"), d2d = readFile("d2d-run.kvdresult");
    const std::string notFull =
        "Did not perform the full set of tests, so the result cannot be submitted to the results server";
    const std::string failed = "Some tests failed, so the result cannot be submitted to the results server";
    const std::string refused = "the run did not perform the full set of tests, which korvid.exe requires before "
                                "it uploads, and it is not imported either: missing ";
    const std::string vram = "the copy to/from VRAM tests (no \"WritePixelArray: \", \"ReadPixelArray: \"; left out by -nm)";
    const std::string compositing =
        "the compositing tests (no \"Composite:\", \"CompositeSrcMask:\"; left out by -nc)";
    struct Case {
        const char* what;
        std::string text;
        int line;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"-nc, Direct2D (17 lines)", withStatus(cut(d2d, "Composite:", "Random:"), notFull), 56, refused + compositing},
        {"-nm, Direct2D (3 lines)", withStatus(cut(d2d, "WritePixelArray", "FillRect:"), notFull), 70, refused + vram},
        {"-nf, GDI (7 lines)", withStatus(cut(gdi, "FillRect:", "BltBitMap:"), notFull), 63,
         refused + "the fill rect tests (no \"FillRect:\"; left out by -nf)"},
        {"-nb, GDI (14 lines)", withStatus(cut(gdi, "BltBitMap:", "Composite:"), notFull), 56,
         refused + "the blit rect tests (no \"BltBitMap:\", \"OverlappedBltBitMap:\"; left out by -nb)"},
        {"-nr, GDI (4 lines)", withStatus(cut(gdi, "Random:", "------"), notFull), 66,
         refused + "the random tests (no \"Random:\"; left out by -nr)"},
        {"-nm -nc, GDI (3 + 14 lines)",
         withStatus(cut(cut(gdi, "WritePixelArray", "FillRect:"), "Composite:", "Random:"), notFull), 53,
         refused + vram + "; " + compositing},
        {"one table of a group taken out (7 lines)", cut(gdi, "OverlappedBltBitMap:", "Composite:"), 63,
         refused + "the blit rect tests (no \"OverlappedBltBitMap:\"; left out by -nb)"},
        {"every group, but korvid.exe says it did not upload", withStatus(gdi, notFull), 71,
         "the run says \"" + notFull + "\": korvid.exe did not upload it, and it is not imported either"},
        {"every group, a failure the file does not show", withStatus(d2d, failed), 74,
         "the run says \"" + failed + "\": korvid.exe did not upload it, and it is not imported either"},
    };
    for (const Case& c : cases) {
        std::string reason;
        EXPECT_EQ(errorLine(c.text, &reason), c.line) << c.what;
        EXPECT_EQ(reason, c.reason) << c.what;
    }
    // What follows the tests when korvid.exe tried to upload, or was told not to, is taken.
    EXPECT_NO_THROW(parseTranscript(withStatus(gdi, "Uploading results failed with exception (7): no server")));
    EXPECT_NO_THROW(parseTranscript(withStatus(d2d, "")));
}

// "CPU: " name ", " version " @ " clock: an Intel name ends in its own " @ ", an older Windows
// writes the version with a ", ", a newer one may write none.
TEST(TranscriptParser, SplitsTheProcessorNameFromItsVersionAsTheLineWasWritten)
{
    const std::string gdi = readFile("gdi-run.kvdresult");
    struct Case {
        std::string line, name, version, clock;
    };
    const std::vector<Case> cases = {
        {"CPU: Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz, Model 23, Stepping 10 @ 3 GHz",
         "Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz", "Model 23, Stepping 10", "3000000000"},
        {"CPU: AMD Athlon(tm) 64 X2 Dual Core Processor 4200+, x86 Family 15 Model 43 Stepping 1 @ 2.2 GHz",
         "AMD Athlon(tm) 64 X2 Dual Core Processor 4200+", "x86 Family 15 Model 43 Stepping 1", "2200000000"},
        {"CPU: Intel(R) Xeon(R) CPU E5-2670 0 @ 2.60GHz,  @ 2.6 GHz", "Intel(R) Xeon(R) CPU E5-2670 0 @ 2.60GHz", "",
         "2600000000"},
        {"CPU: AMD EPYC, Model 49 Stepping 0 @ 2.245 GHz", "AMD EPYC", "Model 49 Stepping 0", "2245000000"},
    };
    for (const Case& c : cases) {
        const RecordTree tree =
            parseTranscript(replaceLine(gdi, "CPU: AMD EPYC, Model 49 Stepping 0 @ 2.245 GHz", c.line)).tree;
        const auto fields = fieldsOf(tree.root);
        EXPECT_EQ(fieldsOf(*subObject(tree, tree.root, "Processor")).at("Name"), c.name) << c.line;
        EXPECT_EQ(fields.at("ProcessorVersion"), c.version) << c.line;
        EXPECT_EQ(fields.at("ProcessorClockSpeed"), c.clock) << c.line;
    }
}

// The motherboard record is the one the upload stores for what korvid.exe sends: the
// Manufacturer whenever Windows named one, blanks included.
TEST(TranscriptParser, GivesTheMotherboardRecordTheUploadStores)
{
    const std::string gdi = readFile("gdi-run.kvdresult");
    struct Case {
        std::string manufacturer;  // as Windows named it
        std::string sent;          // the record korvid.exe uploads
    };
    const std::vector<Case> cases = {
        {"   ", "<Name>Wine</Name>\n\t<Manufacturer>   </Manufacturer>"},
        {"\t", "<Name>Wine</Name>\n\t<Manufacturer>\t</Manufacturer>"},
        {"", "<Name>Wine</Name>"},
        {"The Wine Project", "<Name>Wine</Name>\n\t<Manufacturer>The Wine Project</Manufacturer>"},
    };
    for (const Case& c : cases) {
        const RecordTree tree = parseTranscript(replaceLine(gdi, "manufactured by: The Wine Project",
                                                            "manufactured by: " + c.manufacturer))
                                    .tree;
        const RecordDocument uploaded = parseRecordDocument(
            "<BenchmarkMotherboard>\n\t" + c.sent + "\n</BenchmarkMotherboard>", "BenchmarkMotherboard");
        const RecordDocument* imported = subObject(tree, tree.root, "Motherboard");
        ASSERT_TRUE(imported);
        ASSERT_EQ(imported->fields.size(), uploaded.fields.size()) << "[" << c.manufacturer << "]";
        for (std::size_t i = 0; i < uploaded.fields.size(); ++i) {
            EXPECT_EQ(imported->fields[i].name, uploaded.fields[i].name);
            EXPECT_EQ(imported->fields[i].value, uploaded.fields[i].value);
        }
    }
}

// An editor that saves the file again in UTF-8 may put a byte-order mark before it.
TEST(TranscriptParser, ReadsAFileSavedAgainWithAByteOrderMark)
{
    const std::string bom = "\xEF\xBB\xBF";
    const std::string gdi = readFile("gdi-run.kvdresult"), d2d = readFile("d2d-run.kvdresult");
    const std::string card = "Board name: NVIDIA GeForce GTX 470";
    struct Case {
        std::string text;
        std::string cardName;
    };
    const std::vector<Case> cases = {
        {gdi, "NVIDIA GeForce GTX 470"},
        {d2d, "NVIDIA GeForce GTX 470"},
        // The Windows-1252 ® the program printed, as the editor converted it.
        {replaceLine(gdi, card, "Board name: Radeon\xC2\xAE X"), "Radeon\xC2\xAE X"},
    };
    for (const Case& c : cases) {
        const ParsedTranscript plain = parseTranscript(c.text);
        const ParsedTranscript marked = parseTranscript(bom + c.text);
        EXPECT_EQ(marked.cardName, c.cardName);
        EXPECT_EQ(fieldsOf(marked.tree.root), fieldsOf(plain.tree.root));
        EXPECT_EQ(marked.measurementCount, plain.measurementCount);
    }
}
