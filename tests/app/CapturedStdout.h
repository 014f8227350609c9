#pragma once

#include <iostream>
#include <sstream>
#include <string>

namespace apptest {

// Captures everything written to std::cout while it lives.
class CapturedStdout {
public:
    CapturedStdout() : previous_(std::cout.rdbuf(captured_.rdbuf())) {}
    ~CapturedStdout() { std::cout.rdbuf(previous_); }
    CapturedStdout(const CapturedStdout&) = delete;
    CapturedStdout& operator=(const CapturedStdout&) = delete;
    std::string text() const { return captured_.str(); }

private:
    std::ostringstream captured_;
    std::streambuf* previous_;
};

} // namespace apptest
