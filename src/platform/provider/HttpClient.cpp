#include "HttpClient.h"

#include "DynamicLibrary.h"

#include <curl/curl.h>

namespace {

// libcurl, loaded with the first request: a gadget that watches its own
// machine keeps the HTTP and TLS libraries (megabytes) out of its memory.
// Once loaded it stays, with its global state, until the process ends.
struct TCurl {
    TDynamicLibrary Library;
    decltype(&curl_global_init) GlobalInit = nullptr;
    decltype(&curl_easy_init) Init = nullptr;
    decltype(&curl_easy_setopt) SetOpt = nullptr;
    decltype(&curl_easy_perform) Perform = nullptr;
    decltype(&curl_easy_getinfo) GetInfo = nullptr;
    decltype(&curl_easy_cleanup) Cleanup = nullptr;
    decltype(&curl_easy_strerror) StrError = nullptr;
};

constexpr const char* CurlLibraryFile = "libcurl.so.4";

// The bound library, or nullptr when it cannot be loaded.
const TCurl* Curl()
{
    static TCurl& curl = *new TCurl; // never unloaded: other threads may still scrape at the exit
    static const bool bound = [] {
        const bool all = curl.Library.Open(CurlLibraryFile) && curl.Library.Bind(curl.GlobalInit, "curl_global_init") &&
                         curl.Library.Bind(curl.Init, "curl_easy_init") &&
                         curl.Library.Bind(curl.SetOpt, "curl_easy_setopt") &&
                         curl.Library.Bind(curl.Perform, "curl_easy_perform") &&
                         curl.Library.Bind(curl.GetInfo, "curl_easy_getinfo") &&
                         curl.Library.Bind(curl.Cleanup, "curl_easy_cleanup") &&
                         curl.Library.Bind(curl.StrError, "curl_easy_strerror");
        if (!all) {
            curl.Library.Close();
            return false;
        }
        curl.GlobalInit(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    return bound ? &curl : nullptr;
}

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

std::string Describe(const TCurl& curl, CURLcode code, const char* detail)
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
    default: text = curl.StrError(code); break;
    }
    if (detail && *detail && text.find(detail) == std::string::npos) text += " (" + std::string(detail) + ")";
    return text;
}

} // namespace

THttpAnswer HttpGet(const THttpRequest& request)
{
    THttpAnswer answer;
    const TCurl* library = Curl();
    if (!library) {
        answer.Error = std::string("the HTTP client library (") + CurlLibraryFile + ") is not installed";
        return answer;
    }
    const TCurl& lib = *library;
    CURL* curl = lib.Init();
    if (!curl) {
        answer.Error = "the HTTP client could not start";
        return answer;
    }
    char detail[CURL_ERROR_SIZE] = {};
    TReceive receive{&answer.Body, request.MaxBytes};
    lib.SetOpt(curl, CURLOPT_URL, request.Url.c_str());
    lib.SetOpt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    lib.SetOpt(curl, CURLOPT_NOSIGNAL, 1L); // timeouts without signals: several threads may ask
    lib.SetOpt(curl, CURLOPT_CONNECTTIMEOUT_MS, request.ConnectTimeoutMs);
    lib.SetOpt(curl, CURLOPT_TIMEOUT_MS, request.TotalTimeoutMs);
    lib.SetOpt(curl, CURLOPT_ACCEPT_ENCODING, ""); // every compression libcurl knows, gzip among them
    lib.SetOpt(curl, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_OPTIONAL));
    lib.SetOpt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    lib.SetOpt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    lib.SetOpt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!request.CaFile.empty()) lib.SetOpt(curl, CURLOPT_CAINFO, request.CaFile.c_str());
    lib.SetOpt(curl, CURLOPT_USERAGENT, "Tellvane");
    lib.SetOpt(curl, CURLOPT_ERRORBUFFER, detail);
    lib.SetOpt(curl, CURLOPT_WRITEFUNCTION, Receive);
    lib.SetOpt(curl, CURLOPT_WRITEDATA, &receive);
    const CURLcode code = lib.Perform(curl);
    long status = 0;
    lib.GetInfo(curl, CURLINFO_RESPONSE_CODE, &status);
    lib.Cleanup(curl);

    if (receive.TooLarge) {
        answer.Error = "the answer is larger than " + std::to_string(request.MaxBytes / (1024 * 1024)) + " MiB";
        answer.Body.clear();
        return answer;
    }
    if (code != CURLE_OK) {
        answer.Error = Describe(lib, code, detail);
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
