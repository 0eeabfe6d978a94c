#include "BassTestSupport.h"

#include "../support/Loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>

namespace basstest {

TempDir::TempDir() {
    char pattern[] = "/tmp/basstest-XXXXXX";
    path_ = mkdtemp(pattern);
}

TempDir::~TempDir() {
    std::filesystem::remove_all(path_);
}

bool RunCommand(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string MakeSineWav(const TempDir& dir, const std::string& name, double frequency,
                        double seconds, double amplitude, const std::string& encoding,
                        int channels) {
    const std::string path = dir.Path(name);
    RunCommand("sox -n -r 44100 -c " + std::to_string(channels) + " " + encoding + " " + path +
               " synth " + std::to_string(seconds) + " sine " + std::to_string(frequency) +
               " vol " + std::to_string(amplitude));
    return path;
}

std::string EncodeMp3(const TempDir& dir, const std::string& wav, const std::string& name) {
    const std::string path = dir.Path(name);
    RunCommand("lame --quiet -b 128 " + wav + " " + path);
    return path;
}

std::string EncodeOgg(const TempDir& dir, const std::string& wav, const std::string& name) {
    const std::string path = dir.Path(name);
    RunCommand("oggenc --quiet -q 4 -t 'Ogg Title' -a 'Ogg Artist' -o " + path + " " + wav);
    return path;
}

std::string EncodeMp2(const TempDir& dir, const std::string& wav, const std::string& name) {
    const std::string path = dir.Path(name);
    RunCommand("ffmpeg -nostdin -y -loglevel error -i " + wav + " -c:a mp2 -b:a 192k " + path);
    return path;
}

std::string EncodeWma(const TempDir& dir, const std::string& wav, const std::string& name) {
    const std::string path = dir.Path(name);
    RunCommand("ffmpeg -nostdin -y -loglevel error -i " + wav + " -c:a wmav2 -b:a 128k " + path);
    return path;
}

std::string Encode(const TempDir& dir, const std::string& wav, const std::string& name,
                   const std::string& command) {
    const std::string path = dir.Path(name);
    std::string line = command;
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"{in}", wav},
                                     std::pair<std::string, std::string>{"{out}", path}})
        for (size_t at; (at = line.find(key)) != std::string::npos;)
            line.replace(at, key.size(), value);
    RunCommand(line);
    return path;
}

std::string ToneMp3(const TempDir& dir, double seconds) {
    return Text(ReadFile(
        EncodeMp3(dir, MakeSineWav(dir, "tone.wav", 1000, seconds, 0.5, "-b 16 -e signed-integer"),
                  "tone.mp3")));
}

std::string MakeModule(const TempDir& dir, const std::string& name) {
    constexpr int kSampleLength = 32; // two cycles of 16 samples
    std::vector<uint8_t> module(20, 0);
    std::memcpy(module.data(), "tone", 4);
    for (int sample = 0; sample < 31; ++sample) {
        uint8_t header[30] = {};
        if (sample == 0) {
            std::memcpy(header, "sine", 4);
            header[23] = kSampleLength / 2; // length in words, big-endian
            header[25] = 64;                // volume
            header[29] = kSampleLength / 2; // loop length in words (loop start 0)
        }
        module.insert(module.end(), header, header + 30);
    }
    module.push_back(1); // song length: one order
    module.push_back(127);
    module.insert(module.end(), 128, 0);
    for (char c : std::string("M.K."))
        module.push_back(static_cast<uint8_t>(c));
    std::vector<uint8_t> pattern(64 * 4 * 4, 0);
    const int period = 214;
    pattern[0] = static_cast<uint8_t>(period >> 8); // sample 1: high nibble 0
    pattern[1] = static_cast<uint8_t>(period & 0xFF);
    pattern[2] = 0x1F; // sample low nibble 1, effect F (speed)
    pattern[3] = 0x01; // one tick a row
    module.insert(module.end(), pattern.begin(), pattern.end());
    for (int i = 0; i < kSampleLength; ++i)
        module.push_back(static_cast<uint8_t>(
            static_cast<int8_t>(std::lround(100 * std::sin(2 * std::numbers::pi * i / 16)))));
    const std::string path = dir.Path(name);
    WriteFile(path, module);
    return path;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string Text(const std::vector<uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

DiskOutput::DiskOutput(const TempDir& dir) : path_(dir.Path("heard.raw")) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path_.c_str(), 1);
}

