#pragma once

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "server/http/ApiHandler.h"
#include "server/http/HttpService.h"
#include "server/store/Database.h"
#include "server/http/ResultSite.h"
#include "server/store/SociRecordStore.h"
#include "server/store/SociResultQueries.h"

// Both storages of the server under test: a SQLite file in a folder of its own, or a new
// database on the PostgreSQL that scripts/test starts (KORVID_TEST_POSTGRES_URL).
enum class Storage { SQLite, PostgreSQL };

std::string storageName(const testing::TestParamInfo<Storage>& info);

// A database URL for a new, empty database of that storage; empty (with reason) when the
// storage is not available here.
std::string freshDatabaseURL(Storage storage, std::string& reason);

// A fresh database of one storage for every test, with the upload store and the pages' queries
// over it; the SQLite file's folder goes with the test. Skipped where the storage is missing.
class StorageTest : public testing::TestWithParam<Storage> {
protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path sqliteFolder_;
    std::unique_ptr<Database> database_;
    std::unique_ptr<SociRecordStore> store_;
    std::unique_ptr<SociResultQueries> queries_;
};

// A saved file of tests/server/import (a transcript, the document its run uploaded).
std::string importFixture(const std::string& name);

// A korvid-server in this process: database, store, API and site on a free port of 127.0.0.1.
class ServerUnderTest {
public:
    ServerUnderTest(const std::string& databaseURL, const ServerOptions& options, int busySeconds = 10);
    ~ServerUnderTest();

    std::string baseURL() const { return baseURL_; }  // "http://127.0.0.1:PORT"
    std::string apiURL() const { return baseURL_ + "/api/v1/"; }
    Database& database() { return *database_; }
    SociRecordStore& store() { return *store_; }

    // One value of a query on the server's database ("SELECT COUNT(*) FROM results").
    long long count(const std::string& sql);

private:
    std::unique_ptr<Database> database_;
    std::unique_ptr<SociRecordStore> store_;
    std::unique_ptr<ApiHandler> api_;
    std::unique_ptr<SociResultQueries> queries_;
    std::unique_ptr<ResultSite> site_;
    std::unique_ptr<HttpService> service_;
    std::thread thread_;
    std::string baseURL_;
};

// The server for one storage, made fresh for every test.
class ServerTest : public testing::TestWithParam<Storage> {
protected:
    void SetUp() override;
    void TearDown() override { server_.reset(); }
    virtual ServerOptions options() const;

    std::string databaseURL_;
    std::unique_ptr<ServerUnderTest> server_;
};

extern const char* const kClientName;
extern const char* const kClientKey;
