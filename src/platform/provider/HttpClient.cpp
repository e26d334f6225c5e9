#include "HttpClient.h"

#include <curl/curl.h>

#include <mutex>

namespace {

struct TReceive {
    std::string* Body;
    std::size_t Max;
    bool TooLarge = false;
};

std::size_t Receive(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* r = static_cast<TReceive*>(user);
    const std::size_t bytes = size * count;
    if (r->Body->size() + bytes > r->Max) {
        r->TooLarge = true;
        return 0; // ends the transfer
    }
    r->Body->append(data, bytes);
    return bytes;
}

void InitialiseOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string Describe(CURLcode code, const char* detail)
{
    std::string text;
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST: text = "the host name is not known"; break;
    case CURLE_COULDNT_CONNECT: text = "the connection was refused"; break;
    case CURLE_OPERATION_TIMEDOUT: text = "no answer in time"; break;
    case CURLE_PEER_FAILED_VERIFICATION: text = "the server's certificate is not trusted"; break;
    case CURLE_SSL_CONNECT_ERROR: text = "the TLS connection failed"; break;
    case CURLE_SSL_CACERT_BADFILE: text = "the CA file cannot be read"; break;
    case CURLE_UNSUPPORTED_PROTOCOL: text = "only http:// and https:// are served"; break;
    case CURLE_GOT_NOTHING: text = "the server closed the connection without an answer"; break;
    case CURLE_BAD_CONTENT_ENCODING: text = "the answer's compression is broken"; break;
    default: text = curl_easy_strerror(code); break;
    }
    if (detail && *detail && text.find(detail) == std::string::npos) text += " (" + std::string(detail) + ")";
    return text;
}

} // namespace

THttpAnswer HttpGet(const THttpRequest& request)
{
    InitialiseOnce();
    THttpAnswer answer;
    CURL* curl = curl_easy_init();
    if (!curl) {
        answer.Error = "the HTTP client could not start";
        return answer;
    }
    char detail[CURL_ERROR_SIZE] = {};
    TReceive receive{&answer.Body, request.MaxBytes};
    curl_easy_setopt(curl, CURLOPT_URL, request.Url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L); // timeouts without signals: several threads may ask
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, request.ConnectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, request.TotalTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, ""); // every compression libcurl knows, gzip among them
    curl_easy_setopt(curl, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_OPTIONAL));
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!request.CaFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, request.CaFile.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Tellvane");
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Receive);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &receive);
    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);

    if (receive.TooLarge) {
        answer.Error = "the answer is larger than " + std::to_string(request.MaxBytes / (1024 * 1024)) + " MiB";
        answer.Body.clear();
        return answer;
    }
    if (code != CURLE_OK) {
        answer.Error = Describe(code, detail);
        answer.Body.clear();
        return answer;
    }
    if (status == 401) {
        answer.Error = "the server refused the user name and password (401; they are read from ~/.netrc)";
    } else if (status != 200) {
        // The first line of the server's own words, when it gave any.
        std::string said = answer.Body.substr(0, answer.Body.find('\n'));
        if (said.size() > 120) said.resize(120);
        for (char& c : said)
            if (static_cast<unsigned char>(c) < 0x20) c = ' ';
        answer.Error = "the server answered " + std::to_string(status) + (said.empty() ? "" : ": " + said);
    }
    answer.Ok = answer.Error.empty();
    if (!answer.Ok) answer.Body.clear();
    return answer;
}
