#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "server/http/MultipartForm.h"

namespace {

const std::string kType = "multipart/form-data; boundary=XyZ";

std::string refusal(const std::string& contentType, const std::string& body)
{
    try {
        MultipartForm::parse(contentType, body);
    } catch (const MultipartError& error) {
        return error.what();
    }
    return "(accepted)";
}

} // namespace

// A browser's file form, byte for byte as Chromium sends it: a preamble-free body, a file
// part and a plain field, CRLF line ends inside the file kept.
TEST(MultipartFormTest, TakesABrowserFormApart)
{
    const std::string type = "multipart/form-data; boundary=----WebKitFormBoundary7MA4YWxkTrZu0gW";
    const std::string body =
        "------WebKitFormBoundary7MA4YWxkTrZu0gW\r\n"
        "Content-Disposition: form-data; name=\"transcript\"; filename=\"run 1.kvdresult\"\r\n"
        "Content-Type: application/octet-stream\r\n"
        "\r\n"
        "Korvid 2.9\r\n--not a boundary\r\n\r\n"
        "\r\n------WebKitFormBoundary7MA4YWxkTrZu0gW\r\n"
        "content-disposition: form-data; name=\"note\"\r\n"
        "\r\n"
        "\r\n------WebKitFormBoundary7MA4YWxkTrZu0gW--\r\n";
    const MultipartForm form = MultipartForm::parse(type, body);
    ASSERT_EQ(2u, form.parts().size());
    EXPECT_EQ("transcript", form.parts()[0].name);
    EXPECT_EQ("run 1.kvdresult", form.parts()[0].fileName);
    EXPECT_EQ("application/octet-stream", form.parts()[0].contentType);
    EXPECT_EQ("Korvid 2.9\r\n--not a boundary\r\n\r\n", form.parts()[0].content);
    EXPECT_EQ("note", form.parts()[1].name);
    EXPECT_EQ("", form.parts()[1].fileName);
    EXPECT_EQ("", form.parts()[1].content);
    EXPECT_EQ((std::map<std::string, std::string>{{"note", ""}, {"transcript", "Korvid 2.9\r\n--not a boundary\r\n\r\n"}}),
              form.fields());
}

