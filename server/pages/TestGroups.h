#pragma once

#include <map>
#include <string>
#include <vector>

#include "server/pages/PageData.h"
#include "server/pages/Statistics.h"

// The groups of a run in the order and under the titles the console prints them.
enum class GroupKind { Transfer, Sized, Random };

struct TestGroup {
    std::string title;
    std::vector<std::string> tests;  // measurement test names, e.g. "BlitRect" for BltBitMap
    GroupKind kind;
};

const std::vector<TestGroup>& testGroups();

// The rate that stands for a test and size in the score: Ops_s, or MiB_s for the transfers.
// MP_s follows from Ops_s for square tests and would count them twice.
bool entersScore(const std::string& unit);

std::vector<stats::ScoreTerm> scoreTerms(const std::vector<Measurement>& measurements,
                                         const std::map<TestKey, double>& references);
