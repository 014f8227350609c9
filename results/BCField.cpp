#include "results/BCField.h"

#include "results/XmlEscape.h"

BCField::BCField(const std::string& name, const std::string& value, int searchKey)
    : name_(name), value_(value), searchKey_(searchKey) {}

BCField::~BCField() = default;

void BCField::writeXML(std::ostream& out) const {
    out << '<' << name_ << '>' << xmlEscapeText(value_) << "</" << name_ << ">\n";
}
