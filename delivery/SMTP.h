// SMTP: sends one finished message source through Pantomime (the secure road of every send).
// -sendRequest: takes a pointer to a SecureMessageRequest (server record, built bytes and the
// checked envelope), which must outlive the conversation.
//
// The bytes go out as they are (setMessageData:), the envelope from the request; Pantomime
// never re-serialises the message. _done is set once the conversation has ended (sent, not
// sent, failed, lost, timed out); _succeeded only when the server accepted the message.
// Status texts go to the hooks' status function (logged as "Secure messenger: ...").
// GUI thread (or a cooperative thread on it) only.
#pragma once

#import "SecureConversation.h"

@interface SMTP : SecureConversation
{
  @private
    const SecureMessageRequest *_request;
    NSMutableString *_msg;
    char _succeeded;
    const SecureMessengerHooks *_hooks;
}

- (id) initWithHooks: (const SecureMessengerHooks *) theHooks;
- (void) sendRequest: (NSValue *) theRequest;  // a SecureMessageRequest pointer
- (BOOL) done;
- (BOOL) succeeded;
- (BOOL) timedOut;
- (NSString *) msg;
- (void) statusMsg: (NSString *) theText;
@end
