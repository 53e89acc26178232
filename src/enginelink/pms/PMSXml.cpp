#include "enginelink/pms/PMSXml.h"

#include "u3/LanguageTable.h"
#include "u3/Base64.h"
#include "u3/StrLib.h"
#include "u3/XMLParser.h"

#include <charconv>

namespace enginelink {

const std::array<TPMSExceptionRec, 72> PMSErrorTable = {{
    {1, "Validate operation failed"},
    {2, "Sign operation failed"},
    {3, "Information operation failed"},
    {4, "Removing operation failed"},
    {5, "Send operation failed"},
    {6, "Export operation failed"},
    {7, "Import operation failed"},
    {8, "Max sub-folder nesting exceeded 255"},
    {9, "You do not have permissions to execute this action"},
    {10, "Required file name is missing"},
    {11, "Folder %s does not exist"},
    {12, "Username or password is incorrect"},
    {13, "At least one input parameter is missing"},
    {14, "The application must first be validated"},
    {15, "The application can not be imported since it already exists and has a applicationid %s"},
    {16, "The information of the application validation is out of date. You must revalidate the application!"},
    {17, "The specified application was not found"},
    {18, "The application can only be processed manually in the File Manager"},
    {19, "The application is not in \"Ready to sign\" status"},
    {20, "The information of the application validation is out of date. You must revalidate and reimport the "
         "application"},
    {21, "The %s procedure is not supported"},
    {22, "The application is not in \"Ready to send\" status"},
    {23, "Database initialization failed"},
    {24, "The specified application could not be loaded from the database"},
    {25, "sg1-file was not found"},
    {26, "zg1-file was not found"},
    {27, "OpenSSL library initialisation failed."},
    {28, "Please check that your SmartCard is correctly inserted into the reader"},
    {29, "The .INI file of the %s procedure was not found"},
    {30, "The application does not contain the necessary file %s"},
    {31, "Error:  Attachment file %s not found or Size = 0 , Size %s"},
    {32, "PKCS7_VerifyData error during checking receipt, file %s"},
    {33, "PKCS7_VerifyData_CA error during checking receipt, file %s"},
    {34, "%s"},
    {35, "%s"},
    {36, "%s"},
    {37, "Database error: Form is locked by user %s"},
    {38, "Database error: Cannot load form"},
    {39, "Loading data from AnnexF failed!"},
    {40, "Application data could not be saved to database"},
    {41, "Command %s is not supported"},
    {42, "The value of parameter \"meta\" doesn't match command %s"},
    {43, "User Management is not switched on the server side in %s mode"},
    {44, "Language %s is unknown"},
    {45, "File %s was not found"},
    {46, "The selected application has sent status, but was not exported yet. Please first export before "
         "removing."},
    {47, "Signature record is incorrect. There must be only one signature record."},
    {48, "Application can not be imported with status %s. "},
    {49, "File %s for facsimile signature is not AnnexF compliant"},
    {50, "SmartCard PIN was not correctly specified"},
    {51, "File %s is not AnnexF compliant. %s"},
    {52, "%s command is only available for applications"},
    {53, "%s - not a user defined folder"},
    {54, "Invalid signature XML file"},
    {55, "At least one alphabetical or facsimile signature must be present in the package in order to import into "
         "the 'Ready to Send' state."},
    {56, "No signatures can be present in the package when importing into the 'Drafts' or the 'Ready to Sign' "
         "state."},
    {57, "No electronic signatures can be present in the package."},
    {58, "Non-standard and non-referenced files found in the package: %s"},
    {59, "Invalid application status requested: %s"},
    {60, "Invalid procedure code: %s"},
    {61, "Soft certificate file not found."},
    {62, "Soft certificate password is incorrect."},
    {63, "Request is not valid against PMS_2_KVT_input_2.dtd"},
    {64, "Production mode is NOT enabled, please check Filemanager settings."},
    {65, "The reference number should be less than %d characters long"},
    {66, "XML file %s is not valid"},
    {67, "File name %s is invalid."},
    {68, "%s file is not ZIP file."},
    {69, "File name %s is too long."},
    {70, "Import denied. Please first correct all issues resulting in severity 1 GUI validation messages"},
    {71, "Processing of exactly the same application has been initiated by an earlier request. Please wait for the "
         "processing to finish before resubmitting this request."},
    {72, "PDF Preview denied. Please first correct all issues resulting in severity 1 GUI validation messages: %s"},
}};

namespace {

template <std::size_t N>
int IndexIn(const std::array<const char*, N>& table, std::string_view name, int absent)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (u3::SameText(table[i], name))
            return static_cast<int>(i);
    }
    return absent;
}

