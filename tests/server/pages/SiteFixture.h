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
#include "../ServerFixture.h"


class SiteTest : public StorageTest {
protected:
    void SetUp() override
    {
        StorageTest::SetUp();
        if (IsSkipped())
            return;
        store_->setCountImported(true);
        site_ = std::make_unique<ResultSite>(*queries_, *store_, "");
        gdi_ = importFixture("gdi-run.kvdresult");
    }
    void TearDown() override
    {
        site_.reset();
        StorageTest::TearDown();
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

    std::unique_ptr<ResultSite> site_;
    std::string gdi_;
};

