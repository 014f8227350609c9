#include "server/store/ScoreQueries.h"

#include "server/model/LogHistogram.h"
#include "server/store/SqlDialect.h"

namespace {

// Counted scores in bins above `bin`, and in all bins, of one scope.
std::pair<long long, long long> aboveAndTotal(soci::session& s, int version, int32_t scope, int32_t bin)
{
    long long above = 0, total = 0;
    s << "SELECT COALESCE(SUM(CASE WHEN bin > :b THEN count ELSE 0 END), 0), COALESCE(SUM(count), 0) "
         "FROM score_bins WHERE version = :v AND scope = :s",
        soci::into(above), soci::into(total), soci::use(bin), soci::use(version), soci::use(scope);
    return {above, total};
}

} // namespace

namespace scoreQueries {

ScoreFigures ofResult(soci::session& s, const StoredResult& r)
{
    ScoreFigures f;
    const std::vector<ScoreVersion> versions = scoreVersions::active(s);
    if (versions.empty())
        return f;
    f.version = versions.front().reference.version;
    f.referenceLabel = versions.front().reference.label;
    int standing = 0;
    s << "SELECT standing, score_note FROM results WHERE id = :id", soci::into(standing), soci::into(f.note),
        soci::use(r.id);
    f.standing = static_cast<model::Standing>(standing);
    double score = 0;
    soci::indicator have = soci::i_null;
    s << "SELECT score FROM scores WHERE version = :v AND result_id = :id", soci::into(score, have),
        soci::use(f.version), soci::use(r.id);
    if (!s.got_data() || have != soci::i_ok)
        return f;
    f.score = score;
    int32_t bin = 0;
    if (!model::LogHistogram::binOf(score, model::LogHistogram::kScoreWidth, bin))
        return f;
    const auto all = aboveAndTotal(s, f.version, 0, bin);
    f.rankAmongAll = all.first + 1;
    f.scoredInAll = all.second;
    if (r.graphicsCardId > 0) {
        const auto card = aboveAndTotal(s, f.version, r.graphicsCardId, bin);
        f.rankAmongCard = card.first + 1;
        f.scoredWithCard = card.second;
    }
    return f;
}

std::optional<double> scoreOf(soci::session& s, int32_t resultId)
{
    double score = 0;
    soci::indicator have = soci::i_null;
    s << "SELECT s.score FROM scores s JOIN score_versions v ON v.version = s.version AND v.state = 'current' "
         "WHERE s.result_id = :id",
        soci::into(score, have), soci::use(resultId);
    if (!s.got_data() || have != soci::i_ok)
        return std::nullopt;
    return score;
}

} // namespace scoreQueries
