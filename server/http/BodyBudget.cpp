#include "server/http/BodyBudget.h"

std::shared_ptr<BodyBudget::Reservation> BodyBudget::reserve(std::size_t bytes)
{
    std::size_t available = free_.load();
    do {
        if (bytes > available)
            return nullptr;
    } while (!free_.compare_exchange_weak(available, available - bytes));
    return std::make_shared<Reservation>(*this, bytes);
}
