#include "enginelink/pms/PMSXml.h"

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include "u3/XMLParser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace enginelink;

// The request document as written, line ends made plain for reading.
std::string Request(const TPMSInput& input)
{
    std::string text = input.WriteXML();
    std::string plain;
    for (char c : text) {
        if (c != '\r')
            plain += c;
    }
    return plain;
}

bool XmllintAccepts(const std::string& file)
{
    return e3test::RunProgram({"xmllint", "--noout", file}).first == 0;
}

TEST(PMSRequest, RootAttributesInOrderAndTheActionElement)
{
    TPMSInput input;
    input.Clear();
    input.UserName = "u";
    input.SetAction(0);
    EXPECT_EQ(Request(input), "<PMS_2_KVT_input user_name=\"u\" password=\"\" mode=\"demo\" language=\"en\">\n"
                              "    <validate pdf_preview=\"no\"></validate>\n"
                              "</PMS_2_KVT_input>");

    input.Password = "s\u00e9cret";
    input.Mode = 1;
    input.Language = 0; // no code
    input.SetAction(1);
    input.GetAction().ImportState = ApplicationStateByName("READY_TO_SIGN");
    input.GetAction().Folder = "F & G";
    EXPECT_EQ(Request(input),
              "<PMS_2_KVT_input user_name=\"u\" password=\"c8OpY3JldA==\" mode=\"production\" language=\"\">\n"
              "    <import import_state=\"ready_to_sign\">\n"
              "        <folder>F &amp; G</folder>\n"
              "    </import>\n"
              "</PMS_2_KVT_input>");
}

TEST(PMSRequest, FilterActionsNameAnIdOrFolderProcedureAndState)
{
    struct Case {
        int kind;
        int id;
        const char* folder;
        const char* procedure;
        int state;
        const char* body;
    };
    const Case cases[] = {
        {4, 7, "ignored", "ignored", 1, "    <export>\n        <application_id>7</application_id>\n    </export>\n"},
        {4, -1, "F", "", 1,
         "    <export>\n        <folder>F</folder>\n        <application_state>\n            <draft></draft>\n"
         "        </application_state>\n    </export>\n"},
        {5, -1, "", "EP", 0, "    <remove>\n        <procedure>EP</procedure>\n    </remove>\n"},
        {6, 0, "", "", 0, "    <information>\n        <application_id>0</application_id>\n    </information>\n"},
        {3, 12, "", "", 0, "    <send>\n        <application_id>12</application_id>\n    </send>\n"},
    };
    for (const Case& c : cases) {
        TPMSInput input;
        input.SetAction(c.kind);
        TPMSAction& action = input.GetAction();
        action.ApplicationID = c.id;
        action.Folder = c.folder;
        action.Procedure = c.procedure;
        action.ApplicationState = c.state;
        const std::string text = Request(input);
        const std::string body = text.substr(text.find('\n') + 1);
        EXPECT_EQ(body, std::string(c.body) + "</PMS_2_KVT_input>") << c.kind << " " << c.id;
    }
}