std::vector<float> DiskOutput::TakeLeft() const {
    const std::vector<int16_t> samples = TakeSamples();
    std::vector<float> left;
    for (size_t at = 0; at + 2 <= samples.size(); at += 2)
        left.push_back(samples[at] / 32768.0f);
    return left;
}

std::vector<int16_t> DiskOutput::TakeSamples() const {
    const std::vector<uint8_t> bytes = ReadFile(path_);
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), 2 * samples.size());
    return samples;
}

size_t DiskOutput::FramesWritten() const {
    std::error_code error;
    const auto bytes = std::filesystem::file_size(path_, error);
    return error ? 0 : bytes / 4;
}

Span NonSilent(const std::vector<float>& samples, float threshold) {
    Span span{1, 0};
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::fabs(samples[i]) <= threshold)
            continue;
        if (span.first > span.last)
            span.first = i;
        span.last = i;
    }
    return span;
}

double Frequency(const std::vector<float>& samples, size_t first, size_t last) {
    size_t crossings = 0, firstCrossing = 0, lastCrossing = 0;
    for (size_t i = first + 1; i <= last && i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            if (crossings++ == 0)
                firstCrossing = i;
            lastCrossing = i;
        }
    }
    if (crossings < 2)
        return 0;
    return (crossings - 1) * 44100.0 / static_cast<double>(lastCrossing - firstCrossing);
}

double Peak(const std::vector<float>& samples, size_t first, size_t last) {
    double peak = 0;
    for (size_t i = first; i <= last && i < samples.size(); ++i)
        peak = std::max(peak, static_cast<double>(std::fabs(samples[i])));
    return peak;
}

bool WaitUntil(const std::function<bool()>& condition, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::string Replaced(std::string text, const std::string& name, const std::string& value) {
    for (auto at = text.find(name); at != std::string::npos;
         at = text.find(name, at + value.size()))
        text.replace(at, name.size(), value);
    return text;
}

void SyncRecorder::Proc(HSYNC, DWORD, DWORD_PTR data, DWORD_PTR user) {
    auto* recorder = reinterpret_cast<SyncRecorder*>(user);
    std::lock_guard lock(recorder->mutex);
    recorder->texts.emplace_back(data ? reinterpret_cast<const char*>(data) : "");
    ++recorder->calls;
}

namespace {
thread_local std::string currentRequest; // the request of the connection on this thread
} // namespace

const std::string& TestHttpServer::Request() {
    return currentRequest;
}

TestHttpServer::TestHttpServer(Handler handler, bool raw, std::shared_ptr<ConnectionLayer> layer)
    : handler_(std::move(handler)), raw_(raw), layer_(std::move(layer)) {
    listener_ = tavuro::testing_support::ListenOnLoopback(16, port_);
    acceptor_ = std::thread([this] { Accept(); });
}

TestHttpServer::~TestHttpServer() {
    running_ = false;
    acceptor_.join();
    close(listener_);
    std::lock_guard lock(connectionsMutex_);
    for (std::thread& connection : connections_)
        connection.join();
}

bool TestHttpServer::Send(int socket, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

void TestHttpServer::Accept() {
    while (running_) {
        pollfd entry{listener_, POLLIN, 0};
        if (poll(&entry, 1, 50) <= 0)
            continue;
        const int connection = accept(listener_, nullptr, nullptr);
        if (connection < 0)
            continue;
        std::lock_guard lock(connectionsMutex_);
        connections_.emplace_back([this, connection] {
            if (!layer_)
                return Serve(connection);
            int plain[2];
            socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, plain);
            std::thread carrier([&] {
                layer_->Serve(connection, plain[0]);
                // Either side's end reaches the other at once.
                shutdown(plain[0], SHUT_RDWR);
                shutdown(connection, SHUT_RDWR);
            });
            Serve(plain[1]);
            carrier.join();
            close(plain[0]);
            close(connection);
        });
    }
}

void TestHttpServer::Serve(int connection) {
    if (raw_) {
        handler_(connection, "");
        close(connection);
        return;
    }
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
        pollfd entry{connection, POLLIN, 0};
        if (poll(&entry, 1, 2000) <= 0)
            break;
        const ssize_t n = recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        request.append(buffer, static_cast<size_t>(n));
    }
    currentRequest = request;
    const auto start = request.find(' ');
    const auto end = request.find(' ', start + 1);
    if (start != std::string::npos && end != std::string::npos)
        handler_(connection, request.substr(start + 1, end - start - 1));
    close(connection);
}

