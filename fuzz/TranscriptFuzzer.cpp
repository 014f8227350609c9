// libFuzzer target: a saved result file, any bytes, read back into a record tree. A file is
// refused with an error naming a line of it, or gives a tree that an upload could have
// stored: texts within the value bound, no NUL, at least one measurement.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "server/import/TranscriptParser.h"
#include "server/protocol/DocumentLimits.h"
#include "server/protocol/TextEncoding.h"

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkRecord(const RecordDocument& record, const DocumentLimits& limits)
{
    for (const RecordField& field : record.fields) {
        const std::string& value = field.value;
        require(value.size() <= limits.maxValueBytes && value.find('\0') == std::string::npos);
        require(isValidUtf8(value));
    }
}

// Every record and the root; each record names only records placed before it.
void checkTree(const RecordTree& tree, const DocumentLimits& limits)
{
    for (std::size_t i = 0; i < tree.records.size(); ++i) {
        checkRecord(tree.records[i], limits);
        for (const RecordReference& reference : tree.records[i].references)
            require(reference.id >= 0 && static_cast<std::size_t>(reference.id) < i);
    }
    checkRecord(tree.root, limits);
    for (const RecordReference& reference : tree.root.references)
        require(reference.id >= 0 && static_cast<std::size_t>(reference.id) < tree.records.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const ParsedTranscript parsed = parseTranscript(text);
        require(parsed.measurementCount > 0);
        checkTree(parsed.tree, DocumentLimits());
    } catch (const TranscriptError& error) {
        // A line of the file, or 0 for the whole of it.
        std::size_t lines = 0;
        for (char c : text)
            lines += c == '\n';
        require(error.line() >= 0 && static_cast<std::size_t>(error.line()) <= lines + 1);
    }
    return 0;
}
