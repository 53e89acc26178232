// The CORBA engine link against the bare generated stub, and the cost of large
// files. Starts the test engine servant as a child process.
//   ExecuteEvent with a 10-entry reply: ours (TmtdORBClient) vs the stub alone
//   GetFile/SetFile: time per MB at 5 MB and at 50 MB of Base64
//   peak memory growth of a 50 MB call against the Base64 size
#include "enginelink/CorbaClient.h"
#include "enginelink/OrbBind.h"
#include "idl/GUIServer.hh"

#include "BenchEngine.h"
#include "BenchTiming.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using benchtiming::BestSeconds;
using benchtiming::PeakGrowthBytes;

// The engine servant, started as a child process; it tells its port first.
class Server {
public:
    Server() : child_({benchengine::ProgramFolder() + "/../tools/orbtestserver/orbtestserver", "--reply-entries", "10"})
    {
        const std::string line = child_.ReadLine();
        if (line.rfind("PORT ", 0) != 0)
            benchengine::Fail("the engine servant did not start");
        address_ = "inet:127.0.0.1:" + line.substr(5);
    }
    const std::string& Address() const { return address_; }

private:
    benchengine::Child child_;
    std::string address_;
};

} // namespace

int main()
{
    Server server;
    enginelink::TmtdORBClient client("GUIEngine", server.Address(), true);
    if (!client.Connect()) {
        std::fprintf(stderr, "cannot connect to the engine servant\n");
        return 1;
    }
    // The peer: the generated stub on a reference obtained the same way.
    int argc = 0;
    CORBA::ORB_var orb = CORBA::ORB_init(argc, nullptr);
    const auto reference = enginelink::BindObject(server.Address(), "IDL:FFMGUIEngineFactory:3.0", std::chrono::seconds(10));
    CORBA::Object_var object = orb->string_to_object(reference->c_str());
    GUIServer::FGUIEngineFactory_var factory = GUIServer::FGUIEngineFactory::_narrow(object);
    GUIServer::GUIEngine_var stub = factory->CreateInstance("IDL:GUIEngine:1.0");

    const std::string values = "Edit1.Text=Hello\r\nEdit2.Text=World\r\nCheck1.Checked=1";
    constexpr int kCalls = 2000;
    std::size_t sink = 0;
    const double ours = BestSeconds(5, [&] {
        for (int i = 0; i < kCalls; ++i)
            sink += client.ExecuteEvent("", "FormMain", "TForm", "Button1.OnClick", values).size();
    });
    const double peer = BestSeconds(5, [&] {
        for (int i = 0; i < kCalls; ++i) {
            CORBA::String_var r = stub->ExecuteEvent("", "FormMain", "TForm", "Button1.OnClick", values.c_str());
            sink += std::string(r.in()).size();
        }
    });
    std::printf("ExecuteEvent (10-entry reply): ours %.2f us/call, generated stub %.2f us/call, ratio %.3f\n",
                ours / kCalls * 1e6, peer / kCalls * 1e6, ours / peer);

    constexpr double kMB = 1000.0 * 1000.0;
    double perMb[2][2], stubPerMb[2][2];
    double growth[2] = {0, 0};
    const std::size_t sizes[2] = {5'000'000, 50'000'000};
    for (int s = 0; s < 2; ++s) {
        const std::size_t size = sizes[s];
        const std::string data(size, 'Q');
        perMb[0][s] = BestSeconds(3, [&] { sink += client.GetFile(std::to_string(size), "Size", "").size(); }) /
                      (size / kMB);
        perMb[1][s] = BestSeconds(3, [&] { sink += client.SetFile(data, "File", "").size(); }) / (size / kMB);
        // The stub alone shows what the ORB, the allocator and the caches
        // make of the larger size.
        stubPerMb[0][s] = BestSeconds(3, [&] {
                              CORBA::String_var r = stub->GetFile(std::to_string(size).c_str(), "Size", "");
                              sink += std::string(r.in()).size();
                          }) /
                          (size / kMB);
        stubPerMb[1][s] = BestSeconds(3, [&] {
                              CORBA::String_var r = stub->SetFile(data.c_str(), "File", "");
                              sink += std::string(r.in()).size();
                          }) /
                          (size / kMB);
        if (s == 1) {
            growth[0] = PeakGrowthBytes([&] { sink += client.GetFile(std::to_string(size), "Size", "").size(); });
            growth[1] = PeakGrowthBytes([&] { sink += client.SetFile(data, "File", "").size(); });
        }
    }
    const char* names[2] = {"GetFile", "SetFile"};
    for (int k = 0; k < 2; ++k) {
        std::printf("%s: ours 5 MB %.2f ms/MB, 50 MB %.2f ms/MB, ratio %.3f; generated stub 5 MB %.2f ms/MB, "
                    "50 MB %.2f ms/MB, ratio %.3f\n",
                    names[k], perMb[k][0] * 1e3, perMb[k][1] * 1e3, perMb[k][1] / perMb[k][0], stubPerMb[k][0] * 1e3,
                    stubPerMb[k][1] * 1e3, stubPerMb[k][1] / stubPerMb[k][0]);
        std::printf("%s 50 MB: peak memory growth %.1f MB, %.2fx the Base64 size\n", names[k], growth[k] / kMB,
                    growth[k] / sizes[1]);
    }
    return sink == 0 ? 1 : 0;
}
