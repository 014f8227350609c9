#pragma once

#include <ostream>
#include <string>

// One named text value of a record. Numbers are formatted by whoever adds the field.
class BCField {
public:
    // searchKey non-zero: the field is part of the record's search query.
    BCField(const std::string& name, const std::string& value, int searchKey);
    virtual ~BCField();

    const std::string& getName() const { return name_; }
    const std::string& getValue() const { return value_; }
    bool isSearchKey() const { return searchKey_ != 0; }

    // "<name>value</name>" and a line feed; the caller writes the indent before it.
    void writeXML(std::ostream& out) const;

private:
    std::string name_;
    std::string value_;
    int searchKey_;
};
