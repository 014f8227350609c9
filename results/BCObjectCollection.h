#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

class BCObject;

// A named list of records that all have one type name. Held by shared pointer: a collection
// attached to a record and filled afterwards is seen filled through the record.
class BCObjectCollection {
public:
    BCObjectCollection(const std::string& name, const std::string& elementTypeName);
    virtual ~BCObjectCollection();

    // Throws std::string "ERROR: Attempted to add an object of type <T> to a collection of
    // type <E>" when the type names differ (case-sensitive); the list is then unchanged.
    // Throws "NULL pointer error in BCObjectCollection::addObject" for an empty pointer.
    void addObject(const std::shared_ptr<BCObject>& object);

    const std::string& getName() const { return name_; }
    const std::string& getElementTypeName() const { return elementTypeName_; }
    int getNumObjects() const;
    // Empty pointer when i is out of range.
    std::shared_ptr<BCObject> getObject(int i) const;

    // indent + "<name>", one line per member (indent twice + writeID_XML), indent + "</name>".
    // A member without ID throws std::string, leaving the lines written so far.
    void writeXML(std::ostream& out, const std::string& indent) const;

private:
    std::string name_;
    std::string elementTypeName_;
    std::vector<std::shared_ptr<BCObject>> objects_;
};
