// Replays the seeds of the results server's fuzz targets (fuzz/RecordDocumentFuzzer.cpp,
// LookupQueryFuzzer.cpp, TranscriptFuzzer.cpp) and every input they found failing: each is
// refused the documented way or read into what the server may store.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "results/UrlEncode.h"
#include "server/import/TranscriptParser.h"
#include "server/protocol/DocumentParser.h"
#include "server/protocol/LookupLine.h"
#include "server/protocol/LookupQuery.h"
#include "server/protocol/ProtocolError.h"

namespace {

// Name and bytes of every file of a seed folder.
std::map<std::string, std::string> seeds(const std::string& folder)
{
    std::map<std::string, std::string> files;
    const std::string path = std::string(KORVID_SOURCE_DIR) + "/tests/fuzz/" + folder;
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            std::ifstream in(path + "/" + name, std::ios::binary);
            files[name] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        closedir(dir);
    }
    return files;
}

// The type of the address, as the fuzz target picks it: the first tag's name.
std::string typeOf(const std::string& body)
{
    const std::size_t open = body.find('<');
    const std::size_t end = body.find_first_of(">/ ", open);
    const std::string name = open == std::string::npos ? "" : body.substr(open + 1, end - open - 1);
    return name.rfind("Benchmark", 0) == 0 || name == "KorvidResult" ? name : "BenchmarkCPU";
}

} // namespace

TEST(ServerFuzzRegression, RecordDocumentsAreRefusedOrFoundAgainByTheirLookup)
{
    // The hostile seeds and what each must give; the others are documents a client sent.
    const std::map<std::string, std::string> refusals = {
        {"deep-quoted-name", "malformed record document: unreadable tag at byte 14"},
        {"deep-plain", "the record document is nested too deeply"},
        {"deep-quoted-gt", "the record document is nested too deeply"},
        {"lt-in-attribute", "malformed record document: unreadable tag at byte 14"},
        {"pi-inside", "processing instructions are not accepted in a record document"},
        {"closing-junk", "malformed record document: unreadable tag at byte 21"},
        {"nul-reference", "the value of <Name> contains a NUL character"},
        {"wrapping-reference", "the value of <Name> contains a NUL character"},
        {"beyond-unicode-reference", "malformed record document: invalid numeric character entity"},
        {"library-id-field", "the field <LibraryID> would be looked up as the reference <Library>"},
        {"twice-reference", "the reference <GraphicsCard> is sent twice"},
        {"twice-collection", "the collection <Libraries> is sent twice"},
        {"cdata", "declarations, comments and CDATA are not accepted in a record document"},
        {"long-measurement-name", "the measurement name <" + std::string(59, 'A') +
                                      "_16x16_Ops_s> is longer than 64 bytes"},
    };
    const auto files = seeds("record-documents");
    ASSERT_GE(files.size(), 20u);
    int stored = 0;
    for (const auto& [name, body] : files) {
        const std::string type = typeOf(body);
        SearchKey sent;
        try {
            const RecordDocument record = parseRecordDocument(body, type, DocumentLimits(), &sent);
            EXPECT_EQ(0u, refusals.count(name)) << name << " was accepted";
            ++stored;
            if (type == "KorvidResult")
                continue;
            std::string query;
            for (const auto& [n, v] : sent.pairs())
                query += urlEncode(n) + "=" + urlEncode(v) + "&";
            EXPECT_LE(lookupRequestLineBytes(type, sent, 64), 8192u) << name;
            EXPECT_EQ(SearchKey::ofRecord(record).canonical(), parseLookupQuery(query).canonical()) << name;
        } catch (const ProtocolError& error) {
            EXPECT_EQ(400, error.status()) << name;
            ASSERT_EQ(1u, refusals.count(name)) << name << ": " << error.what();
            EXPECT_EQ(refusals.at(name), error.what()) << name;
        }
    }
    EXPECT_EQ(files.size() - refusals.size(), static_cast<std::size_t>(stored));
}

TEST(ServerFuzzRegression, LookupQueriesAreRefusedOrKeepTheirBounds)
{
    const std::map<std::string, std::string> refusals = {
        {"nul", "NUL byte in the query"},
        {"bad-escape", "malformed percent-encoding in the query"},
        {"plus-and-equals", "query pair without '='"},
        {"long-name", "a name in the query is longer than 128 bytes"},
    };
    const auto files = seeds("lookup-queries");
    ASSERT_GE(files.size(), 10u);
    for (const auto& [name, query] : files) {
        try {
            const SearchKey key = parseLookupQuery(query);
            EXPECT_EQ(0u, refusals.count(name)) << name << " was accepted";
            for (const auto& pair : key.pairs())
                EXPECT_LE(pair.second.size(), 4096u) << name;
        } catch (const ProtocolError& error) {
            EXPECT_EQ(400, error.status()) << name;
            ASSERT_EQ(1u, refusals.count(name)) << name << ": " << error.what();
            EXPECT_EQ(refusals.at(name), error.what()) << name;
        }
    }
}

TEST(ServerFuzzRegression, TranscriptsAreReadOrRefusedNamingALine)
{
    const std::map<std::string, std::pair<int, std::string>> refusals = {
        {"nul-in-card-name", {23, "the line holds a NUL byte"}},
        {"cut-before-random", {65, "the file ends before the separator line that closes the tests"}},
        {"failed-test", {34, "the run reports a failed test; korvid.exe does not upload such a run, and it is not "
                             "imported either"}},
        {"huge-numbers", {12, "the frequency is out of range: \"1e300 GHz\""}},
    };
    const auto files = seeds("transcripts");
    ASSERT_GE(files.size(), 5u);
    for (const auto& [name, text] : files) {
        try {
            const ParsedTranscript parsed = parseTranscript(text);
            EXPECT_EQ(0u, refusals.count(name)) << name << " was accepted";
            EXPECT_GT(parsed.measurementCount, 0) << name;
        } catch (const TranscriptError& error) {
            ASSERT_EQ(1u, refusals.count(name)) << name << ": " << error.what();
            EXPECT_EQ(refusals.at(name), std::make_pair(error.line(), error.reason())) << name;
        }
    }
}
