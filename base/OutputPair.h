#pragma once

#include <ostream>

// The console and the run's transcript, written together: every value goes to the console
// first and then to the transcript, and a line end ends and flushes the line on both.
// Lines meant for the console only are written to console() directly.
class OutputPair {
public:
    OutputPair(std::ostream& console, std::ostream& transcript)
        : console_(console), transcript_(transcript) {}
    OutputPair(const OutputPair&) = delete;
    OutputPair& operator=(const OutputPair&) = delete;

    template <typename T>
    OutputPair& operator<<(const T& value) {
        console_ << value;
        transcript_ << value;
        return *this;
    }

    // std::endl, std::flush: applied to both streams.
    OutputPair& operator<<(std::ostream& (*manipulator)(std::ostream&)) {
        manipulator(console_);
        manipulator(transcript_);
        return *this;
    }

    // std::fixed, std::scientific, ...
    OutputPair& operator<<(std::ios_base& (*manipulator)(std::ios_base&)) {
        manipulator(console_);
        manipulator(transcript_);
        return *this;
    }

    // Ends the line on both streams and flushes both.
    OutputPair& endLine() { return *this << std::endl; }

    std::ostream& console() { return console_; }
    std::ostream& transcript() { return transcript_; }

private:
    std::ostream& console_;
    std::ostream& transcript_;
};
