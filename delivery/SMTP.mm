// The sending conversation (see SMTP.h) and its C++ entry SendSecureMessageData.
#import "SMTP.h"
#import "SecureSMTPConnection.h"

#import <Pantomime/CWInternetAddress.h>
#import <Pantomime/CWMessage.h>
#import <Pantomime/CWTCPConnection.h>

#include <objc/runtime.h>

#include <string>
#include <vector>

@implementation SMTP

- (id) initWithHooks: (const SecureMessengerHooks *) theHooks
{
  self = [super init];
  if (self != nil)
    {
      _hooks = theHooks;
      _msg = [[NSMutableString alloc] init];
    }
  return self;
}

- (void) dealloc
{
  [self tearDown];
  [_msg release];
  [super dealloc];
}

- (BOOL) done { return _done; }
- (BOOL) succeeded { return _succeeded; }
- (BOOL) timedOut { return _timedOut; }
- (NSString *) msg { return _msg; }

- (void) statusMsg: (NSString *) theText
{
  [_msg setString: (theText != nil ? theText : @"")];
  if (_hooks == nullptr || !_hooks->status)
    return;
  try
    {
      _hooks->status(SecureStdString(theText));
    }
  catch (...)
    {
      // A failing log must not leave a callback.
    }
}

- (void) setStatus: (NSString *) theText
{
  [self statusMsg: theText];
}

- (NSString *) timeoutText
{
  return [NSString stringWithFormat:
    @"Connection timed out. (Timeout = %d seconds; you can change this in preferences.)", (int)_timeout];
}

// A server that refused (a 4xx/5xx greeting, EHLO or 421) can leave the framework waiting:
// its reply goes to the log before the time-out status.
- (void) idleDeadlinePassed
{
  NSString *reply = [self lastResponseText];
  if ([reply hasPrefix: @"4"] || [reply hasPrefix: @"5"])
    [self statusMsg: [NSString stringWithFormat: @"Server reply: %@", reply]];
  [self statusMsg: [self timeoutText]];
}

// The recipients of the envelope, To 1, Cc 2, Bcc 3.
- (NSArray *) envelopeRecipients
{
  NSMutableArray *recipients = [NSMutableArray array];
  const std::vector<std::string> *lists[] = { &_envelope->to, &_envelope->cc, &_envelope->bcc };
  for (int type = 1; type <= 3; ++type)
    for (const std::string &each : *lists[type - 1])
      {
        NSString *address = SecureNSString(each);
        CWInternetAddress *recipient = [[[CWInternetAddress alloc] initWithString: address] autorelease];
        [recipient setAddress: address];
        [recipient setType: (PantomimeRecipientType)type];
        [recipients addObject: recipient];
      }
  return recipients;
}

// CWSMTP takes MAIL FROM from its message object, which setMessageData: leaves empty: a
// header-only message carries the sender (ownership passes to the connection).
- (void) setEnvelopeSender: (NSString *) theSender
{
  CWMessage *envelope = [[CWMessage alloc] init];
  CWInternetAddress *from = [[CWInternetAddress alloc] initWithString: theSender];
  [from setAddress: theSender];
  [envelope setFrom: from];
  [from release];
  Ivar slot = class_getInstanceVariable([CWSMTP class], "_message");
  id previous = object_getIvar(_smtp, slot);
  object_setIvar(_smtp, slot, envelope);
  [previous release];
}

- (void) openTo: (const SecureServer *) theServer
{
  _server = theServer;
}

- (void) setSource: (const std::string *) theSource envelope: (const SecureEnvelope *) theEnvelope
{
  _source = theSource;
  _envelope = theEnvelope;
}

- (BOOL) waitIsOver
{
  return _done || _messageDone;
}

- (BOOL) endedWhileResetting
{
  return _endedWhileResetting;
}

// This message failed; the conversation goes on.
- (void) refuseMessage: (NSString *) theText
{
  if (_messageDone)
    return;
  if (theText != nil)
    [self statusMsg: theText];
  _succeeded = NO;
  _messageDone = YES;
}

