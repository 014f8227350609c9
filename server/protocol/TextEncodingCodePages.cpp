#include "server/protocol/TextEncodingCodePages.h"

#include <iconv.h>

#include <cerrno>
#include <optional>

#include "server/protocol/TextEncoding.h"

namespace {

constexpr int kWindows1252 = 1252;

// Windows-1252's 0x80..0x9F, as toUtf8 reads them (the five unassigned bytes as C1 controls).
const char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// glibc's names of the Windows pages (its CP932 is Microsoft's Shift-JIS, with 0x5C a
// backslash; CP936 is GBK, CP949 Unified Hangul, CP950 Big5 with Microsoft's additions).
const char* iconvName(int codePage)
{
    switch (codePage) {
    case 874: return "CP874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    default: return nullptr;
    }
}

class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (isOpen())
            iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool isOpen() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // The whole input converted; nothing when any byte of it is not text of the source page.
    std::optional<std::string> convert(const std::string& input)
    {
        std::string output;
        char buffer[256];
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        while (inLeft > 0) {
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t done = iconv(handle_, &in, &inLeft, &out, &outLeft);
            output.append(buffer, sizeof buffer - outLeft);
            if (done == static_cast<std::size_t>(-1) && errno != E2BIG)
                return std::nullopt;  // EILSEQ: not of this page; EINVAL: cut in a character
        }
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        if (iconv(handle_, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1))
            return std::nullopt;
        output.append(buffer, sizeof buffer - outLeft);
        return output;
    }

private:
    iconv_t handle_;
};

std::optional<char32_t> nextCodePoint(const std::string& utf8, std::size_t& at)
{
    const auto c = static_cast<unsigned char>(utf8[at]);
    const int length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (at + length > utf8.size())
        return std::nullopt;
    char32_t codePoint = length == 1 ? c : c & (0x3F >> (length - 1));
    for (int i = 1; i < length; ++i)
        codePoint = (codePoint << 6) | (static_cast<unsigned char>(utf8[at + i]) & 0x3F);
    at += length;
    return codePoint;
}

// The Windows-1252 bytes that toUtf8 read as this text; nothing when it holds a character
// Windows-1252 has not.
std::optional<std::string> windows1252Bytes(const std::string& utf8)
{
    std::string bytes;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::optional<char32_t> codePoint = nextCodePoint(utf8, at);
        if (!codePoint)
            return std::nullopt;
        if (*codePoint < 0x80 || (*codePoint >= 0xA0 && *codePoint <= 0xFF)) {
            bytes += static_cast<char>(*codePoint);
            continue;
        }
        bool found = false;
        for (int i = 0; i < 32 && !found; ++i) {
            if (kHighControls[i] == *codePoint) {
                bytes += static_cast<char>(0x80 + i);
                found = true;
            }
        }
        if (!found)
            return std::nullopt;
    }
    return bytes;
}

} // namespace

bool isReadableCodePage(int codePage)
{
    return iconvName(codePage) != nullptr;
}

int codePageNamed(const std::string& fieldValue)
{
    if (fieldValue.empty() || fieldValue.size() > 5 ||
        fieldValue.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const int codePage = std::stoi(fieldValue);
    return isReadableCodePage(codePage) ? codePage : 0;
}

std::string inCodePage(const std::string& stored, int codePage)
{
    if (codePage == kWindows1252 || !isReadableCodePage(codePage) || !isValidUtf8(stored))
        return stored;
    // toUtf8 read the bytes as Windows-1252 unless they were UTF-8 already, and then kept them:
    // "홈" in code page 949 is C8 A8, which UTF-8 reads as "Ȩ". Bytes that Windows-1252 gives
    // back but that are UTF-8 themselves would have been kept, so they are not what was sent.
    const std::optional<std::string> asWindows1252 = windows1252Bytes(stored);
    const std::string& sent = asWindows1252 && !isValidUtf8(*asWindows1252) ? *asWindows1252 : stored;
    Converter converter("UTF-8", iconvName(codePage));
    if (!converter.isOpen())
        return stored;
    const std::optional<std::string> text = converter.convert(sent);
    return text && isValidUtf8(*text) ? *text : stored;
}
