#pragma once

#include <string>

#include "server/http/ImportEndpoint.h"
#include "server/http/RouteTable.h"
#include "server/protocol/HttpExchange.h"

class RecordStore;
class ResultQueries;

// The result site under /Benchmark/Korvid/: its route table (the index with its search and
// import form, result, compare, ranking, card, driver history and download pages), each page
// also as JSON (a ".json" suffix or Accept: application/json) and some as CSV, and a 404 page
// for anything else. Every reply carries the strict Content-Security-Policy; nothing is kept
// between requests.
class ResultSite : public WebHandler {
public:
    // store receives imported transcripts; packagesFolder holds korvid-<version>-win64.zip.
    ResultSite(ResultQueries& queries, RecordStore& store, std::string packagesFolder);

    bool handle(const HttpRequestView& request, HttpReply& reply) override;
    // Imports are held to each source's share of stored results, as uploads are.
    void limitUploads(UploadLimit& limit) { import_.limitUploads(limit); }

private:
    void addRoutes();

    ResultQueries& queries_;
    ImportEndpoint import_;
    std::string packagesFolder_;
    RouteTable routes_;
};
