#include "CFormMail.h"

#include "CFormHTTPRequest.h"
#include "FormRequestText.h"
#include "TextEncodings.h"

#include <string>
#include <string_view>
#include <vector>

namespace {

std::string_view BytesOf(const CText& text)
{
    return text.buffer ? std::string_view(text.buffer, std::size_t(text.length)) : std::string_view();
}

// The program's own decoders over one piece of form data.
std::string DecodeFormValue(std::string_view raw, FormDecoding decoding)
{
    CText text("");
    text.AppendBytes(raw.data(), long(raw.size()));
    switch (decoding) {
    case FormDecoding::Percent:
        Decode(text, 0);
        break;
    case FormDecoding::Form:
        Decode(text, 1);
        break;
    case FormDecoding::FormLineBreaksAsCommas:
        CRLFEscapesToCommas(text);
        break;
    case FormDecoding::Verbatim:
        break;
    }
    return std::string(BytesOf(text));
}

void AssignControl(CString256& member, std::string_view data, std::string_view key)
{
    const std::vector<std::string> values = FormControlValues(data, key, FormDecoding::Form, DecodeFormValue);
    member.Assign(values.empty() ? "" : values.front().c_str());
}

void AppendControlList(CList<CString256>& list, std::string_view data, std::string_view key)
{
    for (const std::string& item : FormControlList(data, key, DecodeFormValue))
        list.Append(CString256(item.c_str()));
}

void AddFields(CFormMail& formMail, std::string_view text, FormDecoding decoding)
{
    for (const auto& [name, value] : SplitFormFields(text, decoding, DecodeFormValue)) {
        CText valueText("");
        valueText.AppendBytes(value.data(), long(value.size()));
        formMail.fields.FindOrInsert(name.c_str(), formMail.fields.defaultValue)->value.Append(valueText);
    }
}

} // namespace

CFormMail::CFormMail(CFormHTTPRequest& request)
    : request(request)
{
}

void ParseFormFields(CFormMail& formMail, const CText& formData)
{
    const std::string_view data = BytesOf(formData);
    AssignControl(formMail.formPath, data, "Brevanto_formPathname=");
    AppendControlList(formMail.requiredItems, data, "Brevanto_requiredItems=");
    AssignControl(formMail.responseTemplatePath, data, "Brevanto_responseTemplatePathname=");
    AssignControl(formMail.mailTemplatePath, data, "Brevanto_mailTemplatePathname=");
    AssignControl(formMail.plainTextMailTemplatePath, data, "Brevanto_mailPTATemplatePathname=");
    AssignControl(formMail.errorTemplatePath, data, "Brevanto_errorTemplatePathname=");
    AssignControl(formMail.mailServer, data, "Brevanto_mailServer=");
    AppendControlList(formMail.mailTo, data, "Brevanto_mailTo=");
    AssignControl(formMail.replyTo, data, "Brevanto_replyTo=");
    AssignControl(formMail.subject, data, "Brevanto_subject=");
    AppendControlList(formMail.attachmentPaths, data, "Brevanto_attachmentPathnames=");
    AddFields(formMail, data, FormDecoding::Form);
}

void AddFormFields(CFormMail& formMail, const CText& text, int decodeMode)
{
    const FormDecoding decoding = decodeMode == 1 ? FormDecoding::Form
        : decodeMode == 0                          ? FormDecoding::Percent
                                                   : FormDecoding::Verbatim;
    AddFields(formMail, BytesOf(text), decoding);
}

void AddQueryFields(CFormMail& formMail, const CText& query)
{
    AddFormFields(formMail, query, 0);
}

Boolean CheckRequiredItems(CFormMail& formMail)
{
    bool complete = true;
    formMail.requiredItems.Rewind();
    while (const CString256* name = formMail.requiredItems.Next()) {
        auto* entry = formMail.fields.Find(*name);
        const CText* first = nullptr;
        if (entry != nullptr) {
            entry->value.Rewind();
            first = entry->value.Next();
        }
        if (first != nullptr && first->length > 0)
            continue;
        formMail.missingItems.Append(*name);
        complete = false;
    }
    return complete;
}

void WriteFormReply(CFormMail& formMail)
{
    formMail.request.Write(kFormReplyHeader);
    formMail.request.Write(BytesOf(formMail.responseText));
}