// The conversation has ended, and with it the message in progress.
- (void) fail: (NSString *) theText
{
  if (theText != nil)
    [self statusMsg: theText];
  if (_resetting)
    _endedWhileResetting = YES;
  _succeeded = NO;
  _messageDone = YES;
  [self finish];
}

- (void) loadMessage: (NSArray *) theRecipients
{
  // Pantomime ends the data with CRLF.CRLF itself.
  const std::string &source = *_source;
  size_t length = source.size();
  if (length >= 2 && source.compare(length - 2, 2, "\r\n") == 0)
    length -= 2;
  [_smtp setMessageData: [NSData dataWithBytes: source.data() length: length]];
  [self setEnvelopeSender: SecureNSString(_envelope->sender)];
  [_smtp setRecipients: theRecipients];
  [(SecureSMTPConnection *)_smtp setDeclares8BitBody: NO];
}

// The first message opens the conversation; a later one resets the transaction first.
- (void) startMessage: (id) unused
{
  [_msg setString: @""];
  _succeeded = NO;
  _messageDone = NO;
  _endedWhileResetting = NO;
  NSArray *recipients = [self envelopeRecipients];
  if ([recipients count] == 0)
    return [self refuseMessage: @"No recipients."];
  if (!_opened)
    {
      _opened = YES;
      if (![self prepareServer: *_server])
        return [self fail: nil];
      [self loadMessage: recipients];
      [self connectServer];
      return;
    }
  [self loadMessage: recipients];
  _lastActivity = [NSDate timeIntervalSinceReferenceDate];
  _resetting = YES;
  [_smtp reset];
}

// Sends without AUTH when no mechanism was chosen or no user name is set.
- (BOOL) wantsAuthentication
{
  return !_server->username.empty() && _server->mechanism != ESecureMechanism::automatic;
}

- (void) onConnectionEstablished: (NSNotification *) n
{
  if (_tlsMode != ESecureTLSMode::implicitTLS || [self isSSL])
    return;
  [self statusMsg: @"Starting SSL."];
  if (![self startImplicitTLS])
    [self tlsHandshakeFailed];
}

- (void) implicitTLSHandshakeFailed
{
  [self fail: (_timedOut ? [self timeoutText] : @"SSL handshake failed.")];
}

// 8-bit bytes go only to a server that offers 8BITMIME, and then declared (RFC 6152).
- (void) sendTheMessage
{
  if (SecureHolds8BitData(*_source))
    {
      if (![[_smtp capabilities] containsObject: @"8BITMIME"])
        return [self fail: @"The server does not accept 8-bit text (it offers no 8BITMIME): "
                           @"turn \"Encode QP\" on to send to it."];
      [(SecureSMTPConnection *)_smtp setDeclares8BitBody: YES];
    }
  [_smtp sendMessage];
}

- (void) onServiceInitialized: (NSNotification *) n
{
  if (![self isSSL])
    {
      if (![[_smtp capabilities] containsObject: @"STARTTLS"])
        return [self fail: @"The server does not offer STARTTLS; nothing is sent in clear."];
      [self statusMsg: @"SSL handshaking..."];
      [self startExplicitTLS];
      return;
    }
  [self statusMsg: @"SSL handshaking completed."];
  [self statusMsg: [NSString stringWithFormat: @"Available authentication mechanisms: %@",
                             [_smtp supportedMechanisms]]];
  if (![self wantsAuthentication])
    return [self sendTheMessage];
  const SecureServer &server = *_server;
  [_smtp authenticate: SecureNSString(server.username)
             password: SecureNSString(server.password)
            mechanism: SecureNSString(SecureMechanismName(server.mechanism))];
}

- (void) onAuthenticationCompleted: (NSNotification *) n
{
  [self sendTheMessage];
}

- (void) onAuthenticationFailed: (NSNotification *) n
{
  NSString *reply = [self lastResponseText];
  [self fail: [NSString stringWithFormat: @"Authentication failed: %@", reply ? reply : @"no reply"]];
}

