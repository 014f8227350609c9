#pragma once

#include <functional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

// Runs f, expects it to throw a std::string, and returns the text (empty on failure).
inline std::string thrownText(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::string& text) {
        return text;
    } catch (...) {
        ADD_FAILURE() << "threw something other than std::string";
        return std::string();
    }
    ADD_FAILURE() << "did not throw";
    return std::string();
}
