#pragma once
// The certificate list text that the smart-card checker and the signing
// component produce (entries separated by "<|>", each with the fields index,
// key-usage bits, subject and issuer separated by "||"), the data list that
// shows it in a grid, and the form on which the user picks a certificate.
#include "e3/datalist/DataListClient.h"
#include "framework/Form.h"

#include <string>
#include <vector>

namespace e3 {
class Te3_DLDrawGrid;
class Te3_Label;
class Te3_Panel;
class Te3_SpeedButton;
}

namespace client {

using TCertificateEntry = std::vector<std::string>;

// The entries of a list text, trimmed of blanks at both ends first; an empty
// text has no entries.
std::vector<TCertificateEntry> ParseCertificateList(const std::string& listText);
// Field i of an entry; empty when the entry has fewer fields.
std::string CertificateField(const TCertificateEntry& entry, size_t i);
// Field 0 as a number; -1 when it is no number.
int CertificateIndex(const TCertificateEntry& entry);

// The names of the key-usage bits of a field (0 when it is no number):
// digital signature, key encipherment, data encipherment, non-repudiation,
// in this order, joined by ", ".
std::string KeyUsageNames(const std::string& keyUsageField);

// Feeds a grid from a certificate list text: a title row "Key Usage",
// "Subject", "Issuer" and one row per entry. The rows are held here, never
// asked of the engine.
class TCertificatesList : public e3::TDGDataListClient {
    FW_CLASS()
public:
    explicit TCertificatesList(fw::TComponent* owner);

    // Takes a new list text; an attached grid is set up again.
    void SetListText(const std::string& listText);
    const std::vector<TCertificateEntry>& Entries() const { return entries_; }
    int32_t EntryCount() const { return static_cast<int32_t>(entries_.size()); }

    // Three titled columns 3 : 5 : 5 wide, scaled to the grid's width; one
    // grid row per entry below the title; an empty list marks the grid empty.
    void InitGrid() override;
    // What the cell of column col in data row row shows: the key-usage names,
    // the subject or the issuer of entry row; a blank elsewhere.
    std::string CellText(int32_t col, int32_t row) const;

private:
    std::vector<TCertificateEntry> entries_;
};

class TFormCertificates : public fw::TCustomForm {
    FW_CLASS()
public:
    explicit TFormCertificates(fw::TComponent* owner);
    ~TFormCertificates() override;

    void SetListText(const std::string& listText) { certificates->SetListText(listText); }
    // The index the user chose: field 0 of the selected entry when the form
    // closed with "Submit Now", else -1.
    int ChosenIndex() const { return chosenIndex_; }

    void FormShow(fw::TObject* sender);
    void btnSubmitClick(fw::TObject* sender);
    void btnCancelClick(fw::TObject* sender);

    e3::Te3_Panel* pnlTop;
    e3::Te3_Label* lblChoose;
    e3::Te3_DLDrawGrid* grdCertificates;
    e3::Te3_Panel* pnlButtons;
    e3::Te3_SpeedButton* btnSubmit;
    e3::Te3_SpeedButton* btnCancel;
    TCertificatesList* certificates;

private:
    int chosenIndex_ = -1;
};

// The certificate the user picks from a list text: the only entry's index
// without asking when the list holds one entry (-1 when that is no number);
// otherwise a modal TFormCertificates, whose choice counts only when it closes
// with OK (else -1).
int ChooseCertificate(const std::string& listText);

} // namespace client
