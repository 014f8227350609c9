#pragma once

#include <string>

#include "server/protocol/HttpExchange.h"

class RecordStore;
class ResultQueries;

// The result site under /Benchmark/Korvid/: the index with its search and import form, result,
// compare, ranking, card and download pages, each also as JSON (a ".json" suffix or
// Accept: application/json), and a 404 page for anything else. Every reply carries the strict
// Content-Security-Policy; nothing is kept between requests.
class ResultSite : public WebHandler {
public:
    // store receives imported transcripts; packagesFolder holds korvid-<version>-win64.zip.
    ResultSite(ResultQueries& queries, RecordStore& store, std::string packagesFolder);

    bool handle(const HttpRequestView& request, HttpReply& reply) override;

private:
    void importForm(const HttpRequestView& request, HttpReply& reply, bool json);

    ResultQueries& queries_;
    RecordStore& store_;
    std::string packagesFolder_;
};
