// The sending conversation (see SMTP.h) and its C++ entry SendSecureMessageData.
#import "SMTP.h"
#import "SecureSMTPConnection.h"

#import <Pantomime/CWInternetAddress.h>
#import <Pantomime/CWMessage.h>
#import <Pantomime/CWTCPConnection.h>

#include <objc/runtime.h>

#include <cstring>

static NSArray *AddressStrings(const std::vector<std::string> &addresses)
{
  NSMutableArray *list = [NSMutableArray array];
  for (const std::string &address : addresses)
    [list addObject: SecureNSString(address)];
  return list;
}

// An addr-spec fit for MAIL FROM / RCPT TO: no blanks, controls or angle brackets, one "@".
static BOOL IsEnvelopeAddress(NSString *address)
{
  const char *bytes = [address UTF8String];
  if (bytes == NULL || *bytes == 0 || std::strchr(bytes, '@') == NULL)
    return NO;
  for (const char *p = bytes; *p; ++p)
    {
      const unsigned char c = (unsigned char)*p;
      if (c <= ' ' || c == 0x7f || c == '<' || c == '>')
        return NO;
    }
  return YES;
}

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
  [_messageDict release];
  [_msg release];
  [super dealloc];
}

- (BOOL) done { return _done; }
- (BOOL) succeeded { return _succeeded; }
- (BOOL) timedOut { return _timedOut; }
- (NSString *) msg { return _msg; }
- (BOOL) useSSL { return YES; }
- (NSString *) server { return [_messageDict objectForKey: @"server"]; }
- (NSString *) username { return [_messageDict objectForKey: @"username"]; }
- (NSString *) password { return [_messageDict objectForKey: @"password"]; }
- (NSString *) mechanism { return [_messageDict objectForKey: @"mechanism"]; }
- (NSData *) rawSource { return [_messageDict objectForKey: @"rawSource"]; }

- (int) port
{
  NSNumber *port = [_messageDict objectForKey: @"port"];
  return port != nil ? [port intValue] : kDefaultSMTPPort;
}

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

- (void) fail: (NSString *) theText
{
  if (theText != nil)
    [self statusMsg: theText];
  _succeeded = NO;
  [self finish];
}

