#pragma once

#include <deque>
#include <string>
#include <vector>

#include "app/UploadFlow.h"
#include "results/BCException.h"

// Helpers of the application driver's tests.
namespace apptest {

// A submitter that plays a script of outcomes, one per attempt, and records what it was asked.
class FakeSubmitter : public ResultSubmitter {
public:
    struct Outcome {
        enum Kind { Success, ModelError, Failure } kind;
        std::string text;  // URL, model message or exception message
        int32_t responseCode = 0;
        int32_t transferCode = 0;
    };
    static Outcome success(const std::string& url) { return {Outcome::Success, url, 0, 0}; }
    static Outcome modelError(const std::string& m) { return {Outcome::ModelError, m, 0, 0}; }
    static Outcome failure(const std::string& m, int32_t http, int32_t curl)
    {
        return {Outcome::Failure, m, http, curl};
    }

    std::deque<Outcome> script;
    // When the script runs out, this outcome repeats.
    Outcome otherwise = failure("ERROR: unscripted attempt", 0, 7);
    // Whether the certificate check was still on at each attempt.
    std::vector<bool> checkOnAtAttempt;
    bool certificateCheck = true;
    int disableCalls = 0;

    bool submitResult(std::string& out, UploadProgressCallback progress, int32_t userValue) override
    {
        checkOnAtAttempt.push_back(certificateCheck);
        Outcome o = otherwise;
        if (!script.empty()) {
            o = script.front();
            script.pop_front();
        }
        progressSeen = progress;
        userValueSeen = userValue;
        switch (o.kind) {
        case Outcome::Success:
            out = o.text;
            return true;
        case Outcome::ModelError:
            out = o.text;
            return false;
        case Outcome::Failure:
            break;
        }
        throw BCException(o.text, o.responseCode, o.transferCode);
    }

    void disableCertificateCheck() override
    {
        ++disableCalls;
        certificateCheck = false;
    }

    UploadProgressCallback progressSeen = nullptr;
    int32_t userValueSeen = -1;
};

} // namespace apptest
