#pragma once
// The smart-card half of the client certificate: a certificate of the cards,
// read with the PIN and bound to a key whose private operations run on the
// card, put into the program-wide SSL context.
#include "submission/efip/ClientCertificate.h"

namespace efip {

// index counts the certificates of all cards from 1, in the order the token
// layer finds them. Failures of the token layer itself raise with its text.
TokenCertificateResult UseTokenCertificate(int index, const std::string& pin);

} // namespace efip
