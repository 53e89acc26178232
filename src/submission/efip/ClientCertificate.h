#pragma once
// What the submission component needs to put a client certificate in place
// besides its connection: the dialogs that ask for a key-file password, a
// smart-card certificate and its PIN, the smart-card checker's certificate
// list, and the token layer that binds a card's certificate to the SSL
// context. The client wires them in; a hook left empty asks nothing (the
// values the engine set are used) or, for the card, has no card to offer.
#include <functional>
#include <string>

namespace efip {

// The outcome of binding a card's certificate to the SSL context.
struct TokenCertificateResult {
    enum Outcome { InPlace, NoTokens, NotFound, Expired } outcome = NoTokens;
    std::string keyId;   // of the selected certificate, as text (NotFound)
    std::string subject; // one-line forms (InPlace)
    std::string issuer;
};

struct ClientCertificateHooks {
    // Prepares the program-wide SSL context; false when the library cannot be used.
    std::function<bool()> initSSL;
    // The smart-card checker's certificate list text; empty when it does not answer.
    std::function<std::string()> getSmartCardCertList;
    // The chosen certificate's index, or a negative number when none was chosen.
    std::function<int(const std::string& listText)> chooseCertificate;
    // The PIN form: true (and entered set) when OK was pressed.
    std::function<bool(int index, bool& entered, std::string& pin)> askTokenPin;
    // The key file's password form: true (and entered set) when OK was pressed.
    std::function<bool(const std::string& keyFile, std::string& password, bool& entered)> askKeyFilePassword;
    // The certificate at index (from 1) read from the cards with the PIN and,
    // with its key on the card, put into the SSL context. May raise with the
    // token layer's text.
    std::function<TokenCertificateResult(int index, const std::string& pin)> useTokenCertificate;
    // A message dialog with an "OK" button.
    std::function<void(const std::string& title, const std::string& text)> showError;
};

void SetClientCertificateHooks(ClientCertificateHooks hooks);
const ClientCertificateHooks& CurrentClientCertificateHooks();

} // namespace efip
