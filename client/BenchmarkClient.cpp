#include "client/BenchmarkClient.h"


#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <optional>
#include <sstream>

#include <curl/curl.h>

#include "client/DebugLevel.h"
#include "client/LocalFile.h"
#include "client/ProgramPath.h"
#include "client/ReplyParser.h"
#include "results/BCException.h"

namespace {

// Any other status is an error, whatever its body says.
bool isSuccess(long status) { return status >= 200 && status <= 299; }

} // namespace

struct BenchmarkClientCallbacks {
    // Appends one piece of a reply body. Returning less than offered makes libcurl end the
    // transfer with its write error, which is what an oversized reply or exhausted memory does.
    // The body of a status outside 200 to 299 is never read: it is let through without being
    // kept or counted, so a refusal with a large body still arrives as its status.
    static size_t write(char* data, size_t size, size_t count, void* userData)
    {
        auto* client = static_cast<BenchmarkClient*>(userData);
        const size_t bytes = size * count;
        if (!isSuccess(client->responseCode()))
            return bytes;
        if (bytes > client->limits_.maxReplyBytes - std::min(client->limits_.maxReplyBytes, client->replyBuffer_.size()))
            return 0;
        try {
            client->replyBuffer_.append(data, bytes);
        } catch (const std::bad_alloc&) {
            return 0;
        }
        return bytes;
    }

    // Hands libcurl the next part of the POST body; 0 once all of it has been read.
    static size_t read(char* buffer, size_t size, size_t count, void* userData)
    {
        auto* client = static_cast<BenchmarkClient*>(userData);
        const size_t available = client->requestBuffer_.size() - client->requestReadPosition_;
        const size_t bytes = std::min(available, size * count);
        std::memcpy(buffer, client->requestBuffer_.data() + client->requestReadPosition_, bytes);
        client->requestReadPosition_ += bytes;
        return bytes;
    }

    // Lets libcurl send a POST body again when it has to repeat the request on a new
    // connection (the server closed a kept-alive one without answering).
    static int seek(void* userData, curl_off_t offset, int origin)
    {
        auto* client = static_cast<BenchmarkClient*>(userData);
        if (origin != SEEK_SET || offset < 0 || static_cast<size_t>(offset) > client->requestBuffer_.size())
            return CURL_SEEKFUNC_CANTSEEK;
        client->requestReadPosition_ = static_cast<size_t>(offset);
        return CURL_SEEKFUNC_OK;
    }

    // libcurl's own text from debug level 4, the traffic itself (headers, data, TLS) from 7.
    static int debug(CURL*, curl_infotype kind, char* data, size_t size, void*)
    {
        const int threshold = kind == CURLINFO_TEXT ? 4 : 7;
        if (getDebugLevel() >= threshold) {
            std::cout << "(" << threshold << ") ";
            std::cout.write(data, static_cast<std::streamsize>(size));
        }
        return 0;
    }
};

void BenchmarkClient::HandleDeleter::operator()(CURL* handle) const { curl_easy_cleanup(handle); }

void BenchmarkClient::HeaderListDeleter::operator()(curl_slist* list) const { curl_slist_free_all(list); }

