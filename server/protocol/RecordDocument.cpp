#include "server/protocol/RecordDocument.h"

const RecordField* RecordDocument::field(const std::string& name) const
{
    for (const RecordField& f : fields) {
        if (f.name == name)
            return &f;
    }
    return nullptr;
}
