#pragma once

#include "server/http/Authenticator.h"
#include "server/http/RouteTable.h"
#include "server/http/UploadLimit.h"

class RecordStore;
class ResultQueries;

// The front page's import form: a saved result file stored as an imported result. Anyone may
// read the site, but only a known client adds results to it, as with uploads.
class ImportEndpoint {
public:
    ImportEndpoint(RecordStore& store, ResultQueries& queries) : store_(store), queries_(queries), logins_(store) {}

    void handle(const RouteRequest& request, HttpReply& reply) const;
    // Holds each source to its share of stored results, as uploads are.
    void limitUploads(UploadLimit& limit) { limit_ = &limit; }

private:
    RecordStore& store_;
    ResultQueries& queries_;
    Authenticator logins_;
    UploadLimit* limit_ = nullptr;
};
