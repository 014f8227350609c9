#pragma once

// libcurl's process-wide state: main() holds one of these for the life of the process so that
// curl_global_init runs before the first easy handle and curl_global_cleanup after the last.
// A failed initialisation is not reported here; it shows up as the client constructor's error.
class CurlGlobal {
public:
    CurlGlobal();
    ~CurlGlobal();
    CurlGlobal(const CurlGlobal&) = delete;
    CurlGlobal& operator=(const CurlGlobal&) = delete;
};
