// SecureConversation: what SMTP and SSMTP share as delegates of one CWSMTP connection. It owns
// the connection (manual retain/release), resolves the server to an IPv4 literal and connects
// with the blocking -connect, starts TLS (STARTTLS or implicit) with the server's certificate
// choice applied just before, notes every callback and byte as activity, spins the run loop
// until the conversation is done or idle for the time-out, and tears the connection down
// afterwards, never inside a callback.
//
// Each delegate callback runs its subclass body (-onXxx:) through SecureGuardedPerform, so an
// NSException there becomes the status "Error (name): reason" and ends the conversation; the
// bodies catch C++ exceptions themselves. GUI thread (or a cooperative thread on it) only.
#pragma once

#import <Foundation/Foundation.h>
#import <Pantomime/CWSMTP.h>

#import "SecureGuard.h"
#include "SecureMessenger.h"

#include <functional>
#include <string>

NSString *SecureNSString(const std::string &text);   // UTF-8, else ISO Latin 1
std::string SecureStdString(NSString *text);          // UTF-8; "" for nil

@interface SecureConversation : NSObject <SecureGuarded>
{
  @protected
    CWSMTP *_smtp;
    BOOL _done;
    BOOL _timedOut;
    BOOL _tlsStarted;
    ESecureTLSMode _tlsMode;
    BOOL _acceptAnyCertificate;
    unsigned int _timeout;
    double _lastActivity;
    double _endBy;  // 0: no limit but the idle time-out
    NSTimer *_watchdog;
    int _tlsDescriptor;
    NSFileHandle *_tlsHandle;
    unsigned int _tlsStrayReferences;
    BOOL _handshaking;
    NSString *_serverName;
}

// Makes the connection object for the server (nil and a status on failure: bad port, no IPv4
// address). The caller connects with -connectServer.
- (BOOL) prepareServer: (const SecureServer &) theServer;
- (BOOL) connectServer;
// Runs the run loop until -waitIsOver (the conversation is done) or idle for the time-out,
// waiting for the socket's readiness between passes (see SecureMessenger.h). A TLS handshake
// begun in a callback is carried on from here, step by step with the same waits.
- (void) runUntilDone: (const std::function<void()> &) theYield
         waitReadable: (const SecureWaitReadable &) theWait;
- (void) tearDown;

// TLS steps for the subclasses: YES when the handshake was started (or done).
- (BOOL) startImplicitTLS;
- (void) startExplicitTLS;
- (BOOL) isSSL;
- (NSString *) lastResponseText;
// The server's reply that came with its hang-up and that the framework has not parsed (nil: none).
- (NSString *) replyBeforeHangUp;

// For the subclasses to override.
- (void) setStatus: (NSString *) theText;
// The TLS handshake failed or timed out (_timedOut): the conversation ends, after STARTTLS as
// a lost connection, with implicit TLS as -implicitTLSHandshakeFailed says.
- (void) tlsHandshakeFailed;
- (void) implicitTLSHandshakeFailed;
- (void) idleDeadlinePassed;
- (void) finish;
// What -runUntilDone:waitReadable: runs until: the end of the conversation unless overridden.
- (BOOL) waitIsOver;
@end
