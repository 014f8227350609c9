#pragma once
// The result site over a fresh database of each storage, with the real GDI run imported under
// other drivers and machines; imported results count in the figures here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "server/import/TranscriptImport.h"
#include "server/http/ResultSite.h"
#include "server/store/Database.h"
#include "server/store/SociRecordStore.h"
#include "server/store/SociResultQueries.h"
#include "../ServerFixture.h"


class SiteTest : public ::testing::TestWithParam<Storage> {
protected:
    void SetUp() override
    {
        std::string reason;
        const std::string url = freshDatabaseURL(GetParam(), reason);
        if (url.empty())
            GTEST_SKIP() << reason;
        if (GetParam() == Storage::SQLite)
            sqliteFolder_ = std::filesystem::path(url.substr(7)).parent_path();
        database_ = Database::open(url, 2);
        store_ = std::make_unique<SociRecordStore>(*database_);
        store_->setCountImported(true);
        queries_ = std::make_unique<SociResultQueries>(*database_);
        site_ = std::make_unique<ResultSite>(*queries_, *store_, "");
        std::ifstream in(std::string(KORVID_SOURCE_DIR) + "/tests/server/import/gdi-run.kvdresult", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        gdi_ = text.str();
    }
    void TearDown() override
    {
        site_.reset();
        queries_.reset();
        store_.reset();
        database_.reset();
        if (!sqliteFolder_.empty())
            std::filesystem::remove_all(sqliteFolder_);
    }

    // The GDI run under another driver version, made a different machine by its memory.
    void importRun(const std::string& driver, int machine, bool fasterMix)
    {
        std::string run = gdi_;
        run.replace(run.find("30.0.14023.3004"), 15, driver);
        run.replace(run.find("Total RAM: 23.5403"), 18, "Total RAM: 23.54" + std::to_string(10 + machine));
        if (fasterMix)
            run.replace(run.find("145427.427"), 10, "290854.854");
        EXPECT_GT(importTranscript(run, *store_, kImportClientName), 0);
    }

    HttpReply get(const std::string& path, const std::string& query = "")
    {
        HttpRequestView request;
        request.method = "GET";
        request.path = path;
        request.query = query;
        request.accept = "text/html";
        HttpReply reply;
        EXPECT_TRUE(site_->handle(request, reply));
        return reply;
    }

    // How many results the result list says a query matches ("none" when it says nothing).
    std::string matched(const std::string& query)
    {
        const std::string json = get("/Benchmark/Korvid/Results.json", query).body;
        std::smatch m;
        return std::regex_search(json, m, std::regex("\"matched\":([0-9]+)")) ? m[1].str() : "none";
    }

    std::filesystem::path sqliteFolder_;
    std::unique_ptr<Database> database_;
    std::unique_ptr<SociRecordStore> store_;
    std::unique_ptr<SociResultQueries> queries_;
    std::unique_ptr<ResultSite> site_;
    std::string gdi_;
};

