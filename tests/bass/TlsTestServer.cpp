#include "TlsTestServer.h"

#include <openssl/ssl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <csignal>
#include <cstdlib>
#include <fstream>

namespace basstest {

namespace {

// Key pairs on the P-256 curve: quick to make.
constexpr const char* kNewKey = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

// A key, and a certificate for `names` signed by the authority with this serial number, or by
// itself for serial 0.
bool MakeServerIdentity(const std::string& folder, const std::string& name,
                        const std::string& names, int serial, TlsIdentity& identity) {
    const std::string base = folder + "/" + name;
    identity = {base + ".pem", base + ".key"};
    WriteText(base + ".ext", "basicConstraints = CA:FALSE\n"
                             "keyUsage = critical,digitalSignature\n"
                             "extendedKeyUsage = serverAuth\n"
                             "subjectAltName = " + names + "\n");
    const std::string signer = serial == 0 ? "-signkey " + identity.key
                                           : "-CA " + folder + "/ca.pem -CAkey " + folder +
                                                 "/ca.key -set_serial " + std::to_string(serial);
    return RunCommand("openssl req -new " + std::string(kNewKey) + " -subj /CN=" + name +
                      " -keyout " + identity.key + " -out " + base + ".csr") &&
           RunCommand("openssl x509 -req -days 2 -in " + base + ".csr " + signer + " -extfile " +
                      base + ".ext -out " + identity.certificate);
}

} // namespace

TestCertificates::TestCertificates(const TempDir& dir) {
    const std::string folder = dir.Path("tls");
    authority = folder + "/ca.pem";
    authorityFolder = folder + "/store";
    RunCommand("mkdir -p " + authorityFolder);
    WriteText(folder + "/ca.cnf", "[req]\n"
                                  "distinguished_name = name\n"
                                  "x509_extensions = authority\n"
                                  "prompt = no\n"
                                  "[name]\n"
                                  "CN = Tavuro Test Authority\n"
                                  "[authority]\n"
                                  "basicConstraints = critical,CA:TRUE\n"
                                  "keyUsage = critical,keyCertSign,cRLSign\n"
                                  "subjectKeyIdentifier = hash\n");
    ok = RunCommand("openssl req -x509 -days 2 " + std::string(kNewKey) + " -config " + folder +
                    "/ca.cnf -keyout " + folder + "/ca.key -out " + authority) &&
         RunCommand("cp " + authority + " " + authorityFolder + "/$(openssl x509 -hash -noout -in " +
                    authority + ").0") &&
         MakeServerIdentity(folder, "good", "IP:127.0.0.1,DNS:localhost", 2, good) &&
         MakeServerIdentity(folder, "self", "IP:127.0.0.1,DNS:localhost", 0, selfSigned) &&
         MakeServerIdentity(folder, "wrong", "DNS:elsewhere.example", 3, wrongHost);
}

TlsLayer::TlsLayer(const TlsIdentity& identity, bool oldProtocol)
    : context_(SSL_CTX_new(TLS_server_method())) {
    SSL_CTX_use_certificate_chain_file(context_, identity.certificate.c_str());
    SSL_CTX_use_PrivateKey_file(context_, identity.key.c_str(), SSL_FILETYPE_PEM);
    if (oldProtocol) {
        SSL_CTX_set_min_proto_version(context_, TLS1_VERSION);
        SSL_CTX_set_max_proto_version(context_, TLS1_1_VERSION);
        SSL_CTX_set_cipher_list(context_, "DEFAULT@SECLEVEL=0");
    }
}

TlsLayer::~TlsLayer() {
    SSL_CTX_free(context_);
}

std::string TlsLayer::LastServerName() {
    std::lock_guard lock(mutex_);
    return lastServerName_;
}

void TlsLayer::Serve(int accepted, int plain) {
    // OpenSSL writes with write(): a client gone away must fail this thread's write, not end
    // the test with SIGPIPE.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    // A client that stops in the middle of a record or stops reading does not hold the server.
    const timeval patience{10, 0};
    setsockopt(accepted, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    setsockopt(accepted, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
    SSL* ssl = SSL_new(context_);
    SSL_set_fd(ssl, accepted);
    if (SSL_accept(ssl) != 1) {
        SSL_free(ssl);
        return;
    }
    {
        const char* name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
        std::lock_guard lock(mutex_);
        lastServerName_ = name ? name : "";
    }
    char buffer[16384];
    for (;;) {
        pollfd entries[2] = {{accepted, POLLIN, 0}, {plain, POLLIN, 0}};
        if (SSL_pending(ssl) == 0 && poll(entries, 2, -1) <= 0)
            break;
        if (SSL_pending(ssl) > 0 || entries[0].revents) {
            const int n = SSL_read(ssl, buffer, sizeof buffer);
            if (n <= 0 || !TestHttpServer::Send(plain, std::string(buffer, static_cast<size_t>(n))))
                break;
        }
        if (entries[1].revents) {
            const ssize_t n = recv(plain, buffer, sizeof buffer, 0);
            if (n <= 0) {
                SSL_shutdown(ssl);
                break;
            }
            if (SSL_write(ssl, buffer, static_cast<int>(n)) <= 0)
                break;
        }
    }
    SSL_free(ssl);
}

TrustedTestAuthority::TrustedTestAuthority(const TempDir& dir) : certificates(dir) {
    setenv("SSL_CERT_FILE", certificates.authority.c_str(), 1);
    unsetenv("SSL_CERT_DIR");
}

TrustedTestAuthority::~TrustedTestAuthority() {
    unsetenv("SSL_CERT_FILE");
}

} // namespace basstest
