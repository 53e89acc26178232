#include "u3/Mime.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Visible(const char* data, std::size_t length)
{
    std::string out;
    for (std::size_t i = 0; i < length; ++i) {
        if (data[i] == '\r')
            out += "\\r";
        else if (data[i] == '\n')
            out += "\\n";
        else
            out += data[i];
    }
    return out;
}

// Every event as one line of text: the part's header values at its begin,
// each data line, and each end.
struct Trace {
    u3::TMimeDecode decoder;
    std::string text;
    bool closed = false;

    Trace(const std::string& message, const std::string& defaultBoundary)
    {
        decoder.SetDefaultBoundary(defaultBoundary);
        decoder.OnPartBegin = [this] {
            text += "B " + decoder.ContentType();
            auto add = [this](const char* key, const std::string& value) {
                if (!value.empty())
                    text += std::string(" ") + key + "=" + value;
            };
            add("cs", decoder.Charset());
            add("tp", decoder.TypeParam());
            add("te", decoder.TransferEncoding());
            add("id", decoder.ContentID());
            if (decoder.ContentLength() != 0)
                add("len", std::to_string(decoder.ContentLength()));
            add("bl", decoder.BoundaryLine());
            text += "\n";
        };
        decoder.OnPartLine = [this](const char* data, std::size_t length) {
            text += "L " + Visible(data, length) + "\n";
        };
        decoder.OnPartEnd = [this] { text += "E " + decoder.ContentType() + "\n"; };
        closed = decoder.DecodeStream(message);
    }
};

struct Case {
    const char* name;
    std::string message;
    std::string expected;
    bool closed;
};

TEST(TMimeDecodeTest, DecodesPartsHeadersAndEncodings)
{
    const Case cases[] = {
        {"boundary from the message header, values of each part's own header",
         "Content-Type: Multipart/Related; boundary=\"b;x\"\r\n\r\n"
         "preamble\r\n"
         "--b;x\r\n"
         "Content-Type: TEXT/XML; charset=\"UTF-8\"; type=\"Text/Xml\"\r\n"
         "Content-ID: <http://h/pms/response.xml>\r\n"
         "Content-Length: 12\r\n"
         "\r\n"
         "<a>1</a>\r\n"
         "<b/>\r\n"
         "--b;x\r\n"
         "Content-Type: application/binary\r\n"
         "\r\n"
         "xy\r\n"
         "--b;x--\r\n"
         "epilogue\r\n",
         "B text/xml cs=utf-8 tp=text/xml id=http://h/pms/response.xml len=12\n"
         "L <a>1</a>\nL <b/>\nE text/xml\n"
         "B application/binary\nL xy\nE application/binary\n",
         true},
        {"no message header: the default boundary",
         "--def\r\nContent-Type: text/plain\r\n\r\nhello\r\n--def--",
         "B text/plain\nL hello\nE text/plain\n", true},
        {"base64 groups split over lines; quoted-printable soft and hard breaks; 7bit",
         "--def\r\nContent-Transfer-Encoding: BASE64\r\n\r\nSGVs\r\nbG8g\r\nd29y\r\nbGQ=\r\n"
         "--def\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\na=3Db =\r\nc=XZ=4\r\n"
         "--def\r\nContent-Transfer-Encoding: 7bit\r\n\r\nplain\r\n--def--\r\n",
         "B  te=base64\nL Hel\nL lo \nL wor\nL ld\nE \n"
         "B  te=quoted-printable\nL a=b \nL c=XZ=4\\r\\n\nE \n"
         "B  te=7bit\nL plain\\r\\n\nE \n",
         true},
        {"folded header line; Content-Length not a number; Content-ID in quotes",
         "--def\r\nContent-Type: application/zip;\r\n\tboundary=zz\r\nContent-Length: 12a\r\n"
         "Content-ID: \"<abc>\"\r\n\r\nPK\r\n--def--\r\n",
         "B application/zip id=abc\nL PK\nE application/zip\n", true},
        {"message ends inside a part: no end event, not closed",
         "--def\r\nContent-Type: image/tiff\r\n\r\nII*\r\nmore", "B image/tiff\nL II*\nL more\n", false},
        {"message ends after a plain boundary line", "--def\r\n\r\nx\r\n--def\r\n", "B \nL x\nE \n", false},
        {"part header cut short by the boundary", "--def\r\nContent-Type: text/xml\r\n--def--\r\n",
         "B text/xml\nE text/xml\n", true},
        {"nested multipart body, ended by the enclosing boundary",
         "--def\r\nContent-Type: multipart/related; boundary=in\r\n\r\n"
         "--in\r\nContent-Type: text/xml\r\n\r\n<x/>\r\n"
         "--in\r\nContent-Type: image/jpeg\r\n\r\nJFIF\r\n"
         "--def\r\nContent-Type: text/plain\r\n\r\nlast\r\n--def--\r\n",
         "B multipart/related bl=--in\n"
         "B text/xml\nL <x/>\nE text/xml\n"
         "B image/jpeg\nL JFIF\nE image/jpeg\n"
         "E multipart/related\n"
         "B text/plain\nL last\nE text/plain\n",
         true},
        {"a body that reuses its enclosing boundary is a plain part",
         "--def\r\nContent-Type: multipart/mixed; boundary=def\r\n\r\nx\r\n--def--\r\n",
         "B multipart/mixed bl=--def\nL x\nE multipart/mixed\n", true},
        {"no boundary line at all", "just text\r\nno parts\r\n", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Trace trace(c.message, "def");
        EXPECT_EQ(trace.text, c.expected);
        EXPECT_EQ(trace.closed, c.closed);
    }
}

// Binary data is cut from the raw message by offsets: a part may begin with
// line breaks, hold lone CRs and need not be the last one.
TEST(TMimeDecodeTest, RawOffsetsDelimitBinaryDataExactly)
{
    const std::string payloads[] = {
        std::string("\r\n\r\nbody\r\r\n\0\xff\n", 14),
        "",
        "\r\n",
        "no line end",
    };
    for (const std::string& payload : payloads) {
        SCOPED_TRACE(payload);
        const std::string message = "Content-Type: multipart/related; boundary=B1\r\n\r\n"
                                    "--B1\r\nContent-Type: application/octet-stream\r\n\r\n" +
                                    payload + "\r\n--B1\r\nContent-Type: text/plain\r\n\r\ntail\r\n--B1--";
        u3::TMimeDecode decoder;
        std::string binary;
        std::size_t firstLineOffset = std::string::npos;
        decoder.OnPartLine = [&](const char*, std::size_t) {
            if (decoder.ContentType() == "application/octet-stream" && firstLineOffset == std::string::npos)
                firstLineOffset = decoder.LineOffset();
        };
        decoder.OnPartEnd = [&] {
            if (decoder.ContentType() == "application/octet-stream") {
                ASSERT_LE(decoder.PartDataOffset(), decoder.PartDataEnd());
                binary = message.substr(decoder.PartDataOffset(), decoder.PartDataEnd() - decoder.PartDataOffset());
                EXPECT_EQ(message.compare(decoder.LineOffset(), 6, "--B1\r\n"), 0);
            }
        };
        EXPECT_TRUE(decoder.DecodeStream(message));
        EXPECT_EQ(binary, payload);
        if (!payload.empty()) {
            EXPECT_EQ(firstLineOffset, message.find("octet-stream\r\n\r\n") + 16);
        }
    }
}

} // namespace
