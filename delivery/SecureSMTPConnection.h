// SecureSMTPConnection: the framework's SMTP connection, able to declare an 8-bit message body
// on its MAIL command ("MAIL FROM:<…> BODY=8BITMIME", RFC 6152), which the framework itself
// never does. The conversation turns the declaration on only for a message holding bytes
// outside ASCII and only when the server offered 8BITMIME. GUI thread (or a cooperative thread
// on it) only, like the connection.
#pragma once

#import <Foundation/Foundation.h>
#import <Pantomime/CWSMTP.h>

#include <string>

@interface SecureSMTPConnection : CWSMTP
{
  @private
    BOOL _declares8BitBody;
}

- (void) setDeclares8BitBody: (BOOL) theFlag;
@end

// True when the bytes hold one outside 7-bit ASCII.
BOOL SecureHolds8BitData(const std::string &theData);
