// SecureSMTPConnection: the framework's SMTP connection, able to declare an 8-bit message body
// on its MAIL command ("MAIL FROM:<…> BODY=8BITMIME", RFC 6152), which the framework itself
// never does. The conversation turns the declaration on only for a message holding bytes
// outside ASCII and only when the server offered 8BITMIME. While the conversation drives the
// TLS handshake on the socket, the connection can hold the socket's run-loop events, so that
// no pass of the run loop (the conversation's or another's) reads or writes SMTP bytes over a
// half-made TLS session. GUI thread (or a cooperative thread on it) only, like the connection.
#pragma once

#import <Foundation/Foundation.h>
#import <Pantomime/CWSMTP.h>

#include <string>

@interface SecureSMTPConnection : CWSMTP
{
  @private
    BOOL _declares8BitBody;
    BOOL _holdsEvents;
    NSUInteger _bytesBeforeRead; // of the read buffer, when the current read pass began
}

- (void) setDeclares8BitBody: (BOOL) theFlag;
// While YES the socket's readiness is left for later: the run loop reports it again once released.
- (void) setHoldsEvents: (BOOL) theFlag;
// The last whole reply line read in the current read pass and not yet parsed, when it refuses
// (4xx or 5xx), with its line end; nil otherwise. A reply that arrives together with the server's hang-up
// (a 421, say) is read in the same pass as the end of the stream, and the framework reports the
// loss before it parses that reply.
- (NSData *) unparsedRefusal;
@end

// True when the bytes hold one outside 7-bit ASCII.
BOOL SecureHolds8BitData(const std::string &theData);