// The recipients of the envelope, To 1, Cc 2, Bcc 3; nil when one is not an addr-spec.
- (NSArray *) envelopeRecipients
{
  NSMutableArray *recipients = [NSMutableArray array];
  NSString *keys[] = { @"to", @"cc", @"bcc" };
  for (int type = 1; type <= 3; ++type)
    {
      NSEnumerator *each = [[_messageDict objectForKey: keys[type - 1]] objectEnumerator];
      NSString *address;
      while ((address = [each nextObject]) != nil)
        {
          if (!IsEnvelopeAddress(address))
            {
              [self fail: [NSString stringWithFormat: @"Invalid recipient address: %@", address]];
              return nil;
            }
          CWInternetAddress *recipient = [[[CWInternetAddress alloc] initWithString: address] autorelease];
          [recipient setAddress: address];
          [recipient setType: (PantomimeRecipientType)type];
          [recipients addObject: recipient];
        }
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

- (void) sendMail: (NSDictionary *) theDictionary
{
  [_msg setString: @""];
  ASSIGN(_messageDict, [[theDictionary copy] autorelease]);
  _succeeded = _done = NO;

  NSString *sender = [_messageDict objectForKey: @"sender"];
  if (!IsEnvelopeAddress(sender))
    return [self fail: [NSString stringWithFormat: @"Invalid sender address: %@", sender ? sender : @""]];

  SecureServer server;
  server.host = SecureStdString([self server]);
  const int port = [self port];
  server.port = (port > 0 && port <= 65535) ? (uint16_t)port : 0;
  server.tlsMode = [[_messageDict objectForKey: @"tlsMode"] isEqual: @"implicit"]
    ? ESecureTLSMode::implicitTLS : ESecureTLSMode::startTLS;
  server.acceptAnyCertificate = [[_messageDict objectForKey: @"acceptAnyCertificate"] boolValue];
  server.timeoutSeconds = [[_messageDict objectForKey: @"timeout"] intValue];
  if (![self prepareServer: server])
    return [self fail: nil];

  NSArray *recipients = [self envelopeRecipients];
  if (recipients == nil)
    return;
  if ([recipients count] == 0)
    return [self fail: @"No recipients."];

  // Pantomime ends the data with CRLF.CRLF itself.
  NSData *source = [self rawSource];
  NSUInteger length = [source length];
  if (length >= 2 && std::memcmp((const char *)[source bytes] + length - 2, "\r\n", 2) == 0)
    length -= 2;
  [_smtp setMessageData: [source subdataWithRange: NSMakeRange(0, length)]];
  [self setEnvelopeSender: sender];
  [_smtp setRecipients: recipients];
  [self connectServer];
}

// Sends without AUTH when no mechanism was chosen or no user name is set.
- (BOOL) wantsAuthentication
{
  NSString *mechanism = [self mechanism];
  if ([[self username] length] == 0)
    return NO;
  return [mechanism isEqual: @"PLAIN"] || [mechanism isEqual: @"LOGIN"] || [mechanism isEqual: @"CRAM-MD5"];
}

- (void) onConnectionEstablished: (NSNotification *) n
{
  if (_tlsMode != ESecureTLSMode::implicitTLS || [self isSSL])
    return;
  [self statusMsg: @"Starting SSL."];
  if (![self startImplicitTLS])
    [self fail: (_timedOut ? [self timeoutText] : @"SSL handshake failed.")];
}

// 8-bit bytes go only to a server that offers 8BITMIME, and then declared (RFC 6152).
- (void) sendTheMessage
{
  if (SecureHolds8BitData([self rawSource]))
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
  [_smtp authenticate: [self username] password: [self password] mechanism: [self mechanism]];
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
  _succeeded = YES;
  [self finish];
}

- (void) onMessageNotSent: (NSNotification *) n
{
  NSString *reply = [self lastResponseText];
  [self fail: [NSString stringWithFormat: @"Message not sent: %@", reply ? reply : @"no reply"]];
}

- (void) onTransactionFailed: (NSNotification *) n
{
  NSString *reply = [self lastResponseText];
  [self fail: [NSString stringWithFormat: @"Message not sent: %@", reply ? reply : @"no reply"]];
}

- (void) onConnectionTimedOut: (NSNotification *) n
{
  _timedOut = YES;
  [self fail: [self timeoutText]];
}

- (void) onConnectionLost: (NSNotification *) n
{
  [self fail: (_timedOut ? [self timeoutText] : @"Connection lost.")];
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
  NSAutoreleasePool *pool = [NSAutoreleasePool new];
  SMTP *smtp = [[SMTP alloc] initWithHooks: &hooks];
  NSMutableDictionary *dictionary = [NSMutableDictionary dictionary];
  [dictionary setObject: [NSData dataWithBytes: request.source.data() length: request.source.size()]
                 forKey: @"rawSource"];
  [dictionary setObject: SecureNSString(request.server.host) forKey: @"server"];
  [dictionary setObject: [NSNumber numberWithInt: request.server.port] forKey: @"port"];
  [dictionary setObject: SecureNSString(request.server.username) forKey: @"username"];
  [dictionary setObject: SecureNSString(request.server.password) forKey: @"password"];
  if (!request.mechanism.empty())
    [dictionary setObject: SecureNSString(request.mechanism) forKey: @"mechanism"];
  [dictionary setObject: SecureNSString(request.sender) forKey: @"sender"];
  [dictionary setObject: AddressStrings(request.to) forKey: @"to"];
  [dictionary setObject: AddressStrings(request.cc) forKey: @"cc"];
  [dictionary setObject: AddressStrings(request.bcc) forKey: @"bcc"];
  [dictionary setObject: (request.server.tlsMode == ESecureTLSMode::implicitTLS ? @"implicit" : @"starttls")
                 forKey: @"tlsMode"];
  [dictionary setObject: [NSNumber numberWithBool: request.server.acceptAnyCertificate]
                 forKey: @"acceptAnyCertificate"];
  [dictionary setObject: [NSNumber numberWithInt: request.server.timeoutSeconds] forKey: @"timeout"];
  SecureGuardedPerform(smtp, @selector(sendMail:), dictionary);
  [pool release];

  [smtp runUntilDone: hooks.yield];

  pool = [NSAutoreleasePool new];
  SecureMessageOutcome outcome;
  outcome.succeeded = [smtp succeeded];
  outcome.timedOut = [smtp timedOut];
  outcome.message = SecureStdString([smtp msg]);
  [smtp tearDown];
  [smtp release];
  [pool release];
  return outcome;
}
