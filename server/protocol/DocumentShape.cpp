#include "server/protocol/DocumentShape.h"

#include <vector>

#include "server/protocol/ProtocolError.h"

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9');
}

class ShapeReader {
public:
    ShapeReader(const std::string& body, const DocumentLimits& limits) : body_(body), limits_(limits) {}

    void read()
    {
        std::size_t at = 0;
        bool first = true;
        for (;;) {
            const std::size_t open = body_.find('<', at);
            if (open == std::string::npos)
                break;
            tag_ = open;
            const char next = charAt(open + 1);
            if (next == '!')
                refuse("declarations, comments and CDATA are not accepted in a record document");
            if (next == '?') {
                if (!first || !onlyPrologBefore(open))
                    refuse("processing instructions are not accepted in a record document");
                at = declarationEnd(open);
            } else if (next == '/') {
                at = endTag(open + 2);
            } else {
                at = startTag(open + 1);
            }
            first = false;
        }
    }

private:
    [[noreturn]] void refuse(const std::string& reason) const { throw ProtocolError(400, reason); }

    [[noreturn]] void unreadable() const
    {
        if (cursor_ >= body_.size())
            refuse("malformed record document: the tag at byte " + std::to_string(tag_) + " is not closed");
        refuse("malformed record document: unreadable tag at byte " + std::to_string(tag_));
    }

    char charAt(std::size_t i) const { return i < body_.size() ? body_[i] : '\0'; }

    // Only a UTF-8 byte order mark and blanks may come before the declaration.
    bool onlyPrologBefore(std::size_t open) const
    {
        std::size_t i = body_.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
        while (i < open && isBlank(body_[i]))
            ++i;
        return i == open;
    }

    // "<?xml" and a blank, then anything up to "?>": what the parser skips as the declaration.
    std::size_t declarationEnd(std::size_t open)
    {
        cursor_ = open + 2;
        if (body_.compare(cursor_, 3, "xml") != 0 || !isBlank(charAt(cursor_ + 3)))
            refuse("processing instructions are not accepted in a record document");
        const std::size_t end = body_.find("?>", cursor_);
        if (end == std::string::npos) {
            cursor_ = body_.size();
            unreadable();
        }
        if (body_.find('<', cursor_) < end)
            unreadable();
        return end + 2;
    }

    std::string name()
    {
        const std::size_t start = cursor_;
        if (!isNameStart(charAt(cursor_)))
            unreadable();
        while (isNameChar(charAt(cursor_)))
            ++cursor_;
        if (cursor_ - start > limits_.maxNameBytes)
            refuse("an element or attribute name is longer than " + std::to_string(limits_.maxNameBytes) +
                   " bytes");
        return body_.substr(start, cursor_ - start);
    }

    bool skipBlanks()
    {
        const std::size_t start = cursor_;
        while (isBlank(charAt(cursor_)))
            ++cursor_;
        return cursor_ > start;
    }

    void expect(char c)
    {
        if (charAt(cursor_) != c)
            unreadable();
        ++cursor_;
    }

    std::size_t endTag(std::size_t nameAt)
    {
        cursor_ = nameAt;
        const std::string closed = name();
        skipBlanks();
        expect('>');
        if (open_.empty())
            refuse("malformed record document: </" + closed + "> closes no element");
        if (open_.back() != closed)
            refuse("malformed record document: </" + closed + "> closes <" + open_.back() + ">");
        open_.pop_back();
        return cursor_;
    }

    void attribute()
    {
        name();
        skipBlanks();
        expect('=');
        skipBlanks();
        const char quote = charAt(cursor_);
        if (quote != '"' && quote != '\'')
            unreadable();
        ++cursor_;
        // The parser decodes references in attribute values and reads on over '<': neither
        // belongs in an ID.
        while (cursor_ < body_.size() && body_[cursor_] != quote) {
            if (body_[cursor_] == '<' || body_[cursor_] == '&')
                unreadable();
            ++cursor_;
        }
        expect(quote);
    }

    std::size_t startTag(std::size_t nameAt)
    {
        cursor_ = nameAt;
        std::string element = name();
        if (open_.empty() && rootSeen_)
            refuse("more than one root element");
        rootSeen_ = true;
        if (++elements_ > limits_.maxElements)
            refuse("too many elements in the record document");
        for (;;) {
            const bool blank = skipBlanks();
            const char c = charAt(cursor_);
            if (c == '>') {
                open_.push_back(std::move(element));
                if (open_.size() > limits_.maxDepth)
                    refuse("the record document is nested too deeply");
                return cursor_ + 1;
            }
            if (c == '/') {
                ++cursor_;
                expect('>');
                return cursor_;
            }
            if (!blank)
                unreadable();
            attribute();
        }
    }

    const std::string& body_;
    const DocumentLimits& limits_;
    std::vector<std::string> open_;  // names of the elements open at the cursor
    std::size_t elements_ = 0;
    bool rootSeen_ = false;
    std::size_t tag_ = 0;     // where the tag being read starts
    std::size_t cursor_ = 0;  // the byte being read
};

} // namespace

void checkDocumentShape(const std::string& body, const DocumentLimits& limits)
{
    ShapeReader(body, limits).read();
}
