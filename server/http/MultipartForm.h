#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// A multipart/form-data body (the import form's file) taken apart. Only what a form sends is
// accepted: a boundary of 1 to 70 characters, parts with a Content-Disposition of form-data
// and a name, no transfer encoding, at most kMaxParts parts with heads of at most
// kMaxPartHeadBytes; anything else, or a body cut short, is refused whole.
class MultipartForm {
public:
    static constexpr std::size_t kMaxParts = 64;
    static constexpr std::size_t kMaxPartHeadBytes = 4096;

    struct Part {
        std::string name;
        std::string fileName;     // empty for a plain field
        std::string contentType;  // empty when the part names none
        std::string content;
    };

    // True for a multipart/form-data Content-Type, whatever its parameters.
    static bool isFormData(const std::string& contentType);

    // Throws MultipartError with a short reason that may be shown to the client.
    static MultipartForm parse(const std::string& contentType, const std::string& body);

    const std::vector<Part>& parts() const { return parts_; }
    // Each field's content by name; of several parts with one name, the first.
    std::map<std::string, std::string> fields() const;

private:
    std::vector<Part> parts_;
};

class MultipartError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
