#include "SoftHsmFixture.h"

#include "submission/crypto/Crypto.h"
#include "submission/pkcs11/Pkcs11.h"
#include "support/ChildProcess.h"
#include "u3/Files.h"

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <fcntl.h>
#include <unistd.h>

namespace e3test {

namespace {

constexpr const char* kSoftHsm = "/usr/lib/softhsm/libsofthsm2.so";
constexpr const char* kSpy = "/usr/lib/x86_64-linux-gnu/pkcs11/pkcs11-spy.so";

} // namespace

std::string SoftHsmTest::MustRun(const std::vector<std::string>& args) const
{
    // The tools chatter on standard error; keep it for a failure only.
    const std::string errName = Path("tool-stderr.txt");
    const int errFile = ::open(errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int savedErr = ::dup(STDERR_FILENO);
    if (errFile >= 0)
        ::dup2(errFile, STDERR_FILENO);
    auto [code, out] = RunProgram(args);
    ::dup2(savedErr, STDERR_FILENO);
    ::close(savedErr);
    std::string line;
    for (const std::string& a : args)
        line += a + " ";
    if (errFile >= 0) {
        ::close(errFile);
        EXPECT_EQ(code, 0) << line << "\n" << ReadWholeFile(errName);
    } else {
        EXPECT_EQ(code, 0) << line;
    }
    return out;
}

void SoftHsmTest::SetUp()
{
    log_ = std::make_unique<LogCapture>(dir_.path());
    // Crypto.log and any other log of the code under test land in the scratch folder.
    u3::SetExeNameOverride(Path("filingclient"));

    const std::string d = dir_.str();
    std::filesystem::create_directories(dir_.path() / "tokens");
    dir_.write("softhsm2.conf", "directories.tokendir = " + d + "/tokens\nobjectstore.backend = file\nlog.level = ERROR\n");
    ::setenv("SOFTHSM2_CONF", Path("softhsm2.conf").c_str(), 1);
    ::setenv("PKCS11SPY", kSoftHsm, 1);
    ::setenv("PKCS11SPY_OUTPUT", Path("spy.log").c_str(), 1);

    const std::string days = "30";
    MustRun({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", Path("ca.key"), "-out",
             Path("ca.pem"), "-subj", "/CN=Token Test CA", "-days", days});
    MustRun({"openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", Path("server.key"), "-out",
             Path("server.csr"), "-subj", "/CN=localhost"});
    MustRun({"openssl", "x509", "-req", "-in", Path("server.csr"), "-CA", Path("ca.pem"), "-CAkey", Path("ca.key"),
             "-set_serial", "100", "-days", days, "-out", Path("server.pem")});
    MustRun({"openssl", "genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048", "-out",
             Path("client.key")});
    // The first certificate is the client's, issued by the CA the servers trust.
    dir_.write("client.ext", "keyUsage=digitalSignature,nonRepudiation\n");
    MustRun({"openssl", "req", "-new", "-key", Path("client.key"), "-subj", "/C=DE/L=Berlin/O=Firma/CN=Client One",
             "-out", Path("c1.csr")});
    MustRun({"openssl", "x509", "-req", "-in", Path("c1.csr"), "-CA", Path("ca.pem"), "-CAkey", Path("ca.key"),
             "-set_serial", "1", "-days", days, "-extfile", Path("client.ext"), "-out", Path("c1.pem")});
    std::string names = "subjectAltName=DNS:n0.example.test";
    for (int i = 1; i < 500; ++i)
        names += ",DNS:n" + std::to_string(i) + ".example.test";
    const std::vector<std::pair<std::string, std::string>> others {
        {"/CN=Client Two", ""}, {"/CN=Client Three", ""}, {"/O=Other/CN=Client Four", ""},
        {"/CN=Client Five", names}};
    for (size_t i = 0; i < others.size(); ++i) {
        std::vector<std::string> args {"openssl", "req", "-x509", "-key", Path("client.key"), "-subj",
                                       others[i].first, "-days", days, "-out", Path("c" + std::to_string(i + 2) + ".pem")};
        if (!others[i].second.empty()) {
            args.push_back("-addext");
            args.push_back(others[i].second);
        }
        MustRun(args);
    }
    for (int i = 1; i <= 5; ++i)
        MustRun({"openssl", "x509", "-in", Path("c" + std::to_string(i) + ".pem"), "-outform", "DER", "-out",
                 Path("c" + std::to_string(i) + ".der")});
    ::setenv("GNUTLS_PIN", kTokenPin, 1);

    for (const char* label : {"TokenA", "TokenB"})
        MustRun({"softhsm2-util", "--init-token", "--free", "--label", label, "--pin", kTokenPin, "--so-pin", "000000"});
    struct Object {
        const char* token;
        const char* file;
        const char* id;
        const char* label;
    };
    for (const Object& o : {Object {"TokenA", "c1.pem", "01", "Client One"},
                            Object {"TokenA", "c2.pem", "02", "M\xC3\xBCller"},
                            Object {"TokenA", "c3.pem", "03", "Client Three"},
                            Object {"TokenB", "c4.pem", "04", "Client Four"},
                            Object {"TokenB", "c5.pem", "05", "Client Five"}})
        MustRun({"p11tool", "--provider", kSoftHsm, "--login", "--write", "--load-certificate", Path(o.file), "--label",
                 o.label, "--id", o.id, std::string("pkcs11:token=") + o.token});
    MustRun({"softhsm2-util", "--import", Path("client.key"), "--token", "TokenA", "--label", "Client key", "--id",
             "01", "--pin", kTokenPin});

    submission::UnloadPkcs11Module();
    submission::SetPkcs11ModuleName(kSpy);
    submission::Pkcs11Settings() = submission::Pkcs11Reporting {};
    submission::CryptoSettings() = submission::CryptoReporting {};
    ASSERT_TRUE(submission::Pkcs11Initialize());
}

void SoftHsmTest::TearDown()
{
    submission::Pkcs11Finalize();
    // The module stays mapped: SoftHSM2 keeps some of its memory past
    // C_Finalize, and unmapping it would turn that into leaks of ours.
    u3::SetExeNameOverride("");
    log_.reset();
}

std::vector<SoftHsmTest::Call> SoftHsmTest::CallsSinceMark() const
{
    std::ifstream in(Path("spy.log"), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str().substr(std::min(mark_, text.str().size()));
    std::vector<Call> calls;
    static const std::regex callLine(R"(^\d+: (C_\w+)\s*$)");
    static const std::regex returned(R"(^Returned:\s+(\d+))");
    std::istringstream lines(all);
    std::string line;
    std::smatch m;
    while (std::getline(lines, line)) {
        if (std::regex_search(line, m, callLine))
            calls.push_back({m[1], 0});
        else if (!calls.empty() && std::regex_search(line, m, returned))
            calls.back().rv = std::stoul(m[1]);
    }
    return calls;
}

void SoftHsmTest::Mark()
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(Path("spy.log"), ec);
    mark_ = ec ? 0 : static_cast<size_t>(size);
}

std::string SoftHsmTest::CallNamesSinceMark() const
{
    std::string names;
    for (const Call& c : CallsSinceMark())
        names += c.name + " ";
    return names;
}

int SoftHsmTest::CountSinceMark(const std::string& name) const
{
    int n = 0;
    for (const Call& c : CallsSinceMark())
        n += c.name == name;
    return n;
}

int SoftHsmTest::EntryNumberOfLabel(const std::string& label)
{
    const auto& certs = submission::TokenCertificates();
    for (size_t i = 0; i < certs.size(); ++i)
        if (certs[i].label == label)
            return static_cast<int>(i + 1);
    return 0;
}

} // namespace e3test

// OpenSC's tracing module leaks the names it decodes for its trace; that is
// not ours to mend, so the leak checker is told to pass over it.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:pkcs11-spy.so\n";
}

// The modules are built without frame pointers: only the slow unwinder finds
// the tracing module's frames for the suppression above.
extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}
