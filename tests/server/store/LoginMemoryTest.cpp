// An enabled client's stored key is remembered for a moment: what this process changes is seen
// at once, what another process changes once the moment has passed.
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "server/store/Database.h"
#include "server/store/KeyHash.h"
#include "server/store/SociRecordStore.h"
#include "../ServerFixture.h"

TEST(LoginMemoryTest, ChangesHereCountAtOnceAndChangesElsewhereAfterTheMemoryEnds)
{
    std::string reason;
    const std::string url = freshDatabaseURL(Storage::SQLite, reason);
    ASSERT_FALSE(url.empty()) << reason;
    const auto database = Database::open(url, 2);
    SociRecordStore store(*database);
    store.addClient("Lab", "first key");
    EXPECT_EQ(store.checkLogin("Lab", "first key"), LoginOutcome::Accepted);
    EXPECT_EQ(store.checkLogin("Lab", "wrong key"), LoginOutcome::WrongKey);

    // This process: a new key and a disabled client count from the next request.
    store.addClient("Lab", "second key");
    EXPECT_EQ(store.checkLogin("Lab", "first key"), LoginOutcome::WrongKey);
    EXPECT_EQ(store.checkLogin("Lab", "second key"), LoginOutcome::Accepted);
    EXPECT_TRUE(store.disableClient("Lab"));
    EXPECT_EQ(store.checkLogin("Lab", "second key"), LoginOutcome::Disabled);

    // Another process (another store on the same file) enables it again and then disables it:
    // the remembered login lasts at most its moment.
    const auto elsewhere = Database::open(url, 1);
    SociRecordStore other(*elsewhere);
    other.addClient("Lab", "third key");
    EXPECT_EQ(store.checkLogin("Lab", "third key"), LoginOutcome::Accepted);
    const auto disabledAt = std::chrono::steady_clock::now();
    EXPECT_TRUE(other.disableClient("Lab"));
    std::this_thread::sleep_until(disabledAt + std::chrono::milliseconds(SociRecordStore::kLoginMemoryMillis + 100));
    EXPECT_EQ(store.checkLogin("Lab", "third key"), LoginOutcome::Disabled);
}

// An unknown name costs the key derivation a wrong key costs, so that neither the time nor the
// load tells which names exist; a remembered match costs none.
TEST(LoginMemoryTest, UnknownNamesCostWhatWrongKeysCost)
{
    std::string reason;
    const std::string url = freshDatabaseURL(Storage::SQLite, reason);
    ASSERT_FALSE(url.empty()) << reason;
    const auto database = Database::open(url, 2);
    SociRecordStore store(*database);
    store.addClient("Lab", "right key");
    EXPECT_EQ(store.checkLogin("Lab", "right key"), LoginOutcome::Accepted);
    const auto derivationsOf = [&](const char* name, const char* key, LoginOutcome expected) {
        const unsigned long long before = keyDerivations();
        EXPECT_EQ(store.checkLogin(name, key), expected) << name;
        return keyDerivations() - before;
    };
    EXPECT_EQ(derivationsOf("Lab", "wrong key", LoginOutcome::WrongKey), 1u);
    EXPECT_EQ(derivationsOf("Nobody", "any key", LoginOutcome::Unknown), 1u);
    EXPECT_EQ(derivationsOf("Lab", "right key", LoginOutcome::Accepted), 0u);
}
