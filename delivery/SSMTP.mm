// The server check (see SSMTP.h) and its C++ entry RunSecureServerCheck.
#import "SSMTP.h"

#import <Pantomime/CWConstants.h>
#import <Pantomime/CWInternetAddress.h>
#import <Pantomime/CWMIMEMultipart.h>
#import <Pantomime/CWMIMEUtility.h>
#import <Pantomime/CWMessage.h>
#import <Pantomime/CWPart.h>

@implementation SSMTP

- (id) initWithHooks: (const SecureCheckHooks *) theHooks
{
  self = [super init];
  if (self != nil)
    {
      _hooks = theHooks;
      useSSL = YES;
    }
  return self;
}

- (void) dealloc
{
  [self tearDown];
  [self cleanup];
  [mechanism release];
  [username release];
  [password release];
  [super dealloc];
}

- (BOOL) succeeded { return _succeeded; }
- (BOOL) timedOut { return _timedOut; }

- (void) log: (NSString *) theText
{
  if (_hooks == nullptr || !_hooks->log)
    return;
  try
    {
      _hooks->log(SecureStdString(theText));
    }
  catch (...)
    {
    }
}

- (void) setStatus: (NSString *) theText
{
  [self log: theText];
}

- (void) idleDeadlinePassed
{
  [self log: @"Error Sending Mail Message: Connection timed out"];
  [self cleanup];
}

- (void) cleanup
{
  [messageDictionary release];
  messageDictionary = nil;
}

- (void) end
{
  [self cleanup];
  [self finish];
}

- (CWPart *) createMessageBodyPart: (NSString *) theText withMimeType: (NSString *) theType
{
  CWPart *part = [[[CWPart alloc] init] autorelease];
  [part setCharset: @"utf-8"];
  [part setContentTransferEncoding: PantomimeEncoding8bit];
  [part setContentType: theType];
  NSData *bytes = [theText dataUsingEncoding: NSUTF8StringEncoding];
  if (bytes != nil)
    [part setContent: bytes];
  return part;
}

- (CWMessage *) testMessageTo: (NSString *) theAddress subject: (NSString *) theSubject body: (NSString *) theBody
{
  CWMessage *message = [[[CWMessage alloc] init] autorelease];
  [message setSubject: theSubject];
  CWInternetAddress *from = [[[CWInternetAddress alloc] initWithString: theAddress] autorelease];
  [message setFrom: from];
  CWInternetAddress *to = [[[CWInternetAddress alloc] initWithString: theAddress] autorelease];
  [to setType: PantomimeToRecipient];
  [message addRecipient: to];

  CWMIMEMultipart *multipart = [[[CWMIMEMultipart alloc] init] autorelease];
  [multipart addPart: [self createMessageBodyPart: theBody
                                     withMimeType: (isHTML ? @"text/html" : @"text/plain")]];
  [message setContentTransferEncoding: PantomimeEncodingNone];
  [message setContentType: @"multipart/mixed"];
  [message setBoundary: [CWMIMEUtility globallyUniqueBoundary]];
  [message setContent: multipart];
  return message;
}

- (void) doCheck: (NSValue *) theRequest
{
  const SecureCheckRequest &request = *static_cast<const SecureCheckRequest *>([theRequest pointerValue]);
  useSSL = YES;
  isHTML = request.asHTML;
  m_reallySend = request.reallySend;
  ASSIGN(mechanism, SecureNSString(SecureMechanismName(request.server.mechanism)));
  ASSIGN(username, SecureNSString(request.server.username));
  ASSIGN(password, SecureNSString(request.server.password));
  if (![self prepareServer: request.server])
    return [self end];
  [_smtp setMessage: [self testMessageTo: SecureNSString(request.address)
                                 subject: SecureNSString(request.subject)
                                    body: SecureNSString(request.body)]];
  [self log: [NSString stringWithFormat: @"Connecting to the %@ server...", SecureNSString(request.server.host)]];
  if (![self connectServer])
    [self cleanup];
}

- (void) onConnectionEstablished: (NSNotification *) n
{
  [self log: @"Connected!"];
  if (!useSSL || _tlsMode != ESecureTLSMode::implicitTLS || [self isSSL])
    return;
  [self log: @"Now starting SSL..."];
  if (![self startImplicitTLS])
    [self tlsHandshakeFailed];
}

- (void) implicitTLSHandshakeFailed
{
  [self log: (_timedOut ? @"Error Sending Mail Message: Connection timed out" : @"SSL handshake failed.")];
  [self end];
}

