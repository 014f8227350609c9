#pragma once

#include "server/http/HttpExchange.h"
#include "server/store/Database.h"

// The smallest site that completes the upload road: a result's page answers 200 once the
// result is stored, with its card and measurements; the download page names the folder.
class BasicSite : public WebHandler {
public:
    explicit BasicSite(Database& database) : database_(database) {}
    bool handle(const HttpRequestView& request, HttpReply& reply) override;

private:
    Database& database_;
};
