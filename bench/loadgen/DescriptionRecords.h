#pragma once

#include <memory>
#include <string>
#include <vector>

class BCObject;

// The shared description records below a result root (references and collection members, at
// any depth), each once, every record after the records it refers to: the order in which they
// can be looked up.
std::vector<std::shared_ptr<BCObject>> descriptionRecords(const BCObject& root);

// What makes a description record equal to another on the server, written out: the type, its
// search-key fields in order, and the identity of each record it refers to, in place of an ID
// that the record may not have yet. Two records with one identity are one record on the server.
std::string recordIdentity(const BCObject& record);
