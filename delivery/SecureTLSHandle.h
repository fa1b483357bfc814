// SecureTLSHandle: the lifetime of the TLS layer's handle on a conversation's socket.
//
// Pantomime's -startSSL leaves one retain on the handle that nothing ever releases, so each
// secure conversation would keep its TLS handle and session (GnuTLS state, buffers) alive for
// the life of the process, and a release that did come late would close the handle's
// descriptor number, which by then may belong to another file. A conversation therefore keeps
// the handle from its handshake on (SecureKeepTLSHandle) and gives it back once the connection
// is gone (SecureReleaseTLSHandle), together with the references nobody else gives back.
// GUI thread (or a cooperative thread on it), like the connection.
#pragma once

#import <Foundation/NSFileHandle.h>

// Retains the handle for the conversation and returns how many of its references belong to
// no one (the stray ones: those beyond the connection's own).
unsigned int SecureKeepTLSHandle(NSFileHandle *theHandle);

// After the connection has closed its socket and been released: the handle forgets its
// descriptor number, so that its end can close nothing, and the conversation's reference and
// the stray ones are released.
void SecureReleaseTLSHandle(NSFileHandle *theHandle, unsigned int theStrayReferences);
