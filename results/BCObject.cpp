#include "results/BCObject.h"

#include <new>

#include "results/UrlEncode.h"

BCObject::BCObject(const std::string& typeName) : typeName_(typeName), id_(-1) {}

BCObject::~BCObject() = default;

void BCObject::addField(const std::string& name, const std::string& value, int searchKey) {
    fields_.push_back(std::make_shared<BCField>(name, value, searchKey));
}

void BCObject::addSubObject(const std::string& name, const std::shared_ptr<BCObject>& object) {
    if (!object)
        throw std::string("NULL pointer error in BCObject::addSubObject");
    try {
        // push_back either appends or leaves the list as it was.
        subObjects_.push_back(std::make_shared<BCObjectField>(name, object, true));
    } catch (const std::bad_alloc&) {
        throw std::string("ERROR: Out of memory in BCObject::addSubObject");
    }
}

void BCObject::addSubObjectCollection(const std::shared_ptr<BCObjectCollection>& collection) {
    if (!collection)
        throw std::string("NULL pointer error in BCObject::addSubObjectCollection");
    collections_.push_back(collection);
}

int BCObject::getNumFields() const {
    return static_cast<int>(fields_.size());
}

int BCObject::getNumSubObjects() const {
    return static_cast<int>(subObjects_.size());
}

int BCObject::getNumCollections() const {
    return static_cast<int>(collections_.size());
}

namespace {
template <typename T>
std::shared_ptr<T> elementAt(const std::vector<std::shared_ptr<T>>& list, int i) {
    if (i < 0 || static_cast<size_t>(i) >= list.size())
        return nullptr;
    return list[static_cast<size_t>(i)];
}
}  // namespace

std::shared_ptr<BCField> BCObject::getField(int i) const {
    return elementAt(fields_, i);
}

std::shared_ptr<BCObjectField> BCObject::getSubObjectField(int i) const {
    return elementAt(subObjects_, i);
}

std::shared_ptr<BCObjectCollection> BCObject::getCollection(int i) const {
    return elementAt(collections_, i);
}

void BCObject::writeXML(std::ostream& out, const std::string& indent) const {
    // The record's own ID is not written: it is submitted because the server lacks it.
    out << '<' << typeName_ << ">\n";
    for (const auto& field : fields_) {
        out << indent;
        field->writeXML(out);
    }
    for (const auto& subObject : subObjects_) {
        out << indent;
        subObject->writeXML(out);
    }
    for (const auto& collection : collections_)
        collection->writeXML(out, indent);
    out << "</" << typeName_ << ">\n";
}

void BCObject::writeID_XML(std::ostream& out) const {
    if (!hasID())
        throw std::string("ERROR: BCObject::writeID_XML called before a valid ID has been given "
                          "for an object of class: ") + typeName_;
    out << '<' << typeName_ << " id=\"" << id_ << "\"/>\n";
}

void BCObject::generateSearchQuery(std::ostream& out) const {
    out << typeName_ << '?';
    for (const auto& field : fields_) {
        if (field->isSearchKey())
            out << urlEncode(field->getName()) << '=' << urlEncode(field->getValue()) << '&';
    }
    for (const auto& subObject : subObjects_) {
        if (!subObject->isSearchKey())
            continue;
        const std::shared_ptr<BCObject> object = subObject->getObject();
        if (!object->hasID())
            throw std::string("ERROR: BCObject::generateSearchQuery called before a valid ID has "
                              "been given for field: ") + subObject->getName() + ", of class: " +
                  object->getTypeName();
        out << urlEncode(subObject->getName()) << "ID=" << object->getID() << '&';
    }
}
