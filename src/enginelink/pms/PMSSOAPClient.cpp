#include "enginelink/pms/PMSSOAPClient.h"

#include "u3/LanguageTable.h"
#include "enginelink/pms/MZip.h"
#include "u3/DateTime.h"
#include "u3/Exceptions.h"
#include "u3/Files.h"
#include "u3/IniFile.h"
#include "u3/StrLib.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>

namespace enginelink {
namespace {

bool FileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string StripQuotes(const std::string& value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

// The last path component; "" for one that names no file.
std::string PlainFileName(const std::string& path)
{
    const std::size_t cut = path.find_last_of("/\\");
    std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    if (name == "." || name == ".." || name.find('\0') != std::string::npos)
        return {};
    return name;
}

// Delphi's ChangeFileExt: the part after the last "." of the file name is
// replaced, or the extension appended when there is none.
std::string ChangeFileExt(const std::string& name, const std::string& extension)
{
    const std::size_t dot = name.rfind('.');
    return (dot == std::string::npos ? name : name.substr(0, dot)) + extension;
}

// Writes bytes to path, replacing it; a link there is not followed.
void WriteWholeFile(const std::string& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        throw u3::Exception("Cannot create file \"" + path + "\". " + std::strerror(errno));
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            throw u3::Exception("Cannot write file \"" + path + "\". " + std::strerror(error));
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
        throw u3::Exception("Cannot write file \"" + path + "\". " + std::strerror(errno));
}

std::string TodayYYYYMMDD()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char text[40];
    std::snprintf(text, sizeof text, "%04d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return text;
}

} // namespace

TPMSSOAPClient::TPMSSOAPClient(const std::string& host, const std::string& port, bool quiet)
    : TBaseSOAPClient(ReadSettings(), host, port, quiet)
{
    parser_->SetURN(kPMSGatewayURN);
}

TPMSSOAPClient::~TPMSSOAPClient() = default;

TSOAPClientSettings TPMSSOAPClient::ReadSettings()
{
    const u3::IniFile ini(u3::GetExeName() + ".ini");
    return {ini.ReadString("WEB", "IP", "localhost"), ini.ReadString("WEB", "Port", "88"), ReadProxySettings()};
}

std::string TPMSSOAPClient::Option(const std::string& name) const
{
    const std::string key = "-" + name + "=";
    for (std::size_t i = 1; i < commandLine_.size(); ++i) {
        const std::string& item = commandLine_[i];
        if (item.size() >= key.size() && u3::SameText(std::string_view(item).substr(0, key.size()), key))
            return item.substr(key.size());
    }
    return {};
}

std::string TPMSSOAPClient::RequiredFile(const std::string& name) const
{
    const std::string file = StripQuotes(Option(name));
    if (file.empty())
        throw EPMSException(PMSErrorRow(kPMSErrFileNameMissing));
    if (!FileExists(file))
        throw EPMSException::CreateFmt(PMSErrorRow(kPMSErrFileNotFound), {file});
    return file;
}

void TPMSSOAPClient::SetOutputDir(const std::string& folder)
{
    std::string dir = StripQuotes(folder);
    if (dir.empty())
        dir = u3::ExtractFilePathAny(u3::GetExeName());
    outputDir_ = AddBackslash(dir);
    ForceDirs(outputDir_);
}

void TPMSSOAPClient::ParseCommandLine()
{
    input_.Clear();
    attachmentFileName_.clear();
    SetOutputDir(Option("Outputdir"));

    if (commandLine_.size() < 2)
        throw EPMSException::CreateFmt(PMSErrorRow(kPMSErrCommandNotSupported), {""});
    const int kind = PMSCommandKind(commandLine_[1]);
    if (kind < 0)
        throw EPMSException::CreateFmt(PMSErrorRow(kPMSErrCommandNotSupported), {commandLine_[1]});
    input_.SetAction(kind);
    TPMSAction& action = input_.GetAction();

    if (kind == 0 || kind == 1)
        attachmentFileName_ = RequiredFile("FileName");

    input_.UserName = Option("UserName");
    input_.Password = Option("Password");
    const std::string language = Option("Language");
    try {
        input_.Language = multilang::LanguageNumberByCode(language);
    } catch (const std::exception&) {
        throw EPMSException::CreateFmt(PMSErrorRow(kPMSErrLanguageUnknown), {language});
    }
    input_.Mode = u3::SameText(Option("Mode"), "production") ? 1 : 0;

    action.Folder = Option("Folder");
    {
        const std::string id = u3::Trim(Option("ApplID"));
        int64_t value = -1;
        action.ApplicationID = u3::TryStrToInt64(id, value) && value >= INT32_MIN && value <= INT32_MAX
            ? static_cast<int>(value)
            : -1;
    }
    action.ApplicationState = ApplicationStateByName(Option("ApplState"));
    action.Procedure = Option("Procedure");
    action.ImportState = ApplicationStateByName(Option("ImportState"));
    action.PdfPreview = u3::Trim(Option("PdfPreview")) == "1";

    const int signatureType = SignatureTypeByName(Option("SignatureType"));
    if (signatureType == stAlphanumeric || signatureType == stFacsimile) {
        ReadSignatories(action, signatureType);
        action.FinalSignature = u3::Trim(Option("isfinal")) == "1";
    }
}

void TPMSSOAPClient::ReadSignatories(TPMSAction& action, int signatureType)
{
    TPMSSignatory signatory;
    signatory.SignatureType = signatureType;
    const std::string nameType = Option("applnametype");
    signatory.NameType = 0;
    for (std::size_t i = 0; i < PMSNameTypeCodes.size(); ++i) {
        if (u3::SameText(nameType, PMSNameTypeCodes[i]))
            signatory.NameType = static_cast<int>(i);
    }
    signatory.Name = Option("applicantname");
    signatory.PlaceOfSign = Option("placeofsign");
    if (signatureType == stAlphanumeric) {
        signatory.Signature = Option("signature");
    } else {
        const std::string file = RequiredFile("signfile");
        signatory.FaxFileName = PlainFileName(file);
        attachmentFileName_ = file;
        action.Facsimile = true;
        action.FacsimileFileName = signatory.FaxFileName;
    }
    signatory.Capacity = Option("signcapacity");
    signatory.Date = TodayYYYYMMDD();
    action.SignatoriesXML = BuildSignatoriesXML(signatory);
}

std::string TPMSSOAPClient::GetReturnArchiveName()
{
    const std::string href = parser_->GetParamAttribute("rattachment", "href");
    const std::size_t colon = href.find(':');
    if (href.empty() || colon == std::string::npos)
        return {};
    // The name comes from the gateway: only a plain file name may become a
    // file of the output folder.
    const std::string name = PlainFileName(href.substr(colon + 1));
    if (name.empty())
        return {};
    return ChangeFileExt(name, ".zip");
}

void TPMSSOAPClient::UnpackReturnedArchive()
{
    const std::string archiveName = GetReturnArchiveName();
    if (archiveName.empty())
        return;
    const std::string received = parser_->GetAttachmentDir() + u3::RemoveFileExt(archiveName);
    if (!FileExists(received))
        return;
    const std::string archive = outputDir_ + archiveName;
    if (!u3::MoveFileTo(received, archive))
        return;
    if (UnzipArchive(archive, outputDir_, ""))
        ::unlink(archive.c_str());
}

void TPMSSOAPClient::Run()
{
    ParseCommandLine();

    parser_->Clear(true);
    // A folder of this run's own: anything already in the output folder
    // stays untouched when it is removed again.
    std::string temp = outputDir_ + "Temp.XXXXXX";
    if (!::mkdtemp(temp.data()))
        throw u3::Exception("Cannot create a temporary folder in " + outputDir_ + ": " + std::strerror(errno));
    parser_->SetAttachmentDir(temp);

    TPMSAction& action = input_.GetAction();
    parser_->SetOperation(PMSOperationName(action));
    parser_->SetParam("meta", input_.WriteXML());
    parser_->SetAttachment(attachmentFileName_, false);

    TBaseSOAPClient::Call();

    const std::string response = parser_->GetParam("PMSResponse");
    if (!response.empty()) {
        WriteWholeFile(outputDir_ + kPMSResponseFileName, response);
        responseWritten_ = true;
    }
    const int kind = action.GetActionType();
    if (kind == 0 || kind == 4 || kind == 6)
        UnpackReturnedArchive();
}

void TPMSSOAPClient::Call(std::string& result)
{
    result.clear();
    responseWritten_ = false;
    try {
        Run();
    } catch (const EPMSFatal&) {
        throw;
    } catch (const std::exception& e) {
        Fatal(e.what());
    }
}

void TPMSSOAPClient::Fatal(const std::string& message)
{
    // A failure while reporting one must not report again.
    if (inFatal_)
        throw EPMSFatal(false);
    inFatal_ = true;
    if (outputDir_.empty())
        SetOutputDir("");
    const std::string file = outputDir_ + kPMSResponseFileName;
    bool written = false;
    try {
        WritePMSError(kPMSErrGeneric, message, input_.Mode, file, input_.Language);
        written = true;
    } catch (const std::exception& e) {
        std::cerr << "PMS: cannot write the error response " << file << ": " << e.what() << "\n"
                  << "PMS: the error was: " << message << std::endl;
    }
    inFatal_ = false;
    throw EPMSFatal(written);
}

int RunPMSBatch(const std::vector<std::string>& params)
{
    std::vector<std::string> items;
    items.push_back(u3::GetExeName());
    items.insert(items.end(), params.begin(), params.end());
    try {
        TPMSSOAPClient client("", "", true);
        client.SetCommandLine(std::move(items));
        std::string result;
        client.Call(result);
        return client.ResponseWritten() ? kPMSExitResponseWritten : kPMSExitNothingWritten;
    } catch (const EPMSFatal& fatal) {
        return fatal.ResponseWritten() ? kPMSExitErrorWritten : kPMSExitNothingWritten;
    } catch (const std::exception& e) {
        std::cerr << "PMS: " << e.what() << std::endl;
        return kPMSExitNothingWritten;
    }
}

} // namespace enginelink
