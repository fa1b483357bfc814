// SMTP: sends finished message sources through Pantomime (the secure road of every send), one
// or several over one conversation. -openTo: takes the server record; -startMessage: the next
// message's built bytes and checked envelope (set by -setSource:envelope:); all three must
// outlive the conversation's work on them.
//
// The bytes go out as they are (setMessageData:), the envelope from the request; Pantomime
// never re-serialises the message. The first message goes out once the connection is upgraded
// and authenticated; a later one after RSET. _messageDone is set once the message's
// transaction has ended (sent or refused) or the conversation has; _succeeded only when the
// server accepted it; _done once the conversation has ended (failed, lost, timed out).
// Status texts go to the hooks' status function (logged as "Secure messenger: ...").
// GUI thread (or a cooperative thread on it) only.
#pragma once

#import "SecureConversation.h"

@interface SMTP : SecureConversation
{
  @private
    const SecureServer *_server;
    const std::string *_source;
    const SecureEnvelope *_envelope;
    NSMutableString *_msg;
    char _succeeded;
    BOOL _opened;
    BOOL _messageDone;
    BOOL _resetting;
    BOOL _endedWhileResetting;
    const SecureMessengerHooks *_hooks;
}

- (id) initWithHooks: (const SecureMessengerHooks *) theHooks;
- (void) openTo: (const SecureServer *) theServer;
- (void) setSource: (const std::string *) theSource envelope: (const SecureEnvelope *) theEnvelope;
- (void) startMessage: (id) unused;
- (BOOL) done;
- (BOOL) succeeded;
- (BOOL) timedOut;
// The conversation ended while it reset the transaction for this message: nothing of it went out.
- (BOOL) endedWhileResetting;
- (NSString *) msg;
- (void) statusMsg: (NSString *) theText;
@end
