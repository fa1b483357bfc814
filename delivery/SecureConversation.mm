// Shared conversation machinery of SMTP and SSMTP (see SecureConversation.h).
#import "SecureConversation.h"
#include "InterfaceAddresses.h"
#import "SecureSMTPConnection.h"
#import "SecureTLSHandle.h"

#import <GNUstepBase/GSTLS.h>
#import <Pantomime/CWTCPConnection.h>

#include <objc/runtime.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstring>

NSString *SecureNSString(const std::string &text)
{
  NSString *string = [[[NSString alloc] initWithBytes: text.data()
                                               length: text.size()
                                             encoding: NSUTF8StringEncoding] autorelease];
  if (string != nil)
    return string;
  return [[[NSString alloc] initWithBytes: text.data()
                                   length: text.size()
                                 encoding: NSISOLatin1StringEncoding] autorelease];
}

std::string SecureStdString(NSString *text)
{
  if (text == nil)
    return std::string();
  const char *bytes = [text UTF8String];
  return bytes ? std::string(bytes) : std::string();
}

// The first IPv4 address of the host as a dotted literal; empty when there is none.
static std::string ResolveIPv4(const std::string &host)
{
  struct addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  struct addrinfo *found = nullptr;
  if (host.empty() || getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
    return std::string();
  char text[INET_ADDRSTRLEN] = {};
  const auto *address = reinterpret_cast<const struct sockaddr_in *>(found->ai_addr);
  inet_ntop(AF_INET, &address->sin_addr, text, sizeof text);
  freeaddrinfo(found);
  return text;
}

@interface SecureConversation (Handshake)
- (BOOL) handshakeOn: (NSFileHandle *) theHandle;
- (void) continueHandshake: (const std::function<void()> &) theYield
              waitReadable: (const SecureWaitReadable &) theWait;
- (BOOL) acceptsCertificateOn: (NSFileHandle *) theHandle;
- (void) forgetCertificateChoice;
- (void) armWatchdog;
@end

// The conversation of each socket whose handshake we start (descriptor → unretained
// conversation), so that the TLS handle's -sslConnect finds the options and deadline of its own.
static NSMutableDictionary *ConversationsByDescriptor()
{
  static NSMutableDictionary *conversations = nil;
  if (conversations == nil)
    conversations = [[NSMutableDictionary alloc] init];
  return conversations;
}

static IMP gOriginalSSLConnect = NULL;

// The runtime keeps every method as a variadic IMP; the casts go through a plain function
// pointer type, which the compiler accepts as a deliberate change of type.
typedef void (*PlainFunction)(void);
typedef BOOL (*SSLConnectFunction)(id, SEL);

// Runs in place of the TLS handle's -sslConnect. The library's own version spins the run loop
// in fixed slices of 10 ms or more between handshake steps, which on a fast server costs more
// than the handshake itself; our conversations drive theirs step by step instead.
static BOOL SecureSSLConnect(id self, SEL _cmd)
{
  NSValue *entry = [ConversationsByDescriptor() objectForKey: [NSNumber numberWithInt: [self fileDescriptor]]];
  SecureConversation *conversation = (SecureConversation *)[entry pointerValue];
  if (conversation == nil)
    return ((SSLConnectFunction)(PlainFunction)gOriginalSSLConnect)(self, _cmd);
  return [conversation handshakeOn: self];
}

static void InstallTLSHandshakeHook()
{
  if (gOriginalSSLConnect != NULL)
    return;
  Class handleClass = [NSFileHandle sslClass];
  Method method = class_getInstanceMethod(handleClass, @selector(sslConnect));
  if (handleClass == Nil || method == NULL)
    return;
  gOriginalSSLConnect = method_getImplementation(method);
  IMP replacement = (IMP)(PlainFunction)SecureSSLConnect;
  if (!class_addMethod(handleClass, @selector(sslConnect), replacement, method_getTypeEncoding(method)))
    method_setImplementation(method, replacement);
}

// The longest single wait for the server's bytes: the idle deadline and the watchdog are
// checked at least this often.
static const int kWaitSliceMilliseconds = 100;

static double Now()
{
  return [NSDate timeIntervalSinceReferenceDate];
}

// Whether the descriptor is readable now (an error or hang-up counts).
static BOOL DescriptorReadable(int descriptor)
{
  struct pollfd entry = { descriptor, POLLIN, 0 };
  return poll(&entry, 1, 0) > 0;
}

// Whether the server's own certificate (the first of the chain it sent) names the host: a DNS
// name, or an IP literal against the certificate's addresses. The TLS layer verifies the chain
// but not the name: without a list of names it checks none, and the list it takes is applied
// the wrong way round (a certificate is accepted when it does not match), so the name is
// checked here, on the completed handshake, before a byte of the conversation goes over it.
static BOOL CertificateNamesHost(NSFileHandle *theHandle, NSString *theHost)
{
  static Ivar sessionSlot = class_getInstanceVariable([NSFileHandle sslClass], "session");
  GSTLSSession *session = sessionSlot != NULL ? (GSTLSSession *)object_getIvar(theHandle, sessionSlot) : nil;
  if (session == nil || [theHost length] == 0)
    return NO;
  unsigned int count = 0;
  const gnutls_datum_t *chain = gnutls_certificate_get_peers(session->session, &count);
  gnutls_x509_crt_t certificate;
  if (chain == NULL || count == 0 || gnutls_x509_crt_init(&certificate) < 0)
    return NO;
  const BOOL names = gnutls_x509_crt_import(certificate, &chain[0], GNUTLS_X509_FMT_DER) >= 0
                     && gnutls_x509_crt_check_hostname(certificate, [theHost UTF8String]) != 0;
  gnutls_x509_crt_deinit(certificate);
  return names;
}

@implementation SecureConversation

- (void) dealloc
{
  [self tearDown];
  [_serverName release];
  [super dealloc];
}

- (BOOL) prepareServer: (const SecureServer &) theServer
{
  _tlsMode = theServer.tlsMode;
  _acceptAnyCertificate = theServer.acceptAnyCertificate;
  _timeout = (unsigned int)SecureTimeoutSeconds(theServer.timeoutSeconds);
  _lastActivity = Now();
  _endBy = theServer.limitMilliseconds > 0 ? Now() + theServer.limitMilliseconds / 1000.0 : 0;
  _tlsDescriptor = -1;
  [_serverName release];
  _serverName = [SecureNSString(theServer.host) copy];
  if (theServer.port == 0)
    {
      [self setStatus: @"invalid port"];
      return NO;
    }
  const std::string address = ResolveIPv4(theServer.host);
  if (address.empty())
    {
      [self setStatus: [NSString stringWithFormat: @"No IPv4 address for the server %@.",
                                 SecureNSString(theServer.host)]];
      return NO;
    }
  _smtp = [[SecureSMTPConnection alloc] initWithName: SecureNSString(address) port: theServer.port];
  [_smtp setDelegate: self];
  [_smtp setConnectionTimeout: _timeout];
  [_smtp setReadTimeout: _timeout];
  [_smtp setWriteTimeout: _timeout];
  return YES;
}

// SMTP is a dialogue of short lines: without TCP_NODELAY a command written right after
// another (EHLO after the TLS handshake's last record) waits for the server's delayed ACK.
- (void) sendWithoutDelay
{
  const int on = 1;
  setsockopt([(CWTCPConnection *)[_smtp connection] fd], IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

- (void) doConnect: (id) unused
{
  if ([_smtp connect] < 0 || ![_smtp isConnected])
    {
      [self setStatus: [NSString stringWithFormat: @"Could not connect to %@ port %u.",
                                 [_smtp name], [_smtp port]]];
      [self finish];
      return;
    }
  [self sendWithoutDelay];
}

- (BOOL) connectServer
{
  _lastActivity = Now();
  [self armWatchdog];
  SecureGuardedPerform(self, @selector(doConnect:), nil);
  _lastActivity = Now();
  return !_done;
}

// Handles whatever the run loop has ready (bytes, writable socket, due timers) without waiting.
- (void) runReady: (id) unused
{
  [[NSRunLoop currentRunLoop] runMode: NSDefaultRunLoopMode beforeDate: [NSDate distantPast]];
}

// The connected socket while the client has nothing left to write; -1 otherwise.
- (int) descriptorToAwait
{
  if (_smtp == nil || ![_smtp isConnected])
    return -1;
  static Ivar writeBuffer = class_getInstanceVariable([CWService class], "_wbuf");
  if (writeBuffer != NULL && [(NSData *)object_getIvar(_smtp, writeBuffer) length] > 0)
    return -1;
  return [(CWTCPConnection *)[_smtp connection] fd];
}

- (void) waitWith: (const std::function<void()> &) theYield waitReadable: (const SecureWaitReadable &) theWait
{
  const int descriptor = theWait ? [self descriptorToAwait] : -1;
  try
    {
      if (descriptor >= 0)
        theWait(descriptor, kWaitSliceMilliseconds);
      else if (theYield)
        theYield();
    }
  catch (...)
    {
      // A wait that throws must not skip the teardown.
    }
}

// Idle for the time-out, or past the conversation's limit.
- (BOOL) deadlinePassed
{
  const double now = Now();
  return now - _lastActivity >= _timeout || (_endBy > 0 && now >= _endBy);
}

- (void) runUntilDone: (const std::function<void()> &) theYield
         waitReadable: (const SecureWaitReadable &) theWait
{
  while (![self waitIsOver])
    {
      if (_handshaking)
        {
          [self continueHandshake: theYield waitReadable: theWait];
          continue;
        }
      NSAutoreleasePool *pool = [NSAutoreleasePool new];
      SecureGuardedPerform(self, @selector(runReady:), nil);
      if (![self waitIsOver] && [self deadlinePassed])
        {
          // The status first: it may quote the server's last reply, which cancelling drops.
          _timedOut = YES;
          [self idleDeadlinePassed];
          if (_smtp != nil)
            [_smtp cancelRequest];
          _done = YES;
        }
      [pool release];
      if (![self waitIsOver])
        [self waitWith: theYield waitReadable: theWait];
    }
}

- (void) tearDown
{
  [self forgetCertificateChoice];
  [_watchdog invalidate];
  [_watchdog release];
  _watchdog = nil;
  if (_smtp == nil)
    return;
  NSAutoreleasePool *pool = [NSAutoreleasePool new];
  [_smtp setDelegate: nil];
  if ([_smtp isConnected])
    [_smtp cancelRequest];
  [_smtp release];
  _smtp = nil;
  // Only now: the connection has closed the socket, ending TLS over it on the way.
  SecureReleaseTLSHandle(_tlsHandle, _tlsStrayReferences);
  _tlsHandle = nil;
  [pool release];
}

// Certificate choice of this server, handed to the TLS handle of its socket when the handshake
// starts. Handshakes of several conversations may overlap, so the verify choice is not a
// process-wide default. The CA bundle is the process's one; the TLS layer reads it from the
// volatile registration domain, so nothing is written to the user's defaults.
- (void) applyCertificateChoice
{
  InstallTLSHandshakeHook();
  NSString *caFile = SecureNSString(SecureCAFile());
  NSUserDefaults *defaults = [NSUserDefaults standardUserDefaults];
  if (![[defaults stringForKey: GSTLSCAFile] isEqual: caFile])
    {
      [defaults registerDefaults: [NSDictionary dictionaryWithObject: caFile forKey: GSTLSCAFile]];
      [[NSNotificationCenter defaultCenter] postNotificationName: NSUserDefaultsDidChangeNotification
                                                          object: defaults];
    }
  id connection = [_smtp connection];
  if (connection == nil)
    return;
  _tlsDescriptor = [connection fd];
  [ConversationsByDescriptor() setObject: [NSValue valueWithPointer: self]
                                  forKey: [NSNumber numberWithInt: _tlsDescriptor]];
}

- (void) forgetCertificateChoice
{
  if (_tlsDescriptor >= 0)
    [ConversationsByDescriptor() removeObjectForKey: [NSNumber numberWithInt: _tlsDescriptor]];
  _tlsDescriptor = -1;
}

// The TLS layer's usual groups in its usual order, but X25519 first: the client's first key
// share is then X25519, which a server offering it takes at a third of P-256's cost. The host
// name we dial goes out as the server name (SNI): a server that answers for several names on
// one address shows the certificate of the one asked for, not its default.
- (NSDictionary *) tlsOptions
{
  NSMutableDictionary *options = [NSMutableDictionary dictionaryWithObjectsAndKeys:
                                    (_acceptAnyCertificate ? @"NO" : @"YES"), GSTLSVerify,
                                    @"NORMAL:-GROUP-ALL:+GROUP-X25519:+GROUP-ALL", GSTLSPriority, nil];
  // An IPv4 or IPv6 address never goes out as a server name.
  if ([_serverName length] > 0 && InterfaceAddresses::AddressFamilyOf(SecureStdString(_serverName)) == 0)
    [options setObject: _serverName forKey: GSTLSServerName];
  return options;
}

// The handshake in non-blocking steps. The first runs here, inside the framework's TLS start
// (a callback of the run loop, with its autorelease pools open, where yielding to another
// cooperative thread that runs the same run loop would interleave both); if the server's bytes
// are not there yet, the framework is told the handshake is under way and -runUntilDone:...
// carries it on outside any callback, waiting for the server's bytes as the rest of the
// conversation does, so the window and the other threads keep running. Until it ends, the
// connection holds the socket's events and no SMTP byte goes out.
- (BOOL) handshakeOn: (NSFileHandle *) theHandle
{
  if (_tlsHandle == nil)
    {
      _tlsStrayReferences = SecureKeepTLSHandle(theHandle);
      _tlsHandle = theHandle;
    }
  [theHandle sslSetOptions: [self tlsOptions]];
  _lastActivity = Now();
  BOOL succeeded = NO;
  if ([theHandle sslHandshakeEstablished: &succeeded outgoing: YES])
    return succeeded && [self acceptsCertificateOn: theHandle];
  _handshaking = YES;
  [(SecureSMTPConnection *)_smtp setHoldsEvents: YES];
  return YES;
}

// One step of the handshake begun in -handshakeOn:; at its end the socket's events go back to
// the connection, or the conversation ends.
- (void) stepHandshake: (id) unused
{
  BOOL succeeded = NO;
  if (![_tlsHandle sslHandshakeEstablished: &succeeded outgoing: YES])
    {
      if (![self deadlinePassed])
        return;
      _timedOut = YES;
    }
  _handshaking = NO;
  [(SecureSMTPConnection *)_smtp setHoldsEvents: NO];
  _lastActivity = Now();
  if (!_timedOut && succeeded && [self acceptsCertificateOn: _tlsHandle])
    return;
  [self tlsHandshakeFailed];
}

- (void) continueHandshake: (const std::function<void()> &) theYield
              waitReadable: (const SecureWaitReadable &) theWait
{
  NSAutoreleasePool *pool = [NSAutoreleasePool new];
  if (!SecureGuardedPerform(self, @selector(stepHandshake:), nil))
    _handshaking = NO;
  [pool release];
  if (!_handshaking || [self waitIsOver])
    return;
  const int descriptor = [_tlsHandle fileDescriptor];
  try
    {
      if (theWait)
        theWait(descriptor, kWaitSliceMilliseconds);
      else if (theYield)
        theYield();
    }
  catch (...)
    {
      // A wait that throws must not skip the teardown.
    }
  if (DescriptorReadable(descriptor))
    _lastActivity = Now();
}

- (BOOL) acceptsCertificateOn: (NSFileHandle *) theHandle
{
  if (_acceptAnyCertificate || CertificateNamesHost(theHandle, _serverName))
    return YES;
  [self setStatus: [NSString stringWithFormat: @"The server's certificate does not name %@.", _serverName]];
  return NO;
}

- (BOOL) isSSL
{
  id connection = [_smtp connection];
  return connection != nil && [connection respondsToSelector: @selector(isSSL)] && [connection isSSL];
}

// TLS handshakes run nested inside the run loop and may block it. A watchdog timer, run by
// that nested loop too, shuts the socket down once the conversation has been idle for the
// time-out, so a stalled handshake fails instead of waiting for the TLS layer's own limit.
- (void) watchdog: (NSTimer *) theTimer
{
  if ([self waitIsOver] || ![self deadlinePassed])
    return;
  _timedOut = YES;
  id connection = [_smtp connection];
  if (connection != nil && [_smtp isConnected])
    shutdown([connection fd], SHUT_RDWR);
}

- (void) armWatchdog
{
  if (_watchdog != nil)
    return;
  _watchdog = [[NSTimer timerWithTimeInterval: 0.25 target: self selector: @selector(watchdog:)
                                     userInfo: nil repeats: YES] retain];
  [[NSRunLoop currentRunLoop] addTimer: _watchdog forMode: NSDefaultRunLoopMode];
}

- (BOOL) startImplicitTLS
{
  [self applyCertificateChoice];
  _tlsStarted = YES;
  const int result = [(CWTCPConnection *)[_smtp connection] startSSL];
  if (!_timedOut)
    _lastActivity = Now();
  return result >= 0 && !_timedOut;
}

- (void) startExplicitTLS
{
  [self applyCertificateChoice];
  _tlsStarted = YES;
  [_smtp startTLS];
}

// A server reply as text (UTF-8, else Latin-1), trimmed; nil for none.
static NSString *ReplyText(NSData *theReply)
{
  if (theReply == nil || [theReply length] == 0)
    return nil;
  NSString *text = [[[NSString alloc] initWithData: theReply encoding: NSUTF8StringEncoding] autorelease];
  if (text == nil)
    text = [[[NSString alloc] initWithData: theReply encoding: NSISOLatin1StringEncoding] autorelease];
  return [text stringByTrimmingCharactersInSet: [NSCharacterSet whitespaceAndNewlineCharacterSet]];
}

- (NSString *) lastResponseText
{
  return ReplyText([_smtp lastResponse]);
}

- (NSString *) replyBeforeHangUp
{
  return ReplyText([(SecureSMTPConnection *)_smtp unparsedRefusal]);
}

- (void) setStatus: (NSString *) theText
{
}

- (void) idleDeadlinePassed
{
}

// As the framework ends a failed STARTTLS handshake: the connection counts as lost.
- (void) tlsHandshakeFailed
{
  if (_tlsMode != ESecureTLSMode::implicitTLS)
    [self connectionLost: nil];
  else
    [self implicitTLSHandshakeFailed];
}

- (void) implicitTLSHandshakeFailed
{
  [self finish];
}

- (void) finish
{
  _done = YES;
}

- (BOOL) waitIsOver
{
  return _done;
}

- (void) guardCaughtException: (NSException *) theException
{
  [self setStatus: [NSString stringWithFormat: @"Error (%@): %@", [theException name], [theException reason]]];
  [self finish];
}

// Every callback and every byte counts as activity; the body runs guarded.
- (void) guard: (SEL) theBody with: (id) theArgument
{
  _lastActivity = Now();
  if (_done || ![self respondsToSelector: theBody])
    return;
  SecureGuardedPerform(self, theBody, theArgument);
}

- (void) connectionEstablished: (NSNotification *) n { [self guard: @selector(onConnectionEstablished:) with: n]; }
- (void) serviceInitialized: (NSNotification *) n { [self guard: @selector(onServiceInitialized:) with: n]; }
- (void) serviceReconnected: (NSNotification *) n { [self guard: @selector(onServiceReconnected:) with: n]; }
- (void) authenticationCompleted: (NSNotification *) n { [self guard: @selector(onAuthenticationCompleted:) with: n]; }
- (void) authenticationFailed: (NSNotification *) n { [self guard: @selector(onAuthenticationFailed:) with: n]; }
- (void) messageSent: (NSNotification *) n { [self guard: @selector(onMessageSent:) with: n]; }
- (void) messageNotSent: (NSNotification *) n { [self guard: @selector(onMessageNotSent:) with: n]; }
- (void) transactionInitiationFailed: (NSNotification *) n { [self guard: @selector(onTransactionFailed:) with: n]; }
- (void) recipientIdentificationFailed: (NSNotification *) n { [self guard: @selector(onTransactionFailed:) with: n]; }
- (void) transactionResetCompleted: (NSNotification *) n { [self guard: @selector(onTransactionResetCompleted:) with: n]; }
- (void) transactionResetFailed: (NSNotification *) n { [self guard: @selector(onTransactionResetFailed:) with: n]; }
- (void) connectionTimedOut: (NSNotification *) n { [self guard: @selector(onConnectionTimedOut:) with: n]; }
- (void) connectionLost: (NSNotification *) n { [self guard: @selector(onConnectionLost:) with: n]; }
- (void) connectionTerminated: (NSNotification *) n { [self guard: @selector(onConnectionTerminated:) with: n]; }
- (void) requestCancelled: (NSNotification *) n { [self guard: @selector(onRequestCancelled:) with: n]; }
- (void) service: (CWService *) theService receivedData: (NSData *) theData
{
  // The reply to STARTTLS starts the handshake right after this call; any conversation may
  // have changed the TLS settings since this one sent the command.
  if (_tlsStarted && ![self isSSL] && [_smtp lastCommand] == SMTP_STARTTLS)
    [self applyCertificateChoice];
  [self guard: @selector(onReceivedData:) with: theData];
}
- (void) service: (CWService *) theService sentData: (NSData *) theData { _lastActivity = Now(); }

@end