const char* YesNo(bool on)
{
    return on ? "yes" : "no";
}

int ParseApplicationID(const std::string& text)
{
    const std::string trimmed = u3::Trim(text);
    int value = -1;
    const char* first = trimmed.data();
    const char* last = first + trimmed.size();
    const auto [end, ec] = std::from_chars(first, last, value);
    if (trimmed.empty() || ec != std::errc() || end != last)
        return -1;
    return value;
}

// The first child element of element, or null.
u3::TXMLTag* FirstChildElement(u3::TXMLTag& element, int* count = nullptr)
{
    u3::TXMLTag* first = nullptr;
    int elements = 0;
    for (int i = 0; i < element.ChildCount(); ++i) {
        u3::TXMLBaseTag& node = element.Child(i);
        if (node.GetTagType() != u3::TXMLBaseTag::kTag)
            continue;
        if (!first)
            first = static_cast<u3::TXMLTag*>(&node);
        ++elements;
    }
    if (count)
        *count = elements;
    return first;
}

std::string ModeName(int mode)
{
    return mode >= 0 && mode < static_cast<int>(PMSModes.size()) ? PMSModes[static_cast<std::size_t>(mode)]
                                                                 : PMSModes[0];
}

std::string StateName(int state)
{
    return state >= 0 && state < static_cast<int>(PMSApplicationStates.size())
        ? PMSApplicationStates[static_cast<std::size_t>(state)]
        : "";
}

} // namespace

int PMSCommandKind(std::string_view command)
{
    return IndexIn(PMSCommands, command, -1);
}

int ApplicationStateByName(std::string_view name)
{
    return IndexIn(PMSApplicationStates, name, 0);
}

int SignatureTypeByName(std::string_view name)
{
    return IndexIn(PMSSignatureTypes, name, 0);
}

