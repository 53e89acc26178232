#pragma once
// The vocabulary of the PMS gateway: the request document "PMS_2_KVT_input",
// the response document "KVT_2_PMS_response", the numbered error table and the
// tables of commands, operations, modes, states and signature types.
#include "u3/Exceptions.h"

#include <array>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace u3 {
class TXMLTag;
}

namespace enginelink {

inline constexpr std::array<const char*, 7> PMSCommands = {"-validate", "-import",    "-sign",       "-send",
                                                           "-exportzip", "-remove", "-information"};
inline constexpr std::array<const char*, 7> PMSOperations = {"validate", "import", "sign",       "send",
                                                             "export",   "remove", "information"};
inline constexpr std::array<const char*, 2> PMSModes = {"demo", "production"};
inline constexpr std::array<const char*, 5> PMSApplicationStates = {"", "draft", "ready_to_sign", "ready_to_send",
                                                                    "sent"};
inline constexpr std::array<const char*, 3> PMSSignatureTypes = {"N", "A", "F"};
inline constexpr std::array<const char*, 3> PMSNameTypeCodes = {"L", "O", "N"};
inline constexpr std::array<const char*, 3> PMSNameTypes = {"legal", "organisational", "natural"};

enum TPMSSignatureType { stNone = 0, stAlphanumeric = 1, stFacsimile = 2 };

// The kind (0 to 6) of a command compared without regard to case; -1 for none.
int PMSCommandKind(std::string_view command);
// Index of a name in the table without regard to case; 0 when absent.
int ApplicationStateByName(std::string_view name);
int SignatureTypeByName(std::string_view name);

struct TPMSExceptionRec {
    int error_ID;
    const char* message;
};
// Row i has error_ID i + 1.
extern const std::array<TPMSExceptionRec, 72> PMSErrorTable;

// Error ids the client itself raises.
inline constexpr int kPMSErrFileNameMissing = 10;
inline constexpr int kPMSErrGeneric = 36;
inline constexpr int kPMSErrCommandNotSupported = 41;
inline constexpr int kPMSErrLanguageUnknown = 44;
inline constexpr int kPMSErrFileNotFound = 45;
inline constexpr int kPMSErrSignatureRecord = 47;
inline constexpr int kPMSErrApplicationState = 59;

// Formats text the way the error table and the signatory record are written:
// "%s" and "%d" take the next argument, "%N:s" argument N, "%%" is "%".
std::string PMSFormat(std::string_view format, const std::vector<std::string>& args);

class EPMSException : public u3::Exception {
public:
    // The message and id of row index, unformatted.
    explicit EPMSException(int index);
    // The row's message formatted with args.
    static EPMSException CreateFmt(int index, const std::vector<std::string>& args);
    int ErrorID() const { return error_ID_; }

private:
    EPMSException(int errorID, std::string message) : u3::Exception(std::move(message)), error_ID_(errorID) {}
    int error_ID_;
};

// The row index of an error id.
constexpr int PMSErrorRow(int errorID)
{
    return errorID - 1;
}

class TPMSAction {
public:
    virtual ~TPMSAction() = default;

    // Name "=" value entries.
    std::vector<std::pair<std::string, std::string>> OfficeSpecificParams;
    int ApplicationID = -1;
    std::string Procedure;
    std::string Folder;
    int ApplicationState = 0;
    std::string OfficeCode;
    bool FinalSignature = false;
    bool Facsimile = false;
    std::string FacsimileFileName;
    std::string SignatoriesXML;
    int ImportState = 0;
    bool PdfPreview = false;

    virtual int GetActionType() const = 0;
    // Reads the action from its operation element of a request document.
    virtual void ReadXML(u3::TXMLTag& element);
    // Fills its operation element.
    virtual void WriteXML(u3::TXMLTag& element) const = 0;

protected:
    void ReadOfficeSpecific(u3::TXMLTag& element);
    void WriteOfficeSpecific(u3::TXMLTag& element) const;
};

class TPMSValidateAction : public TPMSAction {
public:
    int GetActionType() const override { return 0; }
    void ReadXML(u3::TXMLTag& element) override;
    void WriteXML(u3::TXMLTag& element) const override;
};

class TPMSImportAction : public TPMSAction {
public:
    int GetActionType() const override { return 1; }
    void ReadXML(u3::TXMLTag& element) override;
    void WriteXML(u3::TXMLTag& element) const override;
};

class TPMSSignAction : public TPMSAction {
public:
    int GetActionType() const override { return 2; }
    void ReadXML(u3::TXMLTag& element) override;
    void WriteXML(u3::TXMLTag& element) const override;
};

class TPMSSendAction : public TPMSAction {
public:
    int GetActionType() const override { return 3; }
    void ReadXML(u3::TXMLTag& element) override;
    void WriteXML(u3::TXMLTag& element) const override;
};

// Chooses applications by id, or by folder, procedure and state.
class TPMSFilterAction : public TPMSAction {
public:
    void ReadXML(u3::TXMLTag& element) override;
    void WriteXML(u3::TXMLTag& element) const override;
};

class TPMSExportAction : public TPMSFilterAction {
public:
    int GetActionType() const override { return 4; }
};

class TPMSRemoveAction : public TPMSFilterAction {
public:
    int GetActionType() const override { return 5; }
};

class TPMSInformationAction : public TPMSFilterAction {
public:
    int GetActionType() const override { return 6; }
};

std::string PMSOperationName(const TPMSAction& action);

class TPMSInput {
public:
    std::string Password;
    std::string UserName;
    int Language = 2; // English
    int Mode = 0;     // demo

    // No action; empty user and password; English; demo.
    void Clear();
    // Makes the action of kind 0 to 6 in place of the current one (none for
    // any other kind).
    void SetAction(int kind);
    // The action; a silent abort when there is none.
    TPMSAction& GetAction() const;
    bool HasAction() const { return action_ != nullptr; }

    // The request document as text.
    std::string WriteXML() const;
    // Reads a request document.
    void ReadXML(const std::string& text);

private:
    std::unique_ptr<TPMSAction> action_;
};

// One signatory of a sign request, as the batch mode reads it.
struct TPMSSignatory {
    int NameType = 0; // index of PMSNameTypeCodes
    std::string Name;
    std::string PlaceOfSign;
    int SignatureType = stAlphanumeric;
    std::string Signature;   // the text signature
    std::string FaxFileName; // the facsimile's file name without folder
    std::string Capacity;
    std::string Date; // "YYYYMMDD"
};
// The "signatories" element as text, for TPMSAction::SignatoriesXML.
std::string BuildSignatoriesXML(const TPMSSignatory& signatory);

class TPMSBaseClass {
public:
    virtual ~TPMSBaseClass() = default;
    virtual void WriteXML(u3::TXMLTag& root) const = 0;
};

class TPMSReturnValues : public TPMSBaseClass {
public:
    void Add(int errorID, const std::string& message);
    void WriteXML(u3::TXMLTag& root) const override;
    // Error id "=" message.
    std::vector<std::pair<int, std::string>> Entries;
};

// The response document with items in order, saved to fileName (replaced).
// Throws when the file cannot be written.
void WritePMSResponse(const std::vector<const TPMSBaseClass*>& items, int mode, int language,
                      const std::string& fileName, bool success);
// A failure response with one return value.
void WritePMSError(int errorID, const std::string& message, int mode, const std::string& fileName, int language);
// The text WritePMSResponse saves (without the final line end).
std::string PMSResponseText(const std::vector<const TPMSBaseClass*>& items, int mode, int language, bool success);

} // namespace enginelink
