#pragma once
// The certificate list text that the smart-card checker and the signing
// component produce: entries separated by "<|>", each with the fields
// index, key-usage bits, subject and issuer separated by "||".
#include <string>
#include <vector>

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

} // namespace client
