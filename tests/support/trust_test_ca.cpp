// Makes the test authority of the page server trusted inside the current Wine
// prefix only: it goes into the current user's Root store of that prefix,
// which the prefix keeps and which nothing outside it sees.
// Usage: trust_test_ca.exe <ca.pem as a Unix path>
#include <windows.h>
// After windows.h, whose types it uses.
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct StoreCloser {
    HCERTSTORE store;
    ~StoreCloser() { CertCloseStore(store, 0); }
};

}  // namespace

int main(int argc, char** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    if (argc != 2) {
        std::fprintf(stderr, "usage: trust_test_ca <ca.pem>\n");
        return 2;
    }
    std::string path = argv[1];
    if (!path.empty() && path.front() == '/') {
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream pem;
    pem << in.rdbuf();
    const std::string text = pem.str();
    if (!in || text.empty()) {
        std::fprintf(stderr, "trust_test_ca: cannot read %s\n", path.c_str());
        return 1;
    }

    DWORD size = 0;
    if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()),
                              CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
        std::fprintf(stderr, "trust_test_ca: not a PEM certificate\n");
        return 1;
    }
    std::vector<BYTE> der(size);
    CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64HEADER,
                         der.data(), &size, nullptr, nullptr);

    const HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (store == nullptr) {
        std::fprintf(stderr, "trust_test_ca: no Root store (error %lu)\n", GetLastError());
        return 1;
    }
    const StoreCloser closer{store};
    if (!CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size,
                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
        std::fprintf(stderr, "trust_test_ca: not added (error %lu)\n", GetLastError());
        return 1;
    }
    return 0;
}
