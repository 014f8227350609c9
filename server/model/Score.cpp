#include "server/model/Score.h"

#include <cmath>

namespace model {

namespace {

bool usable(double value)
{
    return value > 0.0 && std::isfinite(value);
}

} // namespace

const std::vector<TestId>& coreTests()
{
    static const std::vector<TestId> tests = [] {
        std::vector<TestId> list = {{Test::WritePixelArray, 0, Unit::MiB},
                                    {Test::ReadPixelArray, 0, Unit::MiB}};
        for (Test test : {Test::FillRect, Test::BlitRect}) {
            for (int32_t size : {16, 32, 64, 128})
                list.push_back({test, size, Unit::Ops});
        }
        list.push_back({Test::Random, 0, Unit::Ops});
        return list;
    }();
    return tests;
}

const ScoreReference& builtInReference()
{
    static const ScoreReference reference = [] {
        ScoreReference r;
        r.version = 1;
        r.label = "NVIDIA GeForce GTX 470, nvd3dum.dll 30.0.14023.3004, Direct2D, 320x240 32 bpp";
        const double rates[] = {18457.1, 19170.7,                          // transfers, MiB/s
                                9057.97, 6357.28, 2998.5, 998.004,         // FillRect 16..128
                                8583.69, 6501.95, 2718.87, 962.557,        // BltBitMap 16..128
                                2589.67};                                  // Random
        for (std::size_t i = 0; i < coreTests().size(); ++i)
            r.rates.push_back({coreTests()[i], rates[i]});
        return r;
    }();
    return reference;
}

std::optional<ScoreReference> referenceFrom(const Rates& rates, int version, const std::string& label)
{
    ScoreReference reference;
    reference.version = version;
    reference.label = label;
    for (const TestId& id : coreTests()) {
        const Rate* rate = findRate(rates, id);
        if (!rate || !usable(rate->value))
            return std::nullopt;
        reference.rates.push_back(*rate);
    }
    return reference;
}

ScoreOutcome scoreOf(const Rates& rates, const ScoreReference& reference)
{
    ScoreOutcome outcome;
    double logSum = 0.0;
    for (const Rate& ref : reference.rates) {
        const Rate* rate = findRate(rates, ref.id);
        if (!rate || !usable(rate->value)) {
            outcome.missing.push_back(ref.id);
            continue;
        }
        logSum += std::log(rate->value) - std::log(ref.value);
    }
    if (outcome.missing.empty() && !reference.rates.empty())
        outcome.score = 1000.0 * std::exp(logSum / static_cast<double>(reference.rates.size()));
    return outcome;
}

std::string ScoreOutcome::reason() const
{
    if (missing.empty())
        return "";
    std::string text = "no score: ";
    for (std::size_t i = 0; i < missing.size(); ++i) {
        if (i > 0)
            text += i + 1 == missing.size() ? " and " : ", ";
        text += missing[i].label();
    }
    return text + (missing.size() == 1 ? " was" : " were") + " not measured";
}

} // namespace model
