#include "server/http/MultipartForm.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace {

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// A header value of the form `type; name=value; name="quoted value"`: the type in lower case
// and the parameters by lower-case name. A parameter named twice is refused, since two
// readers could take different ones.
struct HeaderValue {
    std::string type;
    std::map<std::string, std::string> parameters;
};

HeaderValue parseHeaderValue(std::string_view text, const char* what)
{
    HeaderValue value;
    std::size_t i = std::min(text.find(';'), text.size());
    value.type = lower(trim(text.substr(0, i)));
    while (i < text.size()) {
        ++i;  // the ';'
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i == text.size())
            break;
        const std::size_t equals = text.find('=', i);
        const std::size_t semicolon = std::min(text.find(';', i), text.size());
        if (equals == std::string_view::npos || equals > semicolon)
            throw MultipartError(std::string("a parameter without a value in ") + what);
        const std::string name = lower(trim(text.substr(i, equals - i)));
        i = equals + 1;
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        std::string parameter;
        if (i < text.size() && text[i] == '"') {
            bool closed = false;
            for (++i; i < text.size(); ++i) {
                if (text[i] == '\\' && i + 1 < text.size()) {
                    parameter += text[++i];
                } else if (text[i] == '"') {
                    closed = true;
                    ++i;
                    break;
                } else {
                    parameter += text[i];
                }
            }
            if (!closed)
                throw MultipartError(std::string("an unterminated quoted value in ") + what);
            while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
                ++i;
            if (i < text.size() && text[i] != ';')
                throw MultipartError(std::string("text after a quoted value in ") + what);
        } else {
            const std::size_t end = std::min(text.find(';', i), text.size());
            parameter = std::string(trim(text.substr(i, end - i)));
            i = end;
        }
        if (name.empty() || !value.parameters.emplace(name, parameter).second)
            throw MultipartError(std::string("a parameter named twice or unnamed in ") + what);
    }
    return value;
}

bool validBoundary(const std::string& boundary)
{
    static const std::string kAllowed =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ'()+_,-./:=? ";
    return !boundary.empty() && boundary.size() <= 70 && boundary.back() != ' ' &&
           boundary.find_first_not_of(kAllowed) == std::string::npos;
}

// Reads the head of one part (the lines up to the blank line) into part; its transfer
// encoding must be none.
void parsePartHead(std::string_view head, MultipartForm::Part& part)
{
    bool disposition = false;
    std::size_t start = 0;
    while (start < head.size()) {
        const std::size_t end = std::min(head.find("\r\n", start), head.size());
        const std::string_view line = head.substr(start, end - start);
        start = end + 2;
        const std::size_t colon = line.find(':');
        if (line.empty() || line.front() == ' ' || line.front() == '\t' || colon == std::string_view::npos ||
            colon == 0)
            throw MultipartError("a malformed line in a part's head");
        const std::string name = lower(line.substr(0, colon));
        const std::string_view value = trim(line.substr(colon + 1));
        if (name == "content-disposition") {
            if (disposition)
                throw MultipartError("a part with two Content-Disposition fields");
            disposition = true;
            const HeaderValue parsed = parseHeaderValue(value, "Content-Disposition");
            if (parsed.type != "form-data")
                throw MultipartError("a part that is not form-data");
            const auto fieldName = parsed.parameters.find("name");
            if (fieldName == parsed.parameters.end() || fieldName->second.empty())
                throw MultipartError("a part without a name");
            part.name = fieldName->second;
            const auto fileName = parsed.parameters.find("filename");
            if (fileName != parsed.parameters.end())
                part.fileName = fileName->second;
        } else if (name == "content-type") {
            part.contentType = std::string(value);
        } else if (name == "content-transfer-encoding" || name == "content-encoding") {
            const std::string encoding = lower(value);
            if (encoding != "7bit" && encoding != "8bit" && encoding != "binary" && encoding != "identity")
                throw MultipartError("an encoded part (" + std::string(name) + ")");
        }
    }
    if (!disposition)
        throw MultipartError("a part without Content-Disposition");
}

} // namespace

bool MultipartForm::isFormData(const std::string& contentType)
{
    return lower(trim(std::string_view(contentType).substr(0, contentType.find(';')))) ==
           "multipart/form-data";
}

MultipartForm MultipartForm::parse(const std::string& contentType, const std::string& body)
{
    const HeaderValue type = parseHeaderValue(contentType, "Content-Type");
    if (type.type != "multipart/form-data")
        throw MultipartError("not a multipart/form-data body");
    const auto boundary = type.parameters.find("boundary");
    if (boundary == type.parameters.end() || !validBoundary(boundary->second))
        throw MultipartError("a missing or malformed boundary");

    const std::string dash = "--" + boundary->second;
    const std::string delimiter = "\r\n" + dash;
    const std::boyer_moore_horspool_searcher<std::string::const_iterator> findDelimiter(
        delimiter.begin(), delimiter.end());
    const std::string_view all(body);

    // The first boundary opens the body or follows a preamble on a line of its own.
    std::size_t at = 0;
    if (all.substr(0, dash.size()) != dash) {
        const auto found = std::search(body.begin(), body.end(), findDelimiter);
        if (found == body.end())
            throw MultipartError("no boundary in the body");
        at = static_cast<std::size_t>(found - body.begin()) + 2;
    }
    MultipartForm form;
    for (;;) {
        at += dash.size();
        if (all.substr(at, 2) == "--") {
            if (form.parts_.empty())
                throw MultipartError("a body without parts");
            return form;
        }
        while (at < all.size() && (all[at] == ' ' || all[at] == '\t'))
            ++at;
        if (all.substr(at, 2) != "\r\n")
            throw MultipartError("a boundary not followed by a line end");
        at += 2;
        if (form.parts_.size() == kMaxParts)
            throw MultipartError("more than " + std::to_string(kMaxParts) + " parts");

        if (all.substr(at, 2) == "\r\n")
            throw MultipartError("a part without Content-Disposition");
        const std::size_t headEnd = all.substr(at, kMaxPartHeadBytes + 4).find("\r\n\r\n");
        if (headEnd == std::string_view::npos)
            throw MultipartError(all.size() - at < kMaxPartHeadBytes + 4
                                     ? "the body ends inside a part"
                                     : "a part's head is longer than " + std::to_string(kMaxPartHeadBytes) + " bytes");
        Part part;
        parsePartHead(all.substr(at, headEnd), part);
        const std::size_t contentStart = at + headEnd + 4;
        const auto end = std::search(body.begin() + static_cast<std::ptrdiff_t>(contentStart), body.end(),
                                     findDelimiter);
        if (end == body.end())
            throw MultipartError("the body ends inside a part");
        const std::size_t contentEnd = static_cast<std::size_t>(end - body.begin());
        part.content = body.substr(contentStart, contentEnd - contentStart);
        form.parts_.push_back(std::move(part));
        at = contentEnd + 2;
    }
}

std::map<std::string, std::string> MultipartForm::fields() const
{
    std::map<std::string, std::string> out;
    for (const Part& part : parts_)
        out.emplace(part.name, part.content);
    return out;
}
