#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

// The request bodies the server holds at once, over every connection: announced and being
// read, or read and waiting for a worker, or being handled. Each request is within the body
// limit, but while the workers wait on a busy database, ten thousand connections could
// otherwise make it hold ten thousand bodies. A request that does not fit is refused with 503
// before its body is read.
class BodyBudget {
public:
    explicit BodyBudget(std::size_t bytes) : free_(bytes) {}
    BodyBudget(const BodyBudget&) = delete;
    BodyBudget& operator=(const BodyBudget&) = delete;

    // Bytes held for one request until the reservation is destroyed.
    class Reservation {
    public:
        Reservation(BodyBudget& budget, std::size_t bytes) : budget_(budget), bytes_(bytes) {}
        ~Reservation() { budget_.free_ += bytes_; }
        Reservation(const Reservation&) = delete;
        Reservation& operator=(const Reservation&) = delete;

    private:
        BodyBudget& budget_;
        std::size_t bytes_;
    };

    // Shared, so that it can travel with the request to a worker; empty when the bytes are
    // not free.
    std::shared_ptr<Reservation> reserve(std::size_t bytes);
    std::size_t freeBytes() const { return free_; }

private:
    std::atomic<std::size_t> free_;
};