std::string PMSFormat(std::string_view format, const std::vector<std::string>& args)
{
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        if (format[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        std::size_t index = next;
        std::size_t digits = j;
        while (digits < format.size() && format[digits] >= '0' && format[digits] <= '9')
            ++digits;
        if (digits > j && digits < format.size() && format[digits] == ':') {
            index = 0;
            std::from_chars(format.data() + j, format.data() + digits, index);
            j = digits + 1;
        }
        if (j < format.size() && (format[j] == 's' || format[j] == 'd')) {
            if (index < args.size())
                out += args[index];
            next = index + 1;
            i = j;
        } else {
            out += c;
        }
    }
    return out;
}

EPMSException::EPMSException(int index)
    : u3::Exception(PMSErrorTable.at(static_cast<std::size_t>(index)).message),
      error_ID_(PMSErrorTable.at(static_cast<std::size_t>(index)).error_ID)
{
}

EPMSException EPMSException::CreateFmt(int index, const std::vector<std::string>& args)
{
    const TPMSExceptionRec& row = PMSErrorTable.at(static_cast<std::size_t>(index));
    return EPMSException(row.error_ID, PMSFormat(row.message, args));
}

// ---- actions --------------------------------------------------------------------------

void TPMSAction::ReadXML(u3::TXMLTag&) {}

void TPMSAction::ReadOfficeSpecific(u3::TXMLTag& element)
{
    OfficeSpecificParams.clear();
    u3::TXMLTag* block = element.FindChild("office_specific_parameters");
    if (!block)
        return;
    OfficeCode = block->AttributeValue("office_code");
    for (int i = 0; i < block->ChildCount(); ++i) {
        u3::TXMLBaseTag& node = block->Child(i);
        if (node.GetTagType() != u3::TXMLBaseTag::kTag || node.Name() != "office_specific_parameter")
            continue;
        auto& parameter = static_cast<u3::TXMLTag&>(node);
        OfficeSpecificParams.emplace_back(parameter.AttributeValue("name"), parameter.AttributeValue("value"));
    }
}

void TPMSAction::WriteOfficeSpecific(u3::TXMLTag& element) const
{
    if (OfficeSpecificParams.empty())
        return;
    u3::TXMLTag& block = element.AddChild("office_specific_parameters");
    block.AddAttribute("office_code", OfficeCode);
    for (const auto& [name, value] : OfficeSpecificParams) {
        u3::TXMLTag& parameter = block.AddChild("office_specific_parameter");
        parameter.AddAttribute("name", name);
        parameter.AddAttribute("value", value);
    }
}

void TPMSValidateAction::ReadXML(u3::TXMLTag& element)
{
    PdfPreview = u3::SameText(element.AttributeValue("pdf_preview"), "yes");
    ReadOfficeSpecific(element);
}

void TPMSValidateAction::WriteXML(u3::TXMLTag& element) const
{
    WriteOfficeSpecific(element);
    element.AddAttribute("pdf_preview", YesNo(PdfPreview));
}

void TPMSImportAction::ReadXML(u3::TXMLTag& element)
{
    ImportState = ApplicationStateByName(element.AttributeValue("import_state"));
    Folder = element.ChildValue("folder", {});
    ReadOfficeSpecific(element);
}

void TPMSImportAction::WriteXML(u3::TXMLTag& element) const
{
    element.AddAttribute("import_state", StateName(ImportState));
    element.AddChild("folder").SetValue(Folder);
    WriteOfficeSpecific(element);
}

void TPMSSignAction::ReadXML(u3::TXMLTag& element)
{
    ApplicationID = ParseApplicationID(element.ChildValue("application_id", {}));
    FinalSignature = u3::SameText(element.AttributeValue("final_signature"), "yes");
    u3::TXMLTag* signatories = element.FindChild("signatories");
    if (!signatories)
        return;
    int count = 0;
    u3::TXMLTag* signatory = FirstChildElement(*signatories, &count);
    if (count != 1 || signatory->Name() != "signatory")
        throw EPMSException(PMSErrorRow(kPMSErrSignatureRecord));
    SignatoriesXML = signatories->GetInnerXML();
    if (u3::TXMLTag* signature = signatory->FindChild("electronic-signature")) {
        if (u3::TXMLTag* basic = signature->FindChild("basic-signature")) {
            if (u3::TXMLTag* fax = basic->FindChild("fax-image")) {
                FacsimileFileName = fax->AttributeValue("file");
                Facsimile = true;
            }
        }
    }
}

void TPMSSignAction::WriteXML(u3::TXMLTag& element) const
{
    element.AddAttribute("final_signature", YesNo(FinalSignature));
    element.AddChild("application_id").SetValue(std::to_string(ApplicationID));
    if (!SignatoriesXML.empty())
        element.SetInnerXML(SignatoriesXML, false);
}

void TPMSSendAction::ReadXML(u3::TXMLTag& element)
{
    ApplicationID = ParseApplicationID(element.ChildValue("application_id", {}));
}

void TPMSSendAction::WriteXML(u3::TXMLTag& element) const
{
    element.AddChild("application_id").SetValue(std::to_string(ApplicationID));
}

void TPMSFilterAction::ReadXML(u3::TXMLTag& element)
{
    ApplicationID = ParseApplicationID(element.ChildValue("application_id", {}));
    if (ApplicationID != -1)
        return;
    Folder = element.ChildValue("folder", {});
    Procedure = element.ChildValue("procedure", {});
    ApplicationState = 0;
    if (u3::TXMLTag* states = element.FindChild("application_state")) {
        if (u3::TXMLTag* state = FirstChildElement(*states)) {
            ApplicationState = ApplicationStateByName(state->Name());
            if (ApplicationState == 0)
                throw EPMSException::CreateFmt(PMSErrorRow(kPMSErrApplicationState), {state->Name()});
        }
    }
}

void TPMSFilterAction::WriteXML(u3::TXMLTag& element) const
{
    if (ApplicationID >= 0) {
        element.AddChild("application_id").SetValue(std::to_string(ApplicationID));
        return;
    }
    if (!Folder.empty())
        element.AddChild("folder").SetValue(Folder);
    if (!Procedure.empty())
        element.AddChild("procedure").SetValue(Procedure);
    if (ApplicationState > 0 && ApplicationState < static_cast<int>(PMSApplicationStates.size()))
        element.AddChild("application_state").AddChild(StateName(ApplicationState));
}

std::string PMSOperationName(const TPMSAction& action)
{
    const int kind = action.GetActionType();
    return kind >= 0 && kind < static_cast<int>(PMSOperations.size()) ? PMSOperations[static_cast<std::size_t>(kind)]
                                                                      : "";
}

std::string BuildSignatoriesXML(const TPMSSignatory& signatory)
{
    u3::TXMLSimpleDocument document;
    u3::TXMLTag& root = document.CreateRoot("signatories");
    u3::TXMLTag& entry = root.AddChild("signatory");
    u3::TXMLTag& name = entry.AddChild("name");
    name.SetValue(signatory.Name);
    const int type = signatory.NameType >= 0 && signatory.NameType < static_cast<int>(PMSNameTypes.size())
        ? signatory.NameType
        : 0;
    name.AddAttribute("name-type", PMSNameTypes[static_cast<std::size_t>(type)]);
    u3::TXMLTag& signature = entry.AddChild("electronic-signature");
    signature.AddAttribute("date", signatory.Date);
    signature.AddAttribute("place-signed",
                           PMSFormat(" %0:s; Certificado por: %1:s", {signatory.PlaceOfSign, signatory.Name}));
    u3::TXMLTag& basic = signature.AddChild("basic-signature");
    if (signatory.SignatureType == stFacsimile)
        basic.AddChild("fax-image").AddAttribute("file", signatory.FaxFileName);
    else
        basic.AddChild("text-string").SetValue(signatory.Signature);
    entry.AddChild("signatory-capacity").SetValue(signatory.Capacity);
    return document.SaveToString();
}

// ---- request --------------------------------------------------------------------------

void TPMSInput::Clear()
{
    action_.reset();
    UserName.clear();
    Password.clear();
    Language = multilang::EnglishNumber;
    Mode = 0;
}

void TPMSInput::SetAction(int kind)
{
    action_.reset();
    switch (kind) {
    case 0: action_ = std::make_unique<TPMSValidateAction>(); break;
    case 1: action_ = std::make_unique<TPMSImportAction>(); break;
    case 2: action_ = std::make_unique<TPMSSignAction>(); break;
    case 3: action_ = std::make_unique<TPMSSendAction>(); break;
    case 4: action_ = std::make_unique<TPMSExportAction>(); break;
    case 5: action_ = std::make_unique<TPMSRemoveAction>(); break;
    case 6: action_ = std::make_unique<TPMSInformationAction>(); break;
    default: break;
    }
}

TPMSAction& TPMSInput::GetAction() const
{
    if (!action_)
        throw u3::EAbort();
    return *action_;
}

std::string TPMSInput::WriteXML() const
{
    u3::TXMLSimpleDocument document;
    u3::TXMLTag& root = document.CreateRoot("PMS_2_KVT_input");
    root.AddAttribute("user_name", UserName);
    root.AddAttribute("password", u3::StringToBase64(Password));
    root.AddAttribute("mode", ModeName(Mode));
    root.AddAttribute("language", multilang::LanguageCodeByNumber(Language));
    if (action_) {
        u3::TXMLTag& element = root.AddChild(PMSOperationName(*action_));
        action_->WriteXML(element);
    }
    return document.SaveToString();
}

void TPMSInput::ReadXML(const std::string& text)
{
    Clear();
    std::unique_ptr<u3::TXMLSimpleDocument> document = u3::TXMLParser(text).Parse();
    u3::TXMLTag* root = document->Root();
    if (!root || root->Name() != "PMS_2_KVT_input")
        throw EPMSException(PMSErrorRow(63));
    UserName = root->AttributeValue("user_name");
    Password = u3::Base64ToString(root->AttributeValue("password"));
    Mode = IndexIn(PMSModes, root->AttributeValue("mode"), 0);
    Language = multilang::LanguageNumberByCode(root->AttributeValue("language"));
    for (int i = 0; i < root->ChildCount(); ++i) {
        u3::TXMLBaseTag& node = root->Child(i);
        if (node.GetTagType() != u3::TXMLBaseTag::kTag)
            continue;
        const int kind = IndexIn(PMSOperations, node.Name(), -1);
        if (kind < 0)
            continue;
        SetAction(kind);
        action_->ReadXML(static_cast<u3::TXMLTag&>(node));
        return;
    }
}

// ---- response -------------------------------------------------------------------------

void TPMSReturnValues::Add(int errorID, const std::string& message)
{
    Entries.emplace_back(errorID, message);
}

void TPMSReturnValues::WriteXML(u3::TXMLTag& root) const
{
    if (Entries.empty())
        return;
    u3::TXMLTag& values = root.AddChild("return_values");
    for (const auto& [id, message] : Entries) {
        u3::TXMLTag& value = values.AddChild("return_value");
        value.SetValue(message);
        value.AddAttribute("error_ID", std::to_string(id));
    }
}

namespace {

std::unique_ptr<u3::TXMLSimpleDocument> ResponseDocument(const std::vector<const TPMSBaseClass*>& items, int mode,
                                                         int language, bool success)
{
    auto document = std::make_unique<u3::TXMLSimpleDocument>();
    document->SetUTF8(true);
    u3::TXMLDoctypeTag& doctype = document->AddDoctype("KVT_2_PMS_response");
    doctype.SetForm(u3::TXMLDoctypeTag::kSystem);
    doctype.SetSystemId("KVT_2_PMS_response.dtd");
    u3::TXMLTag& root = document->CreateRoot("KVT_2_PMS_response");
    root.AddAttribute("mode", ModeName(mode));
    root.AddAttribute("language", multilang::LanguageCodeByNumber(language));
    root.AddAttribute("result", success ? "success" : "failure");
    for (const TPMSBaseClass* item : items) {
        if (item)
            item->WriteXML(root);
    }
    return document;
}

} // namespace

std::string PMSResponseText(const std::vector<const TPMSBaseClass*>& items, int mode, int language, bool success)
{
    return ResponseDocument(items, mode, language, success)->SaveToString();
}

void WritePMSResponse(const std::vector<const TPMSBaseClass*>& items, int mode, int language,
                      const std::string& fileName, bool success)
{
    ResponseDocument(items, mode, language, success)->SaveToFile(fileName);
}

void WritePMSError(int errorID, const std::string& message, int mode, const std::string& fileName, int language)
{
    TPMSReturnValues values;
    values.Add(errorID, message);
    WritePMSResponse({&values}, mode, language, fileName, false);
}

} // namespace enginelink