BenchmarkClient::BenchmarkClient(const std::string& rootTypeName, const std::string& apiBaseURL,
                                 const std::string& clientName, const std::string& clientKey,
                                 const std::string& resultPageBaseURL, const std::string& userAgent)
    : apiBaseURL_(apiBaseURL),
      login_(clientName + ":" + clientKey),
      resultPageBaseURL_(resultPageBaseURL),
      root_(std::make_shared<BCObject>(rootTypeName))
{
    handle_.reset(curl_easy_init());
    if (!handle_)
        throw std::string("ERROR: Could not initialise libCURL");
    CURL* curl = handle_.get();

    // Only the program's own directory is searched; without a bundle there libcurl keeps its
    // built-in default, and an HTTPS request then fails with its certificate error.
    const std::string programPath = programFilePath();
    if (!programPath.empty()) {
        caBundlePath_ = caBundlePathFor(programPath, programPathSeparator());
        if (localFileExists(caBundlePath_)) {
            // libcurl gets the bundle's bytes: the TLS library opens a path through the ANSI
            // code page, which cannot spell every folder a program is started from.
            const std::optional<std::string> bundle = readLocalFile(caBundlePath_);
            if (bundle) {
                curl_blob blob{const_cast<char*>(bundle->data()), bundle->size(), CURL_BLOB_COPY};
                curl_easy_setopt(curl, CURLOPT_CAINFO_BLOB, &blob);
                caBundleFromBytes_ = true;
            } else {
                // There but unreadable: libcurl cannot open it either, and says so (77).
                curl_easy_setopt(curl, CURLOPT_CAINFO, caBundlePath_.c_str());
            }
            caBundleSet_ = true;
        }
    }

    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &BenchmarkClientCallbacks::write);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &BenchmarkClientCallbacks::read);
    curl_easy_setopt(curl, CURLOPT_READDATA, this);
    curl_easy_setopt(curl, CURLOPT_SEEKFUNCTION, &BenchmarkClientCallbacks::seek);
    curl_easy_setopt(curl, CURLOPT_SEEKDATA, this);
    curl_easy_setopt(curl, CURLOPT_URL, apiBaseURL_.c_str());
    // Basic authentication (libcurl's default) sends the login with every request.
    curl_easy_setopt(curl, CURLOPT_USERPWD, login_.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent.c_str());

    curl_slist* list = curl_slist_append(nullptr, "content-type: application/xml");
    if (list) {
        curl_slist* extended = curl_slist_append(list, "Connection: Keep-Alive");
        if (!extended)
            curl_slist_free_all(list);
        list = extended;
    }
    if (!list)
        throw std::string("ERROR: Could not initialise libCURL");
    headerList_.reset(list);

    // The Windows TLS library offers nothing newer than TLS 1.2; nothing older is accepted.
    curl_easy_setopt(curl, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    // Single-threaded program: time-outs must not rely on signals.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    setTransferLimits(limits_);
}

BenchmarkClient::~BenchmarkClient() = default;

void BenchmarkClient::addSubObject(const std::string& name, const std::shared_ptr<BCObject>& object)
{
    root_->addSubObject(name, object);
}

void BenchmarkClient::addSubObjectCollection(const std::shared_ptr<BCObjectCollection>& collection)
{
    root_->addSubObjectCollection(collection);
}