// Automatic: the first of PLAIN, LOGIN, CRAM-MD5 the server offers (PLAIN when it offers
// others only); the window's popup follows.
- (void) chooseMechanism: (NSString *) theDetected
{
  [self log: @"Autodetecting authentication mechanism..."];
  NSString *names[] = { @"PLAIN", @"LOGIN", @"CRAM-MD5" };
  int chosen = 0;
  for (int i = 0; i < 3; ++i)
    if ([theDetected rangeOfString: names[i] options: NSCaseInsensitiveSearch].location != NSNotFound)
      {
        chosen = i;
        break;
      }
  ASSIGN(mechanism, names[chosen]);
  if (_hooks == nullptr || !_hooks->mechanismChosen)
    return;
  try
    {
      _hooks->mechanismChosen(chosen + 2, SecureStdString([NSString stringWithFormat: @"%@ authentication chosen", names[chosen]]));
    }
  catch (...)
    {
    }
}

- (void) onServiceInitialized: (NSNotification *) n
{
  [self log: @"Service initialized..."];
  if (useSSL && ![self isSSL])
    {
      if (![[_smtp capabilities] containsObject: @"STARTTLS"])
        {
          [self log: @"The server does not offer STARTTLS."];
          return [self end];
        }
      [self log: @"SSL handshaking..."];
      [self startExplicitTLS];
      return;
    }
  [self log: @"SSL handshaking completed."];
  _succeeded = YES;
  NSArray *offered = [_smtp supportedMechanisms];
  NSString *detected = [offered description];
  try
    {
      if (_hooks != nullptr && _hooks->checkSucceeded)
        _hooks->checkSucceeded();
      if (_hooks != nullptr && _hooks->mechanismsDetected)
        _hooks->mechanismsDetected(SecureStdString(detected));
    }
  catch (...)
    {
    }
  [self log: [NSString stringWithFormat: @"Authentication mechanisms detected: %@", detected]];
  if (!m_reallySend)
    {
      [self log: @"Closing connection..."];
      return [self end];
    }
  if ([username length] == 0 || [offered count] == 0)
    {
      [self log: @"Sending the message without authentication..."];
      return [_smtp sendMessage];
    }
  if ([mechanism isEqual: @"Automatic"] || [mechanism length] == 0)
    [self chooseMechanism: detected];
  [self log: @"Authenticating..."];
  [_smtp authenticate: username password: password mechanism: mechanism];
}

- (void) onAuthenticationCompleted: (NSNotification *) n
{
  [self log: @"Authentication completed! Sending the message..."];
  [_smtp sendMessage];
}

- (void) onAuthenticationFailed: (NSNotification *) n
{
  [self log: @"Authentication failed! Closing the connection..."];
  _succeeded = NO;
  [self end];
}

- (void) onMessageSent: (NSNotification *) n
{
  [self log: @"Message sent"];
  _succeeded = YES;
  [self end];
}

- (void) notSent
{
  try
    {
      if (_hooks != nullptr && _hooks->beep)
        _hooks->beep();
    }
  catch (...)
    {
    }
  NSString *reply = [self lastResponseText];
  [self log: [NSString stringWithFormat: @"Server Response: %@", reply ? reply : @""]];
  _succeeded = NO;
  [self end];
}

- (void) onMessageNotSent: (NSNotification *) n { [self notSent]; }
- (void) onTransactionFailed: (NSNotification *) n { [self notSent]; }

- (void) onConnectionTimedOut: (NSNotification *) n
{
  _timedOut = YES;
  [self log: @"Error Sending Mail Message: Connection timed out"];
  _succeeded = NO;
  [self end];
}

- (void) onConnectionLost: (NSNotification *) n
{
  NSString *reply = [self replyBeforeHangUp];
  if (reply != nil)
    [self log: [NSString stringWithFormat: @"Server Response: %@", reply]];
  [self log: @"Connection lost."];
  _succeeded = NO;
  [self end];
}

- (void) onConnectionTerminated: (NSNotification *) n
{
  [self log: @"Connection terminated."];
  [self end];
}

- (void) onRequestCancelled: (NSNotification *) n
{
  [self end];
}

@end

SecureCheckOutcome RunSecureServerCheck(const SecureCheckRequest &request, const SecureCheckHooks &hooks)
{
  NSAutoreleasePool *pool = [NSAutoreleasePool new];
  SSMTP *check = [[SSMTP alloc] initWithHooks: &hooks];
  SecureGuardedPerform(check, @selector(doCheck:), [NSValue valueWithPointer: &request]);
  [pool release];

  [check runUntilDone: hooks.yield waitReadable: hooks.waitReadable];

  pool = [NSAutoreleasePool new];
  SecureCheckOutcome outcome;
  outcome.succeeded = [check succeeded];
  outcome.timedOut = [check timedOut];
  [check tearDown];
  [check release];
  [pool release];
  return outcome;
}
