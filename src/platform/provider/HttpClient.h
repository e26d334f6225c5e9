#pragma once
// One HTTP GET through libcurl, the field's client: TLS verified against the
// system's store (or a CA file given), gzip, user name and password from the
// user's ~/.netrc, connect and total timeouts, and a limit on the size of the
// answer. No redirect is followed. Safe to call from several threads.

#include <string>

struct THttpRequest {
    std::string Url;
    long ConnectTimeoutMs = 500;
    long TotalTimeoutMs = 900;
    std::size_t MaxBytes = 8 * 1024 * 1024; // after decompression
    std::string CaFile;                     // empty: the system's store
};

struct THttpAnswer {
    bool Ok = false;       // a 200 answer with its body
    std::string Body;
    std::string Error;     // why not, in words a user reads
};

THttpAnswer HttpGet(const THttpRequest& request);
