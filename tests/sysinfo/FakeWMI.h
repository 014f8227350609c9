#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sysinfo/CpuidReader.h"
#include "sysinfo/WMIObject.h"

// A result object with scripted properties; every read is logged by name.
class FakeWMIObject : public WMIObject {
public:
    FakeWMIObject& text(const std::string& name, const std::string& value)
    {
        texts_[name] = value;
        return *this;
    }
    FakeWMIObject& number(const std::string& name, uint32_t value)
    {
        numbers_[name] = value;
        return *this;
    }
    bool readText(const char* property, std::string& value) override
    {
        reads.push_back(property);
        const auto it = texts_.find(property);
        if (it == texts_.end()) {
            return false;
        }
        value = it->second;
        return true;
    }
    bool readNumber(const char* property, uint32_t& value) override
    {
        reads.push_back(property);
        const auto it = numbers_.find(property);
        if (it == numbers_.end()) {
            return false;
        }
        value = it->second;
        return true;
    }

    std::vector<std::string> reads;

private:
    std::map<std::string, std::string> texts_;
    std::map<std::string, uint32_t> numbers_;
};

// Hands out its scripted objects in order and remembers what it was asked.
class FakeWMIQueryRunner : public WMIQueryRunner {
public:
    void run(const std::string& queryText, const std::string& failureText,
             const std::function<bool(WMIObject&)>& visit) override
    {
        queries.push_back(queryText);
        failureTexts.push_back(failureText);
        for (FakeWMIObject& object : objects) {
            ++visited;
            if (!visit(object)) {
                break;
            }
        }
    }

    FakeWMIObject& add()
    {
        objects.emplace_back();
        return objects.back();
    }

    std::vector<FakeWMIObject> objects;
    std::vector<std::string> queries;
    std::vector<std::string> failureTexts;
    int visited = 0;
};

// A processor that answers what it is told (every other leaf reads 0) and logs the leaves asked.
class FakeCpuidReader : public CpuidReader {
public:
    FakeCpuidReader() = default;
    // A processor that names no vendor and has only the extended leaves.
    FakeCpuidReader(uint32_t maxExtendedLeaf, uint32_t l1LeafEcx)
    {
        answer(0x80000000u, 0, {maxExtendedLeaf, 0, 0, 0});
        answer(0x80000005u, 0, {0, 0, l1LeafEcx, 0});
    }

    FakeCpuidReader& answer(uint32_t leaf, uint32_t subleaf, const CpuidRegisters& registers)
    {
        answers_[{leaf, subleaf}] = registers;
        return *this;
    }

    CpuidRegisters execute(uint32_t leaf, uint32_t subleaf) override
    {
        leaves.push_back(leaf);
        const auto it = answers_.find({leaf, subleaf});
        return it == answers_.end() ? CpuidRegisters() : it->second;
    }

    std::vector<uint32_t> leaves;

private:
    std::map<std::pair<uint32_t, uint32_t>, CpuidRegisters> answers_;
};
