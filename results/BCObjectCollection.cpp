#include "results/BCObjectCollection.h"

#include "results/BCObject.h"

BCObjectCollection::BCObjectCollection(const std::string& name, const std::string& elementTypeName)
    : name_(name), elementTypeName_(elementTypeName) {}

BCObjectCollection::~BCObjectCollection() = default;

void BCObjectCollection::addObject(const std::shared_ptr<BCObject>& object) {
    // An empty member would crash every later writer; refuse it like the other adders do.
    if (!object)
        throw std::string("NULL pointer error in BCObjectCollection::addObject");
    // std::string's == compares length and every byte, so a case difference is a mismatch.
    if (object->getTypeName() != elementTypeName_)
        throw std::string("ERROR: Attempted to add an object of type ") + object->getTypeName() +
              " to a collection of type " + elementTypeName_;
    objects_.push_back(object);
}

int BCObjectCollection::getNumObjects() const {
    return static_cast<int>(objects_.size());
}

std::shared_ptr<BCObject> BCObjectCollection::getObject(int i) const {
    if (i < 0 || i >= getNumObjects())
        return nullptr;
    return objects_[static_cast<size_t>(i)];
}

void BCObjectCollection::writeXML(std::ostream& out, const std::string& indent) const {
    out << indent << '<' << name_ << ">\n";
    for (const auto& object : objects_) {
        out << indent << indent;
        object->writeID_XML(out);
    }
    out << indent << "</" << name_ << ">\n";
}
