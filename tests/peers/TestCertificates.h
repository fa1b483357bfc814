// TestCertificates: a test CA and a server certificate it signed (SAN localhost and
// 127.0.0.1), made once per test process with openssl in a private folder. Header-only;
// test threads only.
#pragma once

#include <QTemporaryDir>

#include <cstdlib>
#include <string>

class TestCertificates {
public:
    static const TestCertificates& Shared()
    {
        static TestCertificates certificates;
        return certificates;
    }

    bool IsValid() const { return mValid; }
    std::string CAFile() const { return Path("ca.pem"); }
    std::string CertificateFile() const { return Path("server.pem"); }
    std::string KeyFile() const { return Path("server.key"); }

private:
    TestCertificates()
    {
        const std::string dir = mFolder.path().toStdString();
        const std::string script =
            "cd '" + dir + "' && "
            "openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2"
            " -subj '/CN=Brevanto Test CA' >/dev/null 2>&1 && "
            "openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr"
            " -subj '/CN=localhost' >/dev/null 2>&1 && "
            "printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\\nbasicConstraints=CA:FALSE\\n' > ext.cnf && "
            "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial"
            " -out server.pem -days 2 -extfile ext.cnf >/dev/null 2>&1";
        mValid = mFolder.isValid() && std::system(script.c_str()) == 0;
    }

    std::string Path(const char* name) const { return mFolder.path().toStdString() + "/" + name; }

    QTemporaryDir mFolder;
    bool mValid = false;
};
