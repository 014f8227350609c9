#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "results/BCObject.h"
#include "results/BCObjectCollection.h"

// libcurl's handle types, kept out of this header.
typedef void CURL;
struct curl_slist;

// Progress of an upload: (records done, records in total, message, the caller's user value).
using UploadProgressCallback = void (*)(uint32_t doneCount, uint32_t totalCount, const std::string& message,
                                        int32_t userValue);

// Limits that keep a silent or stalled server from blocking the program for ever.
struct TransferLimits {
    long connectTimeoutSeconds = 30;  // TCP and TLS handshake
    long lowSpeedLimitBytes = 1;      // abort when fewer bytes per second than this arrive ...
    long lowSpeedTimeSeconds = 60;    // ... for this many seconds
    std::size_t maxReplyBytes = 1 << 20;  // replies read are a few hundred bytes; refuse anything huge
};

// The program's connection to the results server: one libcurl handle reused for every request,
// the root result record of the run, and the lookup and submission of a record tree.
// Exchange failures throw BCException; model misuse throws std::string.
class BenchmarkClient {
public:
    // Throws "ERROR: Could not initialise libCURL" when no easy handle can be created.
    BenchmarkClient(const std::string& rootTypeName, const std::string& apiBaseURL, const std::string& clientName,
                    const std::string& clientKey, const std::string& resultPageBaseURL,
                    const std::string& userAgent);
    virtual ~BenchmarkClient();
    BenchmarkClient(const BenchmarkClient&) = delete;
    BenchmarkClient& operator=(const BenchmarkClient&) = delete;

    // Uploads the whole record tree, the root last. True: outText is the result page URL.
    // False: outText is the result model's error text. BCException reaches the caller; records
    // that got an ID keep it, so a retry sends only the rest (and the root again).
    virtual bool submitResult(std::string& outText, UploadProgressCallback callback, int32_t userValue);

    std::shared_ptr<BCObject> getRootObject() { return root_; }
    void addSubObject(const std::string& name, const std::shared_ptr<BCObject>& object);
    void addSubObjectCollection(const std::shared_ptr<BCObjectCollection>& collection);

    // Verbose libcurl output and the client's own debug lines, filtered by the debug level.
    void enableDebugOutput();
    // Accept a server certificate that the CA bundle cannot authenticate (host names are still
    // checked). Stays off for the life of the client.
    void disableCertificateCheck();
    void setTransferLimits(const TransferLimits& limits);

    // One lookup of a dummy operating-system record ("AmigaOS"). On BCException copies its
    // message and codes into whichever out values are given and returns false.
    bool testConnection(int32_t* httpCode, int32_t* transferCode, std::string* message);

    // Gives the record a server ID: its references first, then a lookup, else a submission.
    void prepareObject(const std::shared_ptr<BCObject>& record);
    void prepareObjectCollection(const std::shared_ptr<BCObjectCollection>& collection);
    // One lookup: the record's ID on the server or -1.
    int32_t getObjectID(const std::shared_ptr<BCObject>& record);
    // Prepares the record's references and collections, then POSTs it: its new ID or -1.
    int32_t submitObject(const std::shared_ptr<BCObject>& record);
    // Interprets the last reply for a record of the given type: its ID or -1 (not found).
    int32_t extractObjectID(const std::string& typeName);
    // Records below the given one, counted once per path.
    static uint32_t countObjects(const std::shared_ptr<BCObject>& record);

    // Where the CA bundle beside the program is expected (a local path, client/LocalFile.h), and
    // whether it was found and given to libcurl at construction.
    const std::string& getCABundlePath() const { return caBundlePath_; }
    bool usesCABundle() const { return caBundleSet_; }

private:
    // libcurl's write, read and debug callbacks, defined with libcurl's own types.
    friend struct BenchmarkClientCallbacks;

    void debugLine(int threshold, int tag, const std::string& text) const;
    void clearBuffers();
    long responseCode();
    [[noreturn]] void throwTransferFailure(const std::string& url, int code) const;

    struct HandleDeleter {
        void operator()(CURL* handle) const;
    };
    struct HeaderListDeleter {
        void operator()(curl_slist* list) const;
    };

    std::string apiBaseURL_;
    std::string login_;
    std::string resultPageBaseURL_;
    std::string caBundlePath_;
    bool caBundleSet_ = false;
    bool caBundleFromBytes_ = false;  // handed to libcurl as bytes, not as a path
    bool debugOutput_ = false;
    TransferLimits limits_;
    UploadProgressCallback progressCallback_ = nullptr;
    int32_t progressUserValue_ = 0;
    uint32_t progressDone_ = 0;
    uint32_t progressTotal_ = 0;

    // Released in reverse order: the handle, the header list, the buffers, the root record.
    std::shared_ptr<BCObject> root_;
    std::string replyBuffer_;
    std::string requestBuffer_;
    std::size_t requestReadPosition_ = 0;
    std::unique_ptr<curl_slist, HeaderListDeleter> headerList_;
    std::unique_ptr<CURL, HandleDeleter> handle_;
};