TEST(PMSRequest, SignCarriesItsSignatoriesAsElements)
{
    TPMSInput input;
    input.SetAction(2);
    EXPECT_EQ(Request(input).substr(Request(input).find('\n') + 1),
              "    <sign final_signature=\"no\">\n        <application_id>-1</application_id>\n    </sign>\n"
              "</PMS_2_KVT_input>");

    TPMSSignatory signatory;
    signatory.NameType = 2;
    signatory.Name = "Ana <Ruiz>";
    signatory.PlaceOfSign = "M\u00e1laga";
    signatory.SignatureType = stFacsimile;
    signatory.FaxFileName = "fax.tif";
    signatory.Capacity = "agent";
    signatory.Date = "20261211";
    input.GetAction().SignatoriesXML = BuildSignatoriesXML(signatory);
    input.GetAction().FinalSignature = true;
    input.GetAction().ApplicationID = 3;

    // Read back with the document model: the elements, not escaped text.
    const std::string text = input.WriteXML();
    auto document = u3::TXMLParser(text).Parse();
    u3::TXMLTag* sign = document->Root()->FindChild("sign");
    ASSERT_NE(sign, nullptr);
    EXPECT_EQ(sign->AttributeValue("final_signature"), "yes");
    u3::TXMLTag* entry = sign->FindChild("signatories") ? sign->FindChild("signatories")->FindChild("signatory")
                                                         : nullptr;
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->FindChild("name")->GetValue(), "Ana <Ruiz>");
    EXPECT_EQ(entry->FindChild("name")->AttributeValue("name-type"), "natural");
    u3::TXMLTag* signature = entry->FindChild("electronic-signature");
    EXPECT_EQ(signature->AttributeValue("date"), "20261211");
    EXPECT_EQ(signature->AttributeValue("place-signed"), " M\u00e1laga; Certificado por: Ana <Ruiz>");
    EXPECT_EQ(signature->FindChild("basic-signature")->FindChild("fax-image")->AttributeValue("file"), "fax.tif");
    EXPECT_EQ(entry->FindChild("signatory-capacity")->GetValue(), "agent");

    e3test::TempDir dir;
    EXPECT_TRUE(XmllintAccepts(dir.write("request.xml", text)));
}

// The gateway side reads what the client writes.
TEST(PMSRequest, ReadersGiveBackWhatWasWritten)
{
    for (int kind = 0; kind < 7; ++kind) {
        SCOPED_TRACE(kind);
        TPMSInput written;
        written.UserName = "user";
        written.Password = "pa:ss";
        written.Mode = 1;
        written.Language = 3;
        written.SetAction(kind);
        TPMSAction& action = written.GetAction();
        action.ApplicationID = kind == 4 ? -1 : 40 + kind;
        action.Folder = "folder";
        action.Procedure = "proc";
        action.ApplicationState = 3;
        action.ImportState = 2;
        action.PdfPreview = true;
        action.FinalSignature = true;
        if (kind == 2) {
            TPMSSignatory signatory;
            signatory.SignatureType = stFacsimile;
            signatory.FaxFileName = "f.tif";
            action.SignatoriesXML = BuildSignatoriesXML(signatory);
        }

        TPMSInput read;
        read.ReadXML(written.WriteXML());
        EXPECT_EQ(read.UserName, "user");
        EXPECT_EQ(read.Password, "pa:ss");
        EXPECT_EQ(read.Mode, 1);
        EXPECT_EQ(read.Language, 3);
        ASSERT_TRUE(read.HasAction());
        const TPMSAction& back = read.GetAction();
        EXPECT_EQ(back.GetActionType(), kind);
        switch (kind) {
        case 0: EXPECT_TRUE(back.PdfPreview); break;
        case 1:
            EXPECT_EQ(back.ImportState, 2);
            EXPECT_EQ(back.Folder, "folder");
            break;
        case 2:
            EXPECT_EQ(back.ApplicationID, 42);
            EXPECT_TRUE(back.FinalSignature);
            EXPECT_TRUE(back.Facsimile);
            EXPECT_EQ(back.FacsimileFileName, "f.tif");
            break;
        case 4:
            EXPECT_EQ(back.ApplicationID, -1);
            EXPECT_EQ(back.Folder, "folder");
            EXPECT_EQ(back.Procedure, "proc");
            EXPECT_EQ(back.ApplicationState, 3);
            break;
        default: EXPECT_EQ(back.ApplicationID, 40 + kind); break;
        }
    }
}

TEST(PMSRequest, ReadersRefuseBadSignatoriesAndUnknownStates)
{
    struct Case {
        const char* action;
        int errorID;
    };
    const Case cases[] = {
        {"<sign><application_id>1</application_id><signatories/></sign>", 47},
        {"<sign><signatories><signatory/><signatory/></signatories></sign>", 47},
        {"<sign><signatories><other/></signatories></sign>", 47},
        {"<export><application_state><lost/></application_state></export>", 59},
    };
    for (const Case& c : cases) {
        TPMSInput input;
        const std::string text = std::string("<PMS_2_KVT_input mode=\"demo\">") + c.action + "</PMS_2_KVT_input>";
        try {
            input.ReadXML(text);
            ADD_FAILURE() << c.action;
        } catch (const EPMSException& e) {
            EXPECT_EQ(e.ErrorID(), c.errorID) << c.action;
            if (c.errorID == 59) {
                EXPECT_STREQ(e.what(), "Invalid application status requested: lost");
            }
        }
    }
}

