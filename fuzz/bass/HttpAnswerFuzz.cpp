// The head of an HTTP or Shoutcast answer as a hostile server may send it, read by the real
// connection over the loopback: a server thread answers every request with the input's bytes.
#include <arpa/inet.h>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "HttpConnection.h"

namespace {

class TAnsweringServer {
public:
    TAnsweringServer() {
        std::signal(SIGPIPE, SIG_IGN);
        Listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(Listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(Listener, 16);
        socklen_t length = sizeof address;
        getsockname(Listener, reinterpret_cast<sockaddr*>(&address), &length);
        Port = std::to_string(ntohs(address.sin_port));
        std::thread([this] { Serve(); }).detach();
    }
    void SetAnswer(std::string answer) {
        std::lock_guard<std::mutex> guard(Lock);
        Answer = std::move(answer);
    }
    std::string Port;

private:
    void Serve() {
        for (;;) {
            const int client = accept(Listener, nullptr, nullptr);
            if (client < 0)
                continue;
            std::string request;
            char buffer[1024];
            ssize_t got;
            while (request.find("\r\n\r\n") == std::string::npos &&
                   (got = recv(client, buffer, sizeof buffer, 0)) > 0)
                request.append(buffer, static_cast<size_t>(got));
            std::string answer;
            {
                std::lock_guard<std::mutex> guard(Lock);
                answer = Answer;
            }
            send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
            close(client);
        }
    }
    int Listener = -1;
    std::mutex Lock; // guards Answer between the fuzzer's thread and the server's
    std::string Answer;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TAnsweringServer server;
    server.SetAnswer(std::string(reinterpret_cast<const char*>(data), size));
    const auto url = bass::HttpUrl::Parse("http://127.0.0.1:" + server.Port + "/live");
    int error = 0;
    const auto connection = bass::HttpConnection::Open(
        *url, true, std::chrono::steady_clock::now() + std::chrono::seconds(1), error);
    if (connection) {
        (void)connection->Status();
        for (const char* name : {"icy-metaint", "content-length", "location", "icy-name"})
            (void)connection->Header(name);
        (void)connection->TakeLeftover();
    }
    return 0;
}
