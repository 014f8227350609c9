#include "server/store/WriteGate.h"

WriteGate::Request::Request(WriteGate& gate) : gate_(gate)
{
    std::unique_lock<std::mutex> lock(gate_.mutex_);
    ++gate_.waitingRequests_;
    gate_.changed_.wait(lock, [this] { return !gate_.held_; });
    --gate_.waitingRequests_;
    gate_.held_ = true;
}

WriteGate::Request::~Request()
{
    gate_.leave();
}

WriteGate::Background::Background(WriteGate& gate) : gate_(gate)
{
    std::unique_lock<std::mutex> lock(gate_.mutex_);
    gate_.changed_.wait(lock, [this] { return !gate_.held_ && gate_.waitingRequests_ == 0; });
    gate_.held_ = true;
}

WriteGate::Background::~Background()
{
    gate_.leave();
}

void WriteGate::leave()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        held_ = false;
    }
    changed_.notify_all();
}