void BenchmarkClient::enableDebugOutput()
{
    curl_easy_setopt(handle_.get(), CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(handle_.get(), CURLOPT_DEBUGFUNCTION, &BenchmarkClientCallbacks::debug);
    debugOutput_ = true;
}

void BenchmarkClient::disableCertificateCheck()
{
    curl_easy_setopt(handle_.get(), CURLOPT_SSL_VERIFYPEER, 0L);
}

void BenchmarkClient::setTransferLimits(const TransferLimits& limits)
{
    limits_ = limits;
    curl_easy_setopt(handle_.get(), CURLOPT_CONNECTTIMEOUT, limits_.connectTimeoutSeconds);
    curl_easy_setopt(handle_.get(), CURLOPT_LOW_SPEED_LIMIT, limits_.lowSpeedLimitBytes);
    curl_easy_setopt(handle_.get(), CURLOPT_LOW_SPEED_TIME, limits_.lowSpeedTimeSeconds);
}

void BenchmarkClient::debugLine(int threshold, int tag, const std::string& text) const
{
    if (debugOutput_ && getDebugLevel() >= threshold)
        std::cout << "(" << tag << ") " << text << std::endl;
}

void BenchmarkClient::clearBuffers()
{
    replyBuffer_.clear();
    requestBuffer_.clear();
    requestReadPosition_ = 0;
}

long BenchmarkClient::responseCode()
{
    long status = 0;
    curl_easy_getinfo(handle_.get(), CURLINFO_RESPONSE_CODE, &status);
    return status;
}

void BenchmarkClient::throwTransferFailure(const std::string& url, int code) const
{
    // mbedTLS reports a bundle given as bytes that it cannot read as a problem with a local
    // certificate; it is the bundle's fault, as the same bytes read from the file would say.
    if (caBundleFromBytes_ && code == CURLE_SSL_CERTPROBLEM)
        code = CURLE_SSL_CACERT_BADFILE;
    throw BCException("ERROR: Search query (" + url + ") failed with error: " +
                          curl_easy_strerror(static_cast<CURLcode>(code)) + ".",
                      0, code);
}

bool BenchmarkClient::submitResult(std::string& outText, UploadProgressCallback callback, int32_t userValue)
{
    progressCallback_ = callback;
    progressUserValue_ = userValue;
    progressDone_ = 0;
    try {
        progressTotal_ = countObjects(root_) + 1;
        // The root is submitted on every call, whatever ID an earlier attempt gave it.
        const int32_t id = submitObject(root_);
        if (id == -1)
            throw BCException("ERROR: Could not submit object of type " + root_->getTypeName() + " to the server",
                              0, 0);
        outText = resultPageBaseURL_ + std::to_string(id);
        if (progressCallback_) {
            progressDone_ = progressTotal_;
            progressCallback_(progressTotal_, progressTotal_, "Done.", progressUserValue_);
        }
        return true;
    } catch (const std::string& message) {
        outText = message;
        return false;
    }
}

uint32_t BenchmarkClient::countObjects(const std::shared_ptr<BCObject>& record)
{
    uint32_t count = 0;
    for (int i = 0; i < record->getNumSubObjects(); ++i)
        count += 1 + countObjects(record->getSubObjectField(i)->getObject());
    for (int i = 0; i < record->getNumCollections(); ++i) {
        const std::shared_ptr<BCObjectCollection> collection = record->getCollection(i);
        for (int j = 0; j < collection->getNumObjects(); ++j)
            count += 1 + countObjects(collection->getObject(j));
    }
    return count;
}

void BenchmarkClient::prepareObject(const std::shared_ptr<BCObject>& record)
{
    const std::string& type = record->getTypeName();
    if (record->hasID()) {
        debugLine(3, 2, "Object of type: " + type + " already prepared");
        return;
    }
    debugLine(2, 2, "Preparing object of type: " + type);

    for (int i = 0; i < record->getNumSubObjects(); ++i) {
        const std::shared_ptr<BCObject> referenced = record->getSubObjectField(i)->getObject();
        if (!referenced->hasID())
            prepareObject(referenced);
    }
    for (int i = 0; i < record->getNumCollections(); ++i)
        prepareObjectCollection(record->getCollection(i));

    int32_t id = getObjectID(record);
    if (id == -1) {
        id = submitObject(record);
        if (id == -1)
            throw BCException("ERROR: Could not submit object of type " + type + " to the server", 0, 0);
    }
    record->setID(id);
    debugLine(2, 2, "Object of type: " + type + " has been prepared for use ");

    if (progressCallback_) {
        ++progressDone_;
        progressCallback_(progressDone_, progressTotal_, std::string(), progressUserValue_);
    }
}

void BenchmarkClient::prepareObjectCollection(const std::shared_ptr<BCObjectCollection>& collection)
{
    const std::string& name = collection->getName();
    const int count = collection->getNumObjects();
    debugLine(2, 2, "Preparing object collection: " + name);
    for (int i = 0; i < count; ++i) {
        debugLine(2, 2, "Preparing object #" + std::to_string(i) + " of " + std::to_string(count));
        prepareObject(collection->getObject(i));
    }
    debugLine(2, 2, "Object collection called " + name + " has been prepared");
}

int32_t BenchmarkClient::getObjectID(const std::shared_ptr<BCObject>& record)
{
    const std::string& type = record->getTypeName();
    debugLine(2, 2, "Getting ID for an object of type " + type + " from the server.");
    clearBuffers();

    std::ostringstream query;
    query << apiBaseURL_;
    record->generateSearchQuery(query);
    const std::string url = query.str();

    curl_easy_setopt(handle_.get(), CURLOPT_URL, url.c_str());
    const CURLcode result = curl_easy_perform(handle_.get());
    debugLine(2, 2, "Search query: " + url);
    if (result != CURLE_OK)
        throwTransferFailure(url, result);

    const long status = responseCode();
    debugLine(3, 3, "HTTP Response code: " + std::to_string(status));
    if (!isSuccess(status))
        throw BCException("BenchmarkClient::getObjectID failed. Server returned response code: " +
                              std::to_string(status) + "\n",
                          static_cast<int32_t>(status), 0);
    debugLine(3, 3, "HTTP body: " + replyBuffer_);
    return extractObjectID(type);
}

int32_t BenchmarkClient::submitObject(const std::shared_ptr<BCObject>& record)
{
    const std::string& type = record->getTypeName();
    debugLine(2, 2, "Submitting an object of type " + type + " from the server.");

    const int subObjects = record->getNumSubObjects();
    if (subObjects > 0) {
        debugLine(2, 2, "Preparing sub-objects");
        for (int i = 0; i < subObjects; ++i) {
            debugLine(3, 3, "Preparing sub-object #" + std::to_string(i) + " of " + std::to_string(subObjects));
            prepareObject(record->getSubObjectField(i)->getObject());
        }
    }
    const int collections = record->getNumCollections();
    if (collections > 0) {
        debugLine(2, 2, "Preparing sub-object collections");
        for (int i = 0; i < collections; ++i) {
            debugLine(3, 2,
                      "Preparing sub-object collection #" + std::to_string(i) + " of " + std::to_string(collections));
            prepareObjectCollection(record->getCollection(i));
        }
    }

    clearBuffers();
    std::ostringstream document;
    record->writeXML(document, "\t");
    requestBuffer_ = document.str();
    const std::string url = apiBaseURL_ + type;
    debugLine(4, 4, "Post URL: " + url);
    debugLine(4, 4, "Post content: \n" + requestBuffer_);

    CURL* curl = handle_.get();
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(requestBuffer_.size()));
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headerList_.get());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    const CURLcode result = curl_easy_perform(curl);
    // Whatever happened, the next lookup must be a plain GET without the XML headers.
    curl_easy_setopt(curl, CURLOPT_POST, 0L);
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
    if (result != CURLE_OK)
        throwTransferFailure(url, result);

    const long status = responseCode();
    debugLine(3, 3, "HTTP Response code: " + std::to_string(status));
    if (!isSuccess(status))
        throw BCException("BenchmarkClient::submitObject failed. Server returned response code: " +
                              std::to_string(status) + "\n",
                          static_cast<int32_t>(status), 0);

    const int32_t id = extractObjectID(type);
    record->setID(id);
    debugLine(2, 2, "Submission of an object of type " + type + (id == -1 ? " failed." : " is done."));
    return id;
}

int32_t BenchmarkClient::extractObjectID(const std::string& typeName)
{
    return extractObjectIDFromReply(replyBuffer_.data(), replyBuffer_.size(), typeName,
                                    [this](int threshold, int tag, const std::string& text) {
                                        debugLine(threshold, tag, text);
                                    });
}

bool BenchmarkClient::testConnection(int32_t* httpCode, int32_t* transferCode, std::string* message)
{
    // A harmless record that exists only for this check; new each time, so there is always a lookup.
    auto record = std::make_shared<BCObject>("BenchmarkOperatingSystem");
    record->addField("Name", "AmigaOS", 1);
    try {
        prepareObject(record);
    } catch (const BCException& e) {
        if (message)
            *message = e.getMessage();
        if (httpCode)
            *httpCode = e.getResponseCode();
        if (transferCode)
            *transferCode = e.getTransferErrorCode();
        return false;
    }
    return true;
}
