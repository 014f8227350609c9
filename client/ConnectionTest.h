#pragma once

#include <string>

class BenchmarkClient;
class LoginDeniedPrompt;

// The "--testconnection" mode: one lookup against the results server, reported on standard
// output. A refused login asks whether to visit the download page. Returns the exit code:
// 0 when the connection works, 10 otherwise.
int runConnectionTest(const std::string& downloadPageURL, BenchmarkClient& client, const std::string& caption,
                      LoginDeniedPrompt& prompt);
