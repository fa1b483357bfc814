#include "LSMTPResponse.h"

LSMTPResponse::LSMTPResponse(const LSMTPReply& inReply)
    : mCode(inReply.code)
    , mText(inReply.Text().toStdString())
{
}

LSMTPResponse::LSMTPResponse(std::string inText)
    : mCode(LSMTPReply::LeadingNumber(QByteArray::fromStdString(inText)))
    , mText(std::move(inText))
{
}
