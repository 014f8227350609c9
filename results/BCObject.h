#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "results/BCField.h"
#include "results/BCObjectCollection.h"
#include "results/BCObjectField.h"

// One result record: a type name, text fields, named references to other records, named
// collections of records, and the ID the results server gave it (-1 until then).
// Always held through std::shared_ptr; model misuse throws a std::string message.
class BCObject {
public:
    explicit BCObject(const std::string& typeName);
    virtual ~BCObject();
    // A record's identity is its ID on the server; copies would split it.
    BCObject(const BCObject&) = delete;
    BCObject& operator=(const BCObject&) = delete;

    const std::string& getTypeName() const { return typeName_; }
    int32_t getID() const { return id_; }
    bool hasID() const { return id_ != -1; }
    // Only the server client sets IDs.
    void setID(int32_t id) { id_ = id; }

    // No checks: empty or repeated names and empty values are kept as given.
    void addField(const std::string& name, const std::string& value, int searchKey);
    // Throws "NULL pointer error in BCObject::addSubObject" for an empty object. The reference
    // is always a search key.
    void addSubObject(const std::string& name, const std::shared_ptr<BCObject>& object);
    // Throws "NULL pointer error in BCObject::addSubObjectCollection" for an empty collection.
    // The collection itself is kept, not a copy.
    void addSubObjectCollection(const std::shared_ptr<BCObjectCollection>& collection);

    int getNumFields() const;
    int getNumSubObjects() const;
    int getNumCollections() const;
    // Each returns an empty pointer when i is negative or not less than the count.
    std::shared_ptr<BCField> getField(int i) const;
    std::shared_ptr<BCObjectField> getSubObjectField(int i) const;
    std::shared_ptr<BCObjectCollection> getCollection(int i) const;

    // The XML record document (own fields in full, other records by ID); every line ends
    // with '\n'. Throws std::string for a referenced record without ID, leaving the lines
    // written so far in the stream.
    void writeXML(std::ostream& out, const std::string& indent) const;
    // '<type id="N"/>' and a line feed. Throws std::string when this record has no ID.
    void writeID_XML(std::ostream& out) const;
    // "Type?" + "name=value&" per search-key field + "nameID=N&" per search-key reference,
    // URL-encoded; no base URL. Throws std::string for a search-key reference without ID,
    // after the type name and fields have been written.
    void generateSearchQuery(std::ostream& out) const;

private:
    std::string typeName_;
    std::vector<std::shared_ptr<BCField>> fields_;
    std::vector<std::shared_ptr<BCObjectField>> subObjects_;
    std::vector<std::shared_ptr<BCObjectCollection>> collections_;
    int32_t id_;
};
