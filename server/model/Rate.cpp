#include "server/model/Rate.h"

namespace model {

const Rate* findRate(const Rates& rates, const TestId& id)
{
    for (const Rate& rate : rates) {
        if (rate.id == id)
            return &rate;
    }
    return nullptr;
}

} // namespace model