TEST(PMSResponse, ErrorResponseIsEscapedUtf8WithItsProlog)
{
    e3test::TempDir dir;
    const std::string file = (dir.path() / "PMSResponse.xml").string();
    WritePMSError(36, "a & b < c \u00e9\u00e8 \u4e2d", 1, file, 3);
    const std::string text = e3test::ReadWholeFile(file);
    EXPECT_EQ(text, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                    "<!DOCTYPE KVT_2_PMS_response SYSTEM \"KVT_2_PMS_response.dtd\">\r\n"
                    "<KVT_2_PMS_response mode=\"production\" language=\"de\" result=\"failure\">\r\n"
                    "    <return_values>\r\n"
                    "        <return_value error_ID=\"36\">a &amp; b &lt; c \u00e9\u00e8 \u4e2d</return_value>\r\n"
                    "    </return_values>\r\n"
                    "</KVT_2_PMS_response>\r\n");
    EXPECT_TRUE(XmllintAccepts(file));

    // A success without items, replacing the file.
    WritePMSResponse({}, 0, 2, file, true);
    EXPECT_NE(e3test::ReadWholeFile(file).find("<KVT_2_PMS_response mode=\"demo\" language=\"en\" result=\"success\">"),
              std::string::npos);
    EXPECT_TRUE(XmllintAccepts(file));
    EXPECT_THROW(WritePMSError(36, "x", 0, (dir.path() / "missing" / "r.xml").string(), 2), std::exception);
}

TEST(PMSErrors, TableAndFormatting)
{
    for (std::size_t i = 0; i < PMSErrorTable.size(); ++i)
        EXPECT_EQ(PMSErrorTable[i].error_ID, static_cast<int>(i) + 1);
    EXPECT_STREQ(PMSErrorTable[14].message,
                 "The application can not be imported since it already exists and has a applicationid %s");
    EXPECT_STREQ(PMSErrorTable[30].message, "Error:  Attachment file %s not found or Size = 0 , Size %s");
    EXPECT_STREQ(PMSErrorTable[47].message, "Application can not be imported with status %s. ");

    EPMSException plain(PMSErrorRow(45));
    EXPECT_EQ(plain.ErrorID(), 45);
    EXPECT_STREQ(plain.what(), "File %s was not found");
    EPMSException formatted = EPMSException::CreateFmt(PMSErrorRow(31), {"a.pdf", "0"});
    EXPECT_STREQ(formatted.what(), "Error:  Attachment file a.pdf not found or Size = 0 , Size 0");

    struct Case {
        const char* format;
        std::vector<std::string> args;
        const char* expected;
    };
    const Case cases[] = {
        {"%s and %s", {"a", "b"}, "a and b"},
        {" %0:s; by: %1:s", {"here", "me"}, " here; by: me"},
        {"%1:s %0:s %s", {"a", "b", "c"}, "b a b"},
        {"less than %d chars, 100%%", {"12"}, "less than 12 chars, 100%"},
        {"missing %s", {}, "missing "},
        {"trailing %", {}, "trailing %"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PMSFormat(c.format, c.args), c.expected) << c.format;
}

TEST(PMSTables, LookupsIgnoreCase)
{
    EXPECT_EQ(PMSCommandKind("-VALIDATE"), 0);
    EXPECT_EQ(PMSCommandKind("-Information"), 6);
    EXPECT_EQ(PMSCommandKind("validate"), -1);
    EXPECT_EQ(ApplicationStateByName("Sent"), 4);
    EXPECT_EQ(ApplicationStateByName("unknown"), 0);
    EXPECT_EQ(SignatureTypeByName("f"), 2);
    EXPECT_EQ(SignatureTypeByName("X"), 0);
}

} // namespace
