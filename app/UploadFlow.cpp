#include "app/UploadFlow.h"

#include <iostream>

#include "base/OutputPair.h"
#include "app/Prompts.h"
#include "results/BCException.h"

namespace {

const char* const kCaption = "Korvid";

// CURLcode values and HTTP statuses the flow tells apart.
constexpr int32_t kCurlCertificateNotTrusted = 60;  // CURLE_SSL_CACERT (PEER_FAILED_VERIFICATION)
constexpr int32_t kCurlLoginDenied = 67;            // CURLE_LOGIN_DENIED
constexpr int32_t kCurlCABundleUnreadable = 77;     // CURLE_SSL_CACERT_BADFILE

// Silent attempts before the first retry question, and the cap on attempts with yesToAll.
constexpr int32_t kSilentAttempts = 2;
constexpr int32_t kMaxAttemptsWithoutQuestions = 16;

} // namespace

bool BenchmarkClientSubmitter::submitResult(std::string& out, UploadProgressCallback progress,
                                            int32_t userValue)
{
    return client_.submitResult(out, progress, userValue);
}

void BenchmarkClientSubmitter::disableCertificateCheck()
{
    client_.disableCertificateCheck();
}

UploadOutcome uploadResults(RunSettings& settings, ResultSubmitter& client, Prompts& prompts,
                            OutputPair& output, const std::string& downloadPageURL)
{
    UploadOutcome outcome;

    if (settings.uploadChoice == Choice::Ask) {
        if (settings.yesToAll)
            settings.uploadChoice = Choice::Yes;
        else
            settings.uploadChoice =
                prompts.askYesNo(kCaption, std::string("Upload the results to the ") + kCaption +
                                               " server (recommended)?")
                    ? Choice::Yes
                    : Choice::No;
    }
    if (settings.uploadChoice != Choice::Yes)
        return outcome;

    int32_t attempt = 0;
    bool loginDenied = false;
    for (;;) {
        ++attempt;
        loginDenied = false;
        output.console() << "Uploading the results to the server..." << std::endl;
        std::string out;
        try {
            if (!client.submitResult(out, uploadProgress, 0))
                throw out;
            outcome.resultPageURL = out;
            output << "Result URL: " << outcome.resultPageURL << std::endl;
            outcome.uploaded = true;
            break;
        } catch (const BCException& e) {
            const int32_t transferCode = e.getTransferErrorCode();
            const int32_t responseCode = e.getResponseCode();
            output << "Uploading results failed with exception (" << transferCode
                   << "): " << e.getMessage() << std::endl;
            if (transferCode == kCurlLoginDenied || responseCode == 401 || responseCode == 403)
                loginDenied = true;

            if (transferCode == kCurlCertificateNotTrusted ||
                transferCode == kCurlCABundleUnreadable) {
                const std::string question =
                    transferCode == kCurlCertificateNotTrusted
                        ? std::string("The server's SSL certificate couldn't be authenticated. "
                                      "Upload anyway?")
                        : std::string("Cannot find the CA certificates bundle. ") + kCaption +
                              "is probably not installed correctly. Try upload again with "
                              "server certificate authentication disabled?";
                if (!settings.yesToAll &&
                    !prompts.askQuestion(std::nullopt, std::nullopt, kCaption, question))
                    break;
                client.disableCertificateCheck();
                if (settings.yesToAll && attempt >= kMaxAttemptsWithoutQuestions)
                    break;
                continue;
            }

            if (settings.yesToAll) {
                if (attempt >= kMaxAttemptsWithoutQuestions)
                    break;
                continue;
            }
            if (attempt <= kSilentAttempts)
                continue;
            if (!prompts.askQuestion(std::nullopt, std::nullopt, kCaption,
                                     std::string("Uploading the results to ") + kCaption +
                                         " failed. Retry?"))
                break;
        }
    }

    if (!outcome.uploaded && loginDenied)
        prompts.askLoginDenied(kCaption, downloadPageURL);
    return outcome;
}

void ProgressLine::show(uint32_t doneCount, uint32_t totalCount, const std::string& message)
{
    const std::string line = "Upload progress: Step " + std::to_string(doneCount) + " of " +
                             std::to_string(totalCount) + ". " + message;
    console_ << '\r' << line;
    if (line.size() < previousLength_)
        console_ << std::string(previousLength_ - line.size(), ' ');
    console_.flush();
    previousLength_ = line.size();
    if (doneCount >= totalCount)
        console_ << std::endl;
}

void uploadProgress(uint32_t doneCount, uint32_t totalCount, const std::string& message,
                    int32_t /*userValue*/)
{
    static ProgressLine line(std::cout);
    line.show(doneCount, totalCount, message);
}
