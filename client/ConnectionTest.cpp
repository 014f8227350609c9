#include "client/ConnectionTest.h"

#include <cstdint>
#include <iostream>

#include "client/BenchmarkClient.h"
#include "client/LoginDeniedPrompt.h"

int runConnectionTest(const std::string& downloadPageURL, BenchmarkClient& client, const std::string& caption,
                      LoginDeniedPrompt& prompt)
{
    std::cout << "Testing the connection to the server..." << std::endl;
    int32_t httpCode = 0;
    int32_t transferCode = 0;
    std::string message;
    if (client.testConnection(&httpCode, &transferCode, &message)) {
        std::cout << "Successfully made a connection to the server. Test complete." << std::endl;
        return 0;
    }

    if (httpCode != 0)
        std::cout << "Connection to the server failed with HTTP response code: " << httpCode << ", and message: ";
    else
        std::cout << "Connection to the server failed with the following message (" << transferCode << ") ";
    std::cout << message << std::endl;

    // CURLE_LOGIN_DENIED, Unauthorized, Forbidden: most likely this client version is retired.
    if (transferCode == 67 || httpCode == 401 || httpCode == 403)
        prompt.askLoginDenied(caption, downloadPageURL);

    std::cout << "Test failed." << std::endl;
    return 10;
}
