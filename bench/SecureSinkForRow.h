// The secure server of a benchmark row (see scripts/bench-smtp.sh).
#pragma once

#include "../tests/peers/SmtpSinkPeer.h"
#include "../tests/peers/TlsFrontPeer.h"

#include "MacTypes.h"
#include "SecureMessenger.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// The secure server for a row: the script's front when it gave one, else a sink and front of
// the row's own; or, for STARTTLS, the script's aiosmtpd peer. The CA file of the script's
// certificates, when known, turns certificate checks on.
class SecureSinkForRow {
public:
    explicit SecureSinkForRow(ESecureTLSMode mode)
    {
        if (mode == ESecureTLSMode::startTLS) {
            if (const char* port = std::getenv("BREVANTO_BENCH_STARTTLS_PORT"))
                mPort = UInt16(std::atoi(port));
            if (const char* ca = std::getenv("BREVANTO_BENCH_CA_FILE"))
                mCAFile = ca;
        } else if (const char* port = std::getenv("BREVANTO_BENCH_TLS_PORT")) {
            mPort = UInt16(std::atoi(port));
            if (const char* ca = std::getenv("BREVANTO_BENCH_CA_FILE"))
                mCAFile = ca;
        } else {
            mSink = std::make_unique<SmtpSinkPeer>(std::vector<std::string>{}, false);
            mFront = std::make_unique<TlsFrontPeer>(mSink->Port());
            if (mSink->IsRunning() && mFront->IsRunning()) {
                mPort = UInt16(mFront->Port());
                mCAFile = TestCertificates::Shared().CAFile();
            }
        }
        if (mode == ESecureTLSMode::implicitTLS)
            SetImplicitTLSTestPorts({mPort});
        mSavedCAFile = SecureCAFile();
        if (!mCAFile.empty())
            SetSecureCAFile(mCAFile);
    }
    ~SecureSinkForRow()
    {
        SetImplicitTLSTestPorts({});
        SetSecureCAFile(mSavedCAFile);
    }
    UInt16 Port() const { return mPort; }
    bool Verifies() const { return !mCAFile.empty(); }

private:
    std::unique_ptr<SmtpSinkPeer> mSink;
    std::unique_ptr<TlsFrontPeer> mFront;
    UInt16 mPort = 0;
    std::string mCAFile;
    std::string mSavedCAFile;
};
