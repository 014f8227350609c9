#include "bench/loadgen/DescriptionRecords.h"

#include <algorithm>

#include "results/BCObject.h"

namespace {

void collect(const BCObject& record, std::vector<std::shared_ptr<BCObject>>& out)
{
    auto add = [&out](const std::shared_ptr<BCObject>& member) {
        if (std::find(out.begin(), out.end(), member) != out.end())
            return;
        collect(*member, out);
        out.push_back(member);
    };
    for (int i = 0; i < record.getNumSubObjects(); ++i)
        add(record.getSubObjectField(i)->getObject());
    for (int i = 0; i < record.getNumCollections(); ++i) {
        const std::shared_ptr<BCObjectCollection> collection = record.getCollection(i);
        for (int j = 0; j < collection->getNumObjects(); ++j)
            add(collection->getObject(j));
    }
}

}  // namespace

std::vector<std::shared_ptr<BCObject>> descriptionRecords(const BCObject& root)
{
    std::vector<std::shared_ptr<BCObject>> records;
    collect(root, records);
    return records;
}

std::string recordIdentity(const BCObject& record)
{
    std::string identity = record.getTypeName() + "?";
    for (int i = 0; i < record.getNumFields(); ++i) {
        const std::shared_ptr<BCField> field = record.getField(i);
        if (field->isSearchKey())
            identity += field->getName() + "=" + field->getValue() + "&";
    }
    for (int i = 0; i < record.getNumSubObjects(); ++i) {
        const std::shared_ptr<BCObjectField> reference = record.getSubObjectField(i);
        if (reference->isSearchKey())
            identity += reference->getName() + "=[" + recordIdentity(*reference->getObject()) + "]&";
    }
    return identity;
}