- (void) onMessageSent: (NSNotification *) n
{
  if (_messageDone)
    return;
  _succeeded = YES;
  _messageDone = YES;
}

- (NSString *) notSentText
{
  NSString *reply = [self lastResponseText];
  return [NSString stringWithFormat: @"Message not sent: %@", reply ? reply : @"no reply"];
}

- (void) onMessageNotSent: (NSNotification *) n
{
  [self refuseMessage: [self notSentText]];
}

- (void) onTransactionFailed: (NSNotification *) n
{
  [self refuseMessage: [self notSentText]];
}

- (void) onTransactionResetCompleted: (NSNotification *) n
{
  _resetting = NO;
  [self sendTheMessage];
}

- (void) onTransactionResetFailed: (NSNotification *) n
{
  [self fail: [self notSentText]];
}

- (void) onConnectionTimedOut: (NSNotification *) n
{
  _timedOut = YES;
  [self fail: [self timeoutText]];
}

- (void) onConnectionLost: (NSNotification *) n
{
  if (_timedOut)
    return [self fail: [self timeoutText]];
  NSString *reply = [self replyBeforeHangUp];
  [self fail: (reply ? [NSString stringWithFormat: @"Connection lost: %@", reply] : @"Connection lost.")];
}

// Ended before the message was taken (a 421, say): a failure, with the server's last reply.
- (void) onConnectionTerminated: (NSNotification *) n
{
  if (_timedOut)
    return [self fail: [self timeoutText]];
  NSString *reply = [self lastResponseText];
  [self fail: (reply ? [NSString stringWithFormat: @"Connection terminated: %@", reply] : @"Connection terminated.")];
}

// Our own cancel at the idle deadline keeps the time-out status.
- (void) onRequestCancelled: (NSNotification *) n
{
  [self fail: (_timedOut ? nil : @"Request cancelled.")];
}

- (void) onReceivedData: (NSData *) theData
{
}

@end

SecureMessageOutcome SendSecureMessageData(const SecureMessageRequest &request, const SecureMessengerHooks &hooks)
{
  SecureMessageSession session(request.server, hooks);
  return session.Send(request.source, request.envelope);
}

struct SecureMessageSession::Conversation
{
  SMTP *smtp = nil;
};

SecureMessageSession::SecureMessageSession(const SecureServer &server, const SecureMessengerHooks &hooks)
  : mServer(server), mHooks(hooks)
{
}

SecureMessageSession::~SecureMessageSession()
{
  Close();
}

void SecureMessageSession::Close()
{
  if (mConversation == nullptr)
    return;
  NSAutoreleasePool *pool = [NSAutoreleasePool new];
  [mConversation->smtp tearDown];
  [mConversation->smtp release];
  [pool release];
  delete mConversation;
  mConversation = nullptr;
}

SecureMessageOutcome SecureMessageSession::Send(const std::string &source, const SecureEnvelope &envelope)
{
  for (;;)
    {
      if (mConversation != nullptr && [mConversation->smtp done])
        Close();
      const bool reused = mConversation != nullptr;
      if (!reused)
        {
          mConversation = new Conversation;
          mConversation->smtp = [[SMTP alloc] initWithHooks: &mHooks];
          [mConversation->smtp openTo: &mServer];
          ++mOpened;
        }
      SMTP *smtp = mConversation->smtp;
      NSAutoreleasePool *pool = [NSAutoreleasePool new];
      [smtp setSource: &source envelope: &envelope];
      SecureGuardedPerform(smtp, @selector(startMessage:), nil);
      [pool release];

      [smtp runUntilDone: mHooks.yield waitReadable: mHooks.waitReadable];

      pool = [NSAutoreleasePool new];
      SecureMessageOutcome outcome;
      outcome.succeeded = [smtp succeeded];
      outcome.timedOut = [smtp timedOut];
      outcome.message = SecureStdString([smtp msg]);
      const bool ended = [smtp done];
      const bool retryOnNew = reused && [smtp endedWhileResetting] && !outcome.timedOut;
      [pool release];
      if (ended)
        Close();
      if (!retryOnNew)
        return outcome;
    }
}
