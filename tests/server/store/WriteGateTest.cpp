// The write gate of a SQLite database: a request waiting to write ends background work's slice
// and goes in before background work's next turn; writers never overlap.
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "server/store/Database.h"
#include "server/store/WriteGate.h"
#include "../ServerFixture.h"

namespace {

using Clock = std::chrono::steady_clock;

// Waits (at most 10 s) until condition holds; false if it never did.
template <typename Condition>
bool eventually(Condition condition)
{
    const auto until = Clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (Clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class Journal {
public:
    void add(const std::string& entry)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.push_back(entry);
    }
    std::vector<std::string> entries()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return entries_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> entries_;
};

} // namespace

TEST(WriteGateTest, AWaitingRequestEndsTheSliceAndGoesBeforeTheNextBackgroundTurn)
{
    // When the gate opens, the waiting request and the waiting background work race for it; a
    // gate without the request's priority lets the work win about half the rounds.
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        WriteGate gate;
        Journal journal;
        auto background = std::make_unique<WriteGate::Background>(gate);
        const Database::Slice slice(&gate, Clock::now(), std::chrono::hours(1));
        const Database::Slice postgres(nullptr, Clock::now(), std::chrono::hours(1));
        EXPECT_FALSE(gate.requestWaiting());
        EXPECT_FALSE(slice.over());

        std::atomic<bool> requestMayLeave{false};
        std::thread request([&] {
            WriteGate::Request turn(gate);
            journal.add("request in");
            while (!requestMayLeave)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            journal.add("request out");
        });
        ASSERT_TRUE(eventually([&] { return gate.requestWaiting(); }));
        EXPECT_TRUE(slice.over());
        // PostgreSQL has no single writer: its slices end by time alone.
        EXPECT_FALSE(postgres.over());

        std::thread next([&] {
            WriteGate::Background turn(gate);
            journal.add("background in");
        });
        // The request is still waiting for the background work that holds the gate.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(journal.entries().empty());
        background.reset();
        ASSERT_TRUE(eventually([&] { return !journal.entries().empty(); }));
        EXPECT_FALSE(gate.requestWaiting());
        requestMayLeave = true;
        request.join();
        next.join();
        EXPECT_EQ(journal.entries(), (std::vector<std::string>{"request in", "request out", "background in"}));
    }
}

TEST(WriteGateTest, RequestsTakeTurnsOneAtATime)
{
    WriteGate gate;
    std::atomic<int> inside{0}, most{0};
    std::vector<std::thread> writers;
    for (int i = 0; i < 4; ++i) {
        writers.emplace_back([&] {
            for (int k = 0; k < 50; ++k) {
                WriteGate::Request turn(gate);
                const int now = ++inside;
                int seen = most;
                while (now > seen && !most.compare_exchange_weak(seen, now)) {
                }
                std::this_thread::yield();
                --inside;
            }
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    EXPECT_EQ(most, 1);
    EXPECT_FALSE(gate.requestWaiting());
}

TEST(WriteGateTest, ASliceIsOverOnceItsBudgetIsSpent)
{
    const Database::Slice spent(nullptr, Clock::now() - std::chrono::milliseconds(30), std::chrono::milliseconds(25));
    EXPECT_TRUE(spent.over());
    const Database::Slice none(nullptr, Clock::now(), Clock::duration::zero());
    EXPECT_TRUE(none.over());
    const Database::Slice fresh(nullptr, Clock::now(), std::chrono::seconds(60));
    EXPECT_FALSE(fresh.over());
}

// The same through the database: background work in a SQLite transaction sees an upload of
// another thread wait to write, and the upload goes in once the work has committed.
TEST(WriteGateTest, BackgroundWorkOnSQLiteSeesAnUploadWaitAndLetsItInAfterItsCommit)
{
    std::string reason;
    const std::string url = freshDatabaseURL(Storage::SQLite, reason);
    ASSERT_FALSE(url.empty()) << reason;
    const auto database = Database::open(url, 2);
    Journal journal;
    std::thread upload;
    Database::Slice::Clock::duration held{};
    const bool sawUpload = database->inBackgroundTransaction(
        std::chrono::hours(1), held, [&](soci::session& s, const Database::Slice& slice) {
            s << "INSERT INTO clients (name, key_hash, enabled, created_at) VALUES ('work', 'x', 1, 0)";
            upload = std::thread([&] {
                database->inTransaction([&](soci::session& u) {
                    long long n = 0;
                    u << "SELECT COUNT(*) FROM clients WHERE name = 'work'", soci::into(n);
                    journal.add("upload sees " + std::to_string(n));
                });
            });
            const bool over = eventually([&] { return slice.over(); });
            journal.add("work commits");
            return over;
        });
    upload.join();
    EXPECT_TRUE(sawUpload);
    EXPECT_EQ(journal.entries(), (std::vector<std::string>{"work commits", "upload sees 1"}));
}
