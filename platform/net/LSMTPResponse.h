// LSMTPResponse: the exception a refused SMTP command raises, holding the reply code (the
// leading digits of the reply) and the reply text as the server sent it (lines joined by "\n").
// Deliberately not an LException, so that a handler can tell a server's refusal from a
// failure of the connection. Callers may also raise one of their own from a text such as
// "33 Sending secure message failed; ...". Any thread.
#pragma once

#include "LSMTPReply.h"

#include <exception>
#include <string>

class LSMTPResponse : public std::exception {
public:
    explicit LSMTPResponse(const LSMTPReply& inReply);
    // The code is the text's leading number.
    explicit LSMTPResponse(std::string inText);

    int GetResponseCode() const { return mCode; }
    const std::string& GetResponseText() const { return mText; }
    const char* what() const noexcept override { return mText.c_str(); }

private:
    int mCode = 0;
    std::string mText;
};
