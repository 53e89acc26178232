// Reads two kinds of reply with our XML reader and with a peer, in the same run:
// a file download (one 32 MB Base64 value in an envelope, read out) against
// pugixml, and a reply of many small elements against libxml2's tree parser.
#include "u3/XMLParser.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace {

constexpr int kRounds = 7;

// Best MB/s of several rounds; each round reads the whole text once.
double Throughput(const std::string& text, const std::function<std::size_t()>& read)
{
    double best = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        const std::size_t checked = read();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (checked == 0) {
            std::fprintf(stderr, "a reader returned nothing\n");
            std::exit(1);
        }
        best = std::max(best, static_cast<double>(text.size()) / 1e6 / took.count());
    }
    return best;
}

std::string FileReply(std::size_t valueBytes)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string value(valueBytes, 'A');
    unsigned state = 12345;
    for (char& c : value) {
        state = state * 1103515245u + 12345u;
        c = alphabet[(state >> 16) & 63];
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
           "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\r\n"
           "    <SOAP-ENV:Body>\r\n"
           "        <ns1:GetFileResponse xmlns:ns1=\"urn:engine\">\r\n"
           "            <return xsi:type=\"xsd:base64Binary\">" +
           value +
           "</return>\r\n"
           "        </ns1:GetFileResponse>\r\n"
           "    </SOAP-ENV:Body>\r\n"
           "</SOAP-ENV:Envelope>\r\n";
}

std::string ManySmallElements(int items)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<KVT_2_PMS_response>\r\n";
    for (int i = 0; i < items; ++i) {
        const std::string n = std::to_string(i);
        text += "    <record id=\"" + n + "\" kind=\"doc\">\r\n";
        text += "        <name>Document " + n + "</name>\r\n";
        text += "        <status>accepted &amp; filed</status>\r\n";
        text += "        <date>2024-01-" + std::to_string(i % 28 + 1) + "</date>\r\n";
        text += "    </record>\r\n";
    }
    text += "</KVT_2_PMS_response>\r\n";
    return text;
}

void Report(const char* what, const char* peer, double ours, double theirs, double target)
{
    std::printf("%s: ours %.1f MB/s, %s %.1f MB/s, ratio %.2f (target %.1f)\n", what, ours, peer, theirs,
                ours / theirs, target);
}

} // namespace

int main()
{
    xmlInitParser();

    const std::string file = FileReply(32u << 20);
    const double oursFile = Throughput(file, [&] {
        auto doc = u3::TXMLParser(file).Parse();
        u3::TXMLTag* response = doc->Root()->FindChild("Body")->FindChild("GetFileResponse");
        return response->ChildValue("return", {}).size();
    });
    const double pugiFile = Throughput(file, [&] {
        pugi::xml_document doc;
        doc.load_buffer(file.data(), file.size());
        const std::string value =
            doc.child("SOAP-ENV:Envelope").child("SOAP-ENV:Body").child("ns1:GetFileResponse").child_value("return");
        return value.size();
    });
    Report("32 MB file reply, value read out", "pugixml", oursFile, pugiFile, 0.5);

    const std::string many = ManySmallElements(200000);
    const double oursMany = Throughput(many, [&] {
        auto doc = u3::TXMLParser(many).Parse();
        return static_cast<std::size_t>(doc->Root()->ChildCount());
    });
    const double libxmlMany = Throughput(many, [&] {
        xmlDocPtr doc = xmlReadMemory(many.data(), static_cast<int>(many.size()), "reply.xml", nullptr, 0);
        std::size_t count = doc ? xmlChildElementCount(xmlDocGetRootElement(doc)) : 0;
        xmlFreeDoc(doc);
        return count;
    });
    std::printf("(many small elements: %.1f MB)\n", static_cast<double>(many.size()) / 1e6);
    Report("many small elements", "libxml2", oursMany, libxmlMany, 1.0);

    xmlCleanupParser();
    return 0;
}
