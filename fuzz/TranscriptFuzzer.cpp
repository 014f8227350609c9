// libFuzzer target: a saved result file, any bytes, read back into a record tree. A file is
// refused with an error naming a line of it, or gives a tree that an upload could have
// stored: texts within the value bound, no NUL, at least one measurement.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "results/BCField.h"
#include "results/BCObject.h"
#include "results/BCObjectCollection.h"
#include "results/BCObjectField.h"
#include "server/import/TranscriptParser.h"
#include "server/protocol/DocumentLimits.h"
#include "server/protocol/TextEncoding.h"

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkTree(const BCObject& record, const DocumentLimits& limits)
{
    for (int i = 0; i < record.getNumFields(); ++i) {
        const std::string& value = record.getField(i)->getValue();
        require(value.size() <= limits.maxValueBytes && value.find('\0') == std::string::npos);
        require(isValidUtf8(value));
    }
    for (int i = 0; i < record.getNumSubObjects(); ++i)
        checkTree(*record.getSubObjectField(i)->getObject(), limits);
    for (int i = 0; i < record.getNumCollections(); ++i) {
        for (int j = 0; j < record.getCollection(i)->getNumObjects(); ++j)
            checkTree(*record.getCollection(i)->getObject(j), limits);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const ParsedTranscript parsed = parseTranscript(text);
        require(parsed.root && parsed.measurementCount > 0);
        checkTree(*parsed.root, DocumentLimits());
    } catch (const TranscriptError& error) {
        // A line of the file, or 0 for the whole of it.
        std::size_t lines = 0;
        for (char c : text)
            lines += c == '\n';
        require(error.line() >= 0 && static_cast<std::size_t>(error.line()) <= lines + 1);
    }
    return 0;
}
