#pragma once

#include <string>

#include "server/http/Authenticator.h"
#include "server/http/UploadLimit.h"
#include "server/protocol/DocumentParser.h"
#include "server/protocol/HttpExchange.h"
#include "server/store/RecordStore.h"

class ServerMetrics;

// The upload protocol: the login, then a lookup (GET) or a submission (POST) of one record
// below the API base path. The protocol's refusals are a status with a short plain-text reason;
// other failures are left to the dispatcher's error mapper.
class ApiHandler {
public:
    ApiHandler(RecordStore& store, std::string basePath, DocumentLimits limits = DocumentLimits())
        : store_(store), authenticator_(store), basePath_(std::move(basePath)), limits_(limits)
    {
    }

    bool isApiPath(const std::string& path) const;
    HttpReply handle(const HttpRequestView& request);
    // Counts the uploads answered with their result's ID.
    void countIn(ServerMetrics& metrics) { metrics_ = &metrics; }
    // Holds each source to its share of stored results; without it, none is held back.
    void limitUploads(UploadLimit& limit) { limit_ = &limit; }

private:
    HttpReply dispatch(const HttpRequestView& request, const std::string& clientName);

    RecordStore& store_;
    Authenticator authenticator_;
    std::string basePath_;
    DocumentLimits limits_;
    ServerMetrics* metrics_ = nullptr;
    UploadLimit* limit_ = nullptr;
};
