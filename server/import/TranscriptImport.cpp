#include "server/import/TranscriptImport.h"

#include <fstream>
#include <ostream>
#include <sstream>

#include "server/import/TranscriptParser.h"
#include "server/store/Database.h"
#include "server/store/RecordStore.h"

const char* const kImportClientName = "korvid-server import";

namespace {

// A saved result is some kilobytes; anything far larger is not one.
constexpr std::streamsize kLargestTranscript = 4 * 1024 * 1024;

} // namespace

int32_t importTranscript(const std::string& text, RecordStore& store, const std::string& clientName)
{
    const ParsedTranscript parsed = parseTranscript(text);
    return store.storeTree(parsed.tree, clientName, true);
}

int runImport(const std::vector<std::string>& files, RecordStore& store, std::ostream& out,
              std::ostream& err)
{
    int failures = 0;
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        if (!in || !(text << in.rdbuf()) || text.tellp() > kLargestTranscript) {
            err << file << ": cannot be read as a saved result file" << std::endl;
            ++failures;
            continue;
        }
        try {
            const ParsedTranscript parsed = parseTranscript(text.str());
            bool already = false;
            const int32_t id = store.storeTree(parsed.tree, kImportClientName, true, &already);
            out << file << (already ? ": already stored as result " : ": stored as result ") << id
                << ", " << parsed.measurementCount << " rates of " << parsed.cardName << std::endl;
        } catch (const TranscriptError& error) {
            err << file << ":" << error.line() << ": " << error.reason() << std::endl;
            ++failures;
        } catch (const DatabaseUnavailable& error) {
            err << file << ": not stored: the database is busy or cannot be reached ("
                << error.what() << "); try again" << std::endl;
            ++failures;
        } catch (const std::exception& error) {
            err << file << ": not stored: " << error.what() << std::endl;
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
