#include "LSMTPReply.h"

QByteArray LSMTPReply::Text() const { return lines.join('\n'); }

int LSMTPReply::LeadingNumber(const QByteArray& inLine)
{
    int number = 0;
    for (const char c : inLine) {
        if (c < '0' || c > '9' || number > 99999)
            break;
        number = number * 10 + (c - '0');
    }
    return number;
}
