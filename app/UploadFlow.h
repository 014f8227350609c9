#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "app/RunSettings.h"
#include "client/BenchmarkClient.h"

class OutputPair;
class Prompts;


// The part of the server client the upload flow drives (BenchmarkClient in the program).
class ResultSubmitter {
public:
    virtual ~ResultSubmitter() = default;
    // True with the result page URL in out; false with a result-model message in out.
    // A failed exchange throws BCException.
    virtual bool submitResult(std::string& out, UploadProgressCallback progress,
                              int32_t userValue) = 0;
    // Later requests no longer authenticate the server's certificate.
    virtual void disableCertificateCheck() = 0;
};

// The program's server client as the upload flow sees it.
class BenchmarkClientSubmitter : public ResultSubmitter {
public:
    explicit BenchmarkClientSubmitter(BenchmarkClient& client) : client_(client) {}
    bool submitResult(std::string& out, UploadProgressCallback progress,
                      int32_t userValue) override;
    void disableCertificateCheck() override;

private:
    BenchmarkClient& client_;
};

struct UploadOutcome {
    bool uploaded = false;
    std::string resultPageURL;
};

// Asks (unless the settings decide), submits the result, and deals with failures: silent
// retries, the retry question, retrying without the certificate check, and the login-denied
// question. Records the user's decision in settings.uploadChoice. A submission that fails on
// the result model throws its message as a text error.
UploadOutcome uploadResults(RunSettings& settings, ResultSubmitter& client, Prompts& prompts,
                            OutputPair& output, const std::string& downloadPageURL);

// The one-line progress display on a console: each line overwrites the previous one, padded
// with blanks where it is shorter, and a finished upload ends the line.
class ProgressLine {
public:
    explicit ProgressLine(std::ostream& console) : console_(console) {}
    void show(uint32_t doneCount, uint32_t totalCount, const std::string& message);

private:
    std::ostream& console_;
    size_t previousLength_ = 0;
};

// The progress callback handed to the client: a process-wide ProgressLine on standard output.
void uploadProgress(uint32_t doneCount, uint32_t totalCount, const std::string& message,
                    int32_t userValue);
