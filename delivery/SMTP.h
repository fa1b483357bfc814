// SMTP: sends one finished message source through Pantomime (the secure road of every send).
// -sendMail: takes a dictionary: "rawSource" (NSData, the built bytes), "server", "port"
// (NSNumber; 25 when absent), "username", "password", "mechanism" ("PLAIN", "LOGIN",
// "CRAM-MD5"; anything else sends without AUTH), "sender", "to", "cc", "bcc" (arrays of
// addr-specs), "tlsMode" ("implicit" or "starttls"), "acceptAnyCertificate" (NSNumber) and
// "timeout" (NSNumber, seconds of idle time allowed).
//
// The bytes go out as they are (setMessageData:), the envelope from the dictionary; Pantomime
// never re-serialises the message. _done is set once the conversation has ended (sent, not
// sent, failed, lost, timed out); _succeeded only when the server accepted the message.
// Status texts go to the hooks' status function (logged as "Secure messenger: ...").
// GUI thread (or a cooperative thread on it) only.
#pragma once

#import "SecureConversation.h"

@interface SMTP : SecureConversation
{
  @private
    NSDictionary *_messageDict;
    NSMutableString *_msg;
    char _succeeded;
    const SecureMessengerHooks *_hooks;
}

- (id) initWithHooks: (const SecureMessengerHooks *) theHooks;
- (void) sendMail: (NSDictionary *) theDictionary;
- (BOOL) done;
- (BOOL) succeeded;
- (BOOL) timedOut;
- (NSString *) msg;
- (void) statusMsg: (NSString *) theText;

- (NSString *) server;
- (NSString *) username;
- (NSString *) password;
- (NSString *) mechanism;
- (NSData *) rawSource;
- (int) port;
- (BOOL) useSSL;
@end
