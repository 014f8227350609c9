#pragma once

#include <memory>
#include <ostream>
#include <string>

class BCObject;

// A named reference from one record to another; in XML and queries it stands for the other
// record's server ID.
class BCObjectField {
public:
    // Throws std::string "NULL pointer passed to BCObjectField::BCObjectField" for an empty object.
    BCObjectField(const std::string& name, const std::shared_ptr<BCObject>& object, bool searchKey);
    virtual ~BCObjectField();

    const std::string& getName() const { return name_; }
    std::shared_ptr<BCObject> getObject() const { return object_; }
    bool isSearchKey() const { return searchKey_; }

    // '<name id="N"/>' and a line feed; the caller writes the indent before it. Throws
    // std::string when the referenced record has no ID yet (after writing nothing).
    void writeXML(std::ostream& out) const;

private:
    std::string name_;
    std::shared_ptr<BCObject> object_;
    bool searchKey_;
};
