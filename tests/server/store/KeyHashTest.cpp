#include <string>

#include <gtest/gtest.h>

#include "server/store/KeyHash.h"

TEST(KeyHashTest, SaltedHashesMatchOnlyTheirKey)
{
    const std::string key = "Kv29wQx7Lm3Np8Rt2Yb6Hc4Jd9Fg1Sk5Zu0Ae7Wi3Ol8Mn2Pq6Rs4Tv1Xy9Bz5Cd3Ef7Gh0Ij2Kl6Mo8Np4Qr1";
    const std::string first = hashKey(key);
    const std::string second = hashKey(key);
    // pbkdf2-sha256$10000$<32 hex digits of salt>$<64 hex digits of hash>
    EXPECT_EQ(0u, first.find("pbkdf2-sha256$10000$"));
    EXPECT_EQ(std::string("pbkdf2-sha256$10000$").size() + 32 + 1 + 64, first.size());
    EXPECT_EQ(std::string::npos, first.find(key));
    EXPECT_NE(first, second);  // a salt of its own

    EXPECT_TRUE(keyMatches(key, first));
    EXPECT_TRUE(keyMatches(key, first));  // asked again, same answer
    EXPECT_TRUE(keyMatches(key, second));
    EXPECT_FALSE(keyMatches(key + "x", first));
    EXPECT_FALSE(keyMatches("", first));

    std::string tampered = first;
    tampered.back() = tampered.back() == '0' ? '1' : '0';
    EXPECT_FALSE(keyMatches(key, tampered));
    EXPECT_FALSE(keyMatches(key, "plain-text-key"));
    EXPECT_FALSE(keyMatches(key, "pbkdf2-sha256$x$00$00"));
    EXPECT_FALSE(keyMatches(key, "pbkdf2-sha256$10000$zz$" + std::string(64, '0')));
}
