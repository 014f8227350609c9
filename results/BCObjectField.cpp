#include "results/BCObjectField.h"

#include "results/BCObject.h"

BCObjectField::BCObjectField(const std::string& name, const std::shared_ptr<BCObject>& object,
                             bool searchKey)
    : name_(name), object_(object), searchKey_(searchKey) {
    if (!object_)
        throw std::string("NULL pointer passed to BCObjectField::BCObjectField");
}

BCObjectField::~BCObjectField() = default;

void BCObjectField::writeXML(std::ostream& out) const {
    if (!object_->hasID())
        throw std::string("ERROR: BCObjectField::writeXML called before a valid ID has been given "
                          "for an object of class: ") + object_->getTypeName();
    out << '<' << name_ << " id=\"" << object_->getID() << "\"/>\n";
}
