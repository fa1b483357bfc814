// SSMTP: the server check. Connects to the mailing window's server, upgrades to TLS, reads
// the authentication mechanisms and, when asked to really send, authenticates (Automatic picks
// PLAIN, LOGIN or CRAM-MD5 from what the server offers) and sends a short test message to one
// address. What the window shows (detected mechanisms, check succeeded, chosen mechanism) goes
// out through the hooks as it happens; the check is done when the conversation ended or was
// idle for the time-out. Log lines go to the hooks' log function.
// GUI thread (or a cooperative thread on it) only.
#pragma once

#import "SecureConversation.h"

@class CWPart;

@interface SSMTP : SecureConversation
{
  @private
    char useSSL;
    char isHTML;
    NSString *mechanism;
    NSString *username;
    NSString *password;
    NSDictionary *messageDictionary;
    BOOL m_reallySend;
    BOOL _succeeded;
    const SecureCheckHooks *_hooks;
}

- (id) initWithHooks: (const SecureCheckHooks *) theHooks;
- (void) doCheck: (NSValue *) theRequest;  // a SecureCheckRequest pointer
- (CWPart *) createMessageBodyPart: (NSString *) theText withMimeType: (NSString *) theType;
- (void) cleanup;
- (BOOL) succeeded;
- (BOOL) timedOut;
@end
