// TestCertificates: a test CA and two server certificates it signed: one for this machine (SAN
// localhost and 127.0.0.1) and one naming another host (SAN other.example), for the host-name
// check. Made once per test process with openssl in a private folder. Header-only; test threads
// only.
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
    std::string OtherHostCertificateFile() const { return Path("other.pem"); }
    std::string OtherHostKeyFile() const { return Path("other.key"); }

private:
    TestCertificates()
    {
        const std::string dir = mFolder.path().toStdString();
        const std::string script =
            "cd '" + dir + "' && "
            "openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2"
            " -subj '/CN=Brevanto Test CA' >/dev/null 2>&1 && " +
            LeafScript("server", "localhost", "DNS:localhost,IP:127.0.0.1") + " && " +
            LeafScript("other", "other.example", "DNS:other.example");
        mValid = mFolder.isValid() && std::system(script.c_str()) == 0;
    }

    // Makes NAME.key and NAME.pem, signed by the CA, for the common name and subject names.
    static std::string LeafScript(const std::string& name, const std::string& commonName, const std::string& altNames)
    {
        return "openssl req -newkey rsa:2048 -nodes -keyout " + name + ".key -out " + name + ".csr"
               " -subj '/CN=" + commonName + "' >/dev/null 2>&1 && "
               "printf 'subjectAltName=" + altNames + "\\nbasicConstraints=CA:FALSE\\n' > " + name + ".cnf && "
               "openssl x509 -req -in " + name + ".csr -CA ca.pem -CAkey ca.key -CAcreateserial"
               " -out " + name + ".pem -days 2 -extfile " + name + ".cnf >/dev/null 2>&1";
    }

    std::string Path(const char* name) const { return mFolder.path().toStdString() + "/" + name; }

    QTemporaryDir mFolder;
    bool mValid = false;
};
