// Another machine over https with basic authentication: the real node_exporter
// with a certificate this test makes and a user in its web configuration; the
// user name and password in a .netrc of a private HOME.

#include "HttpClient.h"
#include "NodeExporter.h"
#include "NodeExporterProvider.h"
#include "TreeBuilder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

int Quietly(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

// A certificate authority of the test's own and a server certificate it signs for 127.0.0.1.
void MakeCertificates(const fs::path& dir, const std::string& ca)
{
    const std::string d = dir.string();
    ASSERT_EQ(Quietly("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=" + ca + " -keyout " + d + "/" + ca +
                  ".key -out " + d + "/" + ca + ".crt"),
              0);
}

class NodeExporterTls : public testing::Test {
protected:
    void SetUp() override
    {
        const std::string d = Dir.Path().string();
        MakeCertificates(Dir.Path(), "test-ca");
        MakeCertificates(Dir.Path(), "other-ca");
        WriteFileText(Dir / "san.cnf", "subjectAltName=IP:127.0.0.1\n");
        ASSERT_EQ(Quietly("openssl req -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -keyout " + d + "/server.key -out " + d + "/server.csr"), 0);
        ASSERT_EQ(Quietly("openssl x509 -req -in " + d + "/server.csr -CA " + d + "/test-ca.crt -CAkey " + d +
                      "/test-ca.key -CAcreateserial -days 2 -extfile " + d + "/san.cnf -out " + d + "/server.crt"),
                  0);
        ASSERT_EQ(std::system(("htpasswd -nbBC 10 ann secret 2>/dev/null | cut -d: -f2 > " + d + "/hash").c_str()), 0);
        std::string hash = ReadFileText(Dir / "hash");
        while (!hash.empty() && hash.back() == '\n') hash.pop_back();
        WriteFileText(Dir / "web.yml", "tls_server_config:\n  cert_file: " + d + "/server.crt\n  key_file: " + d +
                                           "/server.key\nbasic_auth_users:\n  ann: " + hash + "\n");
        fs::create_directories(Dir / "home");
        if (const char* home = std::getenv("HOME")) FHome = home;
        ::setenv("HOME", (Dir / "home").c_str(), 1);
        Exporter = std::make_unique<TestNodeExporter>(fs::path(TELLVANE_SHARED_FIXTURES) / "vm-debian12-2cpu-virtio-no-hwmon",
                                                      std::vector<std::string>{"--web.config.file=" + d + "/web.yml"});
    }
    void TearDown() override
    {
        Exporter.reset();
        if (FHome)
            ::setenv("HOME", FHome->c_str(), 1);
        else
            ::unsetenv("HOME");
    }
    void Netrc(const std::string& password)
    {
        WriteFileText(Dir / "home/.netrc", "machine 127.0.0.1 login ann password " + password + "\n");
        fs::permissions(Dir / "home/.netrc", fs::perms(0600));
    }
    THttpAnswer Get(const std::string& scheme, const std::string& ca)
    {
        THttpRequest request;
        request.Url = scheme + "://" + Exporter->Address() + "/metrics";
        request.CaFile = ca.empty() ? std::string() : (Dir / ca).string();
        request.TotalTimeoutMs = 3000; // a 2048-bit handshake on a loaded test machine
        request.ConnectTimeoutMs = 3000;
        return HttpGet(request);
    }

    TempDir Dir;
    std::unique_ptr<TestNodeExporter> Exporter;
    std::optional<std::string> FHome;
};

TEST_F(NodeExporterTls, ConnectsWithTheRightCertificateAuthorityAndPasswordAndSaysWhyOtherwise)
{
    ASSERT_TRUE(Exporter->Answers());
    Netrc("secret");
    const THttpAnswer good = Get("https", "test-ca.crt");
    EXPECT_TRUE(good.Ok) << good.Error;
    EXPECT_NE(good.Body.find("node_cpu_seconds_total"), std::string::npos);

    struct Case {
        const char* What;
        const char* Scheme;
        const char* Ca;
        const char* Password;
        const char* Says;
    };
    for (const Case& c : {Case{"another CA", "https", "other-ca.crt", "secret", "the server's certificate is not trusted"},
                          Case{"the system's store", "https", "", "secret", "the server's certificate is not trusted"},
                          Case{"a wrong password", "https", "test-ca.crt", "wrong", "the server refused the user name and password (401"},
                          Case{"plain http to the TLS server", "http", "", "secret", "the server answered 400: Client sent an HTTP request to an HTTPS server"}}) {
        Netrc(c.Password);
        const THttpAnswer answer = Get(c.Scheme, c.Ca);
        EXPECT_FALSE(answer.Ok) << c.What;
        EXPECT_NE(answer.Error.find(c.Says), std::string::npos) << c.What << ": " << answer.Error;
        EXPECT_TRUE(answer.Body.empty()) << c.What;
    }

    // Through the provider, with the CA of the settings.
    Netrc("secret");
    TNodeExporterConnection connection("https://" + Exporter->Address() + "/metrics", (Dir / "test-ca.crt").string());
    connection.ScrapeNow();
    EXPECT_EQ(connection.Latest()->Problem, "");
    EXPECT_FALSE(connection.Latest()->Sensors->empty());
}

TEST(HttpClient, AnAnswerLargerThanItsLimitEndsTheScrapeWithItsReason)
{
    // A server of the test's own that streams 9 MiB without saying its length
    // beforehand, so only the count of what arrives can stop it.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    socklen_t length = sizeof address;
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::thread server([listener] {
        const int client = ::accept(listener, nullptr, nullptr);
        if (client < 0) return;
        char request[4096];
        (void)::recv(client, request, sizeof request, 0);
        const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n";
        (void)::send(client, head.data(), head.size(), MSG_NOSIGNAL);
        const std::string block(64 * 1024, 'x');
        for (int i = 0; i < 9 * 16; ++i)
            if (::send(client, block.data(), block.size(), MSG_NOSIGNAL) < 0) break;
        ::close(client);
    });
    THttpRequest request;
    request.Url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/metrics";
    request.TotalTimeoutMs = 5000;
    const THttpAnswer answer = HttpGet(request);
    server.join();
    ::close(listener);
    EXPECT_FALSE(answer.Ok);
    EXPECT_EQ(answer.Error, "the answer is larger than 8 MiB");
    EXPECT_TRUE(answer.Body.empty());
}

} // namespace
