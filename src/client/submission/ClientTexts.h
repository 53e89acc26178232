#pragma once
// The running client's text for a message key, or the default text when no
// client runs; handed to the submission components as their text source.
#include <string>

namespace client {

std::string ClientLangText(const std::string& key, const std::string& defaultText);

} // namespace client
