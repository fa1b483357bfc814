// The envelope of a message on the secure road (see SecureMessenger.h): one rule decides which
// addresses may go to MAIL FROM and RCPT TO.
#include "SecureMessenger.h"

namespace {

std::string Trimmed(const std::string& text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    size_t first = 0;
    size_t last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

bool AppendAddresses(const std::vector<std::string>& forms, std::vector<std::string>& out, std::string& unfit)
{
    for (const std::string& form : forms) {
        if (Trimmed(form).empty())
            continue;
        std::string address = SecureEnvelopeAddress(form);
        if (address.empty()) {
            unfit = form;
            return false;
        }
        out.push_back(std::move(address));
    }
    return true;
}

} // namespace

std::string SecureEnvelopeAddress(const std::string& headerForm)
{
    // A line break anywhere (in a display name, say) could carry a command of its own.
    if (headerForm.find_first_of("\r\n") != std::string::npos)
        return {};
    std::string address = Trimmed(headerForm);
    const size_t open = address.rfind('<');
    if (open != std::string::npos) {
        const size_t close = address.find('>', open);
        if (close == std::string::npos)
            return {};
        address = Trimmed(address.substr(open + 1, close - open - 1));
    }
    if (address.find('@') == std::string::npos || address.front() == '@' || address.back() == '@')
        return {};
    for (const unsigned char c : address) {
        if (c <= ' ' || c == 0x7f || c == '<' || c == '>' || c == '"' || c == ',')
            return {};
    }
    return address;
}

bool MakeSecureEnvelope(const std::string& sender, const std::vector<std::string>& to,
                        const std::vector<std::string>& cc, const std::vector<std::string>& bcc,
                        SecureEnvelope& envelope, std::string& unfit)
{
    envelope = SecureEnvelope();
    envelope.sender = SecureEnvelopeAddress(sender);
    if (envelope.sender.empty()) {
        unfit = sender;
        return false;
    }
    return AppendAddresses(to, envelope.to, unfit) && AppendAddresses(cc, envelope.cc, unfit)
        && AppendAddresses(bcc, envelope.bcc, unfit);
}