// Forms that are not quite the browser's but valid: a quoted boundary with a space, a preamble,
// padding after a boundary, parameters in any case and order, escaped quotes, the first of two
// fields of one name.
TEST(MultipartFormTest, ReadsValidVariants)
{
    struct Case {
        std::string contentType;
        std::string body;
        std::map<std::string, std::string> fields;
    };
    const std::vector<Case> cases = {
        {"Multipart/Form-Data; charset=utf-8; BOUNDARY=\"a b\"",
         "preamble\r\n--a b\r\nContent-Disposition: form-data; name=x\r\n\r\n1\r\n--a b--", {{"x", "1"}}},
        {kType, "--XyZ \t\r\nContent-Disposition: form-data; filename=\"f\"; name=\"y\"\r\n\r\n2\r\n--XyZ--epilogue",
         {{"y", "2"}}},
        {kType, "--XyZ\r\nContent-Disposition: form-data; name=\"q\\\"uote\"\r\n\r\n3\r\n--XyZ--", {{"q\"uote", "3"}}},
        {kType,
         "--XyZ\r\nContent-Disposition: form-data; name=a\r\n\r\nfirst\r\n--XyZ\r\n"
         "Content-Disposition: form-data; name=a\r\nContent-Transfer-Encoding: binary\r\n\r\nsecond\r\n--XyZ--",
         {{"a", "first"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.fields, MultipartForm::parse(c.contentType, c.body).fields()) << c.body;
}

// Hostile or broken bodies: each refused whole, with a reason that names what is wrong.
TEST(MultipartFormTest, RefusesHostileBodies)
{
    const std::string part = "Content-Disposition: form-data; name=\"f\"\r\n\r\ndata";
    std::string manyParts;
    for (int i = 0; i <= 64; ++i)
        manyParts += "--XyZ\r\nContent-Disposition: form-data; name=\"p" + std::to_string(i) + "\"\r\n\r\nx\r\n";
    manyParts += "--XyZ--";
    const std::vector<std::pair<std::pair<std::string, std::string>, std::string>> cases = {
        {{"multipart/form-data", "--XyZ--"}, "a missing or malformed boundary"},
        {{"multipart/form-data; boundary=", "----"}, "a missing or malformed boundary"},
        {{"multipart/form-data; boundary=" + std::string(71, 'b'), "--"}, "a missing or malformed boundary"},
        {{"multipart/form-data; boundary=a<b", "--a<b--"}, "a missing or malformed boundary"},
        {{"multipart/form-data; boundary=\"ab", "--ab--"}, "an unterminated quoted value in Content-Type"},
        {{"multipart/form-data; boundary=a; boundary=b", "--a--"},
         "a parameter named twice or unnamed in Content-Type"},
        {{"multipart/mixed; boundary=XyZ", "--XyZ--"}, "not a multipart/form-data body"},
        {{kType, ""}, "no boundary in the body"},
        {{kType, "--XyZ--"}, "a body without parts"},
        {{kType, "--XyZ\r\n" + part}, "the body ends inside a part"},
        {{kType, "--XyZ\r\n" + part + "\r\n--XyZ"}, "a boundary not followed by a line end"},
        {{kType, "--XyZx\r\n" + part + "\r\n--XyZ--"}, "a boundary not followed by a line end"},
        {{kType, "--XyZ\r\n" + part + "\r\n--XyZ\r\n"}, "the body ends inside a part"},
        {{kType, "--XyZ\r\n\r\ndata\r\n--XyZ--"}, "a part without Content-Disposition"},
        {{kType, "--XyZ\r\nContent-Type: text/plain\r\n\r\ndata\r\n--XyZ--"}, "a part without Content-Disposition"},
        {{kType, "--XyZ\r\nContent-Disposition: attachment; name=f\r\n\r\nx\r\n--XyZ--"},
         "a part that is not form-data"},
        {{kType, "--XyZ\r\nContent-Disposition: form-data; filename=f\r\n\r\nx\r\n--XyZ--"}, "a part without a name"},
        {{kType, "--XyZ\r\nContent-Disposition: form-data; name=\"\"\r\n\r\nx\r\n--XyZ--"}, "a part without a name"},
        {{kType, "--XyZ\r\nContent-Disposition: form-data; name=a; name=b\r\n\r\nx\r\n--XyZ--"},
         "a parameter named twice or unnamed in Content-Disposition"},
        {{kType, "--XyZ\r\nContent-Disposition: form-data; name=a\r\nContent-Disposition: form-data; name=b\r\n\r\n"
                 "x\r\n--XyZ--"},
         "a part with two Content-Disposition fields"},
        {{kType, "--XyZ\r\nContent-Disposition: form-data; name=a\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                 "eA==\r\n--XyZ--"},
         "an encoded part (content-transfer-encoding)"},
        {{kType, "--XyZ\r\nContent-Disposition: form-data; name=a\r\nContent-Encoding: gzip\r\n\r\nx\r\n--XyZ--"},
         "an encoded part (content-encoding)"},
        {{kType, "--XyZ\r\nContent-Disposition: form-data; name=a\r\nContent-Type: text/plain;\r\n charset=x\r\n\r\n"
                 "x\r\n--XyZ--"},
         "a malformed line in a part's head"},
        {{kType, "--XyZ\r\nNo colon here\r\n\r\nx\r\n--XyZ--"}, "a malformed line in a part's head"},
        {{kType, "--XyZ\r\nX-Long: " + std::string(5000, 'a') + "\r\n\r\nx\r\n--XyZ--"},
         "a part's head is longer than 4096 bytes"},
        {{kType, manyParts}, "more than 64 parts"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, refusal(c.first.first, c.first.second)) << c.first.second.substr(0, 100);
}

TEST(MultipartFormTest, RecognisesTheContentType)
{
    EXPECT_TRUE(MultipartForm::isFormData("multipart/form-data; boundary=x"));
    EXPECT_TRUE(MultipartForm::isFormData(" Multipart/Form-Data"));
    EXPECT_FALSE(MultipartForm::isFormData("multipart/form-datax; boundary=x"));
    EXPECT_FALSE(MultipartForm::isFormData("application/x-www-form-urlencoded"));
    EXPECT_FALSE(MultipartForm::isFormData(""));
}