void SendPaced(int socket, const std::string& body, size_t chunk, int pauseMs) {
    for (size_t at = 0; at < body.size(); at += chunk) {
        if (!TestHttpServer::Send(socket, body.substr(at, chunk)))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
}

std::string MetaBlock(const std::string& text) {
    const size_t units = (text.size() + 15) / 16;
    std::string block(1, static_cast<char>(units));
    block += text;
    block.resize(1 + units * 16, '\0');
    return block;
}

std::string IcyStream(const std::string& audio, size_t interval,
                      const std::map<size_t, std::string>& titles) {
    std::string stream;
    for (size_t at = 0, block = 0; at + interval <= audio.size(); at += interval, ++block) {
        stream += audio.substr(at, interval);
        const auto title = titles.find(block);
        stream += title == titles.end() ? std::string(1, '\0') : MetaBlock(title->second);
    }
    return stream;
}

void ServeFile(int socket, const std::string& body, bool ranges, size_t heldBack,
               const std::function<bool()>& release) {
    const std::string& request = TestHttpServer::Request();
    const auto range = request.find("Range: bytes=");
    if (ranges && range != std::string::npos) {
        const std::string asked =
            request.substr(range + 13, request.find('\r', range) - range - 13);
        size_t first = 0;
        if (asked[0] == '-')
            first = body.size() - std::min<size_t>(std::stoul(asked.substr(1)), body.size());
        else
            first = std::min<size_t>(std::stoul(asked), body.size());
        TestHttpServer::Send(socket,
                             "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " +
                                 std::to_string(first) + "-" + std::to_string(body.size() - 1) +
                                 "/" + std::to_string(body.size()) +
                                 "\r\nContent-Length: " + std::to_string(body.size() - first) +
                                 "\r\n\r\n" + body.substr(first));
        return;
    }
    TestHttpServer::Send(socket,
                         "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                             "\r\n\r\n" + body.substr(0, body.size() - heldBack));
    WaitUntil(release, 5.0);
    TestHttpServer::Send(socket, body.substr(body.size() - heldBack));
}

namespace {

// One line from the control connection, without its CR LF; empty at its end or after 5 s.
std::string ReadLine(int socket) {
    std::string line;
    char c;
    while (line.size() < 1024) {
        pollfd entry{socket, POLLIN, 0};
        if (poll(&entry, 1, 5000) <= 0 || recv(socket, &c, 1, 0) != 1)
            return {};
        if (c == '\n')
            break;
        if (c != '\r')
            line += c;
    }
    return line;
}

} // namespace

void ServeFtp(int control, const std::string& body) {
    int dataListener = -1;
    TestHttpServer::Send(control, "220 test server\r\n");
    for (;;) {
        const std::string line = ReadLine(control);
        if (line.empty())
            break;
        const std::string command = line.substr(0, line.find(' '));
        std::string reply = "200 ok\r\n";
        if (command == "USER")
            reply = "331 password please\r\n";
        else if (command == "PASS")
            reply = "230 logged in\r\n";
        else if (command == "PWD")
            reply = "257 \"/\"\r\n";
        else if (command == "SIZE")
            reply = "213 " + std::to_string(body.size()) + "\r\n";
        else if (command == "REST")
            reply = "350 ok\r\n";
        else if (command == "QUIT")
            reply = "221 bye\r\n";
        else if (command == "FEAT")
            reply = "211 no features\r\n";
        else if (command == "EPSV" || command == "PASV") {
            int port = 0;
            if (dataListener >= 0)
                close(dataListener);
            dataListener = tavuro::testing_support::ListenOnLoopback(1, port);
            reply = command == "EPSV" ? "229 passive (|||" + std::to_string(port) + "|)\r\n"
                                      : "227 passive (127,0,0,1," + std::to_string(port / 256) +
                                            "," + std::to_string(port % 256) + ")\r\n";
        } else if (command == "RETR") {
            TestHttpServer::Send(control, "150 sending\r\n");
            pollfd entry{dataListener, POLLIN, 0};
            if (poll(&entry, 1, 5000) > 0) {
                const int data = accept(dataListener, nullptr, nullptr);
                TestHttpServer::Send(data, body);
                close(data);
            }
            reply = "226 done\r\n";
        }
        if (!TestHttpServer::Send(control, reply) || command == "QUIT")
            break;
    }
    if (dataListener >= 0)
        close(dataListener);
}

} // namespace basstest
