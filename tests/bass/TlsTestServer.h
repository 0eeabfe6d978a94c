// TLS for the tests' servers, with certificates made at test time by the openssl command: a
// private authority, and server certificates signed by it, by themselves, or for another host.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "BassTestSupport.h"

struct ssl_ctx_st;

namespace basstest {

struct TlsIdentity {
    std::string certificate, key; // PEM files
};

// Made in a folder of `dir`; `ok` tells whether openssl made them all.
struct TestCertificates {
    explicit TestCertificates(const TempDir& dir);
    bool ok = false;
    std::string authority;       // the private authority's certificate
    std::string authorityFolder; // holding it under its hash name, as SSL_CERT_DIR wants it
    TlsIdentity good;            // for 127.0.0.1 and localhost, signed by the authority
    TlsIdentity selfSigned;      // for 127.0.0.1 and localhost, signed by itself
    TlsIdentity wrongHost;       // for elsewhere.example only, signed by the authority
};

// A TLS server under a TestHttpServer's connections, with the identity given; `oldProtocol`
// makes it speak TLS 1.1 at most, as old servers do.
class TlsLayer : public ConnectionLayer {
public:
    explicit TlsLayer(const TlsIdentity& identity, bool oldProtocol = false);
    ~TlsLayer() override;
    void Serve(int accepted, int plain) override;
    // The host name the last client sent (SNI); empty when it sent none.
    std::string LastServerName();

private:
    ssl_ctx_st* context_;
    std::mutex mutex_; // protects lastServerName_
    std::string lastServerName_;
};

// The private authority made and trusted (SSL_CERT_FILE) for the life of a test, and the TLS
// server of its good certificate.
class TrustedTestAuthority {
public:
    explicit TrustedTestAuthority(const TempDir& dir);
    ~TrustedTestAuthority();
    const TestCertificates certificates;
    std::shared_ptr<TlsLayer> Layer() const { return std::make_shared<TlsLayer>(certificates.good); }
};

// A case's transport: plain HTTP, or TLS from a trusted authority made for the case.
class CaseTransport {
public:
    CaseTransport(const TempDir& dir, bool overTls) {
        if (overTls)
            authority_.emplace(dir);
    }
    bool ok() const { return !authority_ || authority_->certificates.ok; }
    // The servers' layer: nothing for plain HTTP.
    std::shared_ptr<ConnectionLayer> Layer() const {
        return authority_ ? authority_->Layer() : nullptr;
    }

private:
    std::optional<TrustedTestAuthority> authority_;
};

} // namespace basstest
