// Lifetime of the TLS layer's handle (see SecureTLSHandle.h).
#import "SecureTLSHandle.h"

#import <Foundation/NSAutoreleasePool.h>

#include "SecureMessenger.h"

#include <objc/runtime.h>

#include <algorithm>

// The allocation counters of the Foundation library, which its header declares only for
// builds without NDEBUG; the library always has them.
extern "C" BOOL GSDebugAllocationActive(BOOL active);
extern "C" int GSDebugAllocationCount(Class theClass);

// The connection that made the handle holds one reference and releases it when it goes.
static const unsigned int kConnectionReferences = 1;

unsigned int SecureKeepTLSHandle(NSFileHandle *theHandle)
{
  const unsigned int held = (unsigned int)[theHandle retainCount];
  [theHandle retain];
  return held > kConnectionReferences ? held - kConnectionReferences : 0;
}

static void ForgetDescriptor(NSFileHandle *theHandle)
{
  static Ivar descriptor = class_getInstanceVariable([NSFileHandle sslClass], "descriptor");
  if (descriptor != NULL)
    *(int *)((char *)theHandle + ivar_getOffset(descriptor)) = -1;
}

void SecureReleaseTLSHandle(NSFileHandle *theHandle, unsigned int theStrayReferences)
{
  if (theHandle == nil)
    return;
  ForgetDescriptor(theHandle);
  // Never more than the references beyond ours that are still there.
  const unsigned int others = (unsigned int)[theHandle retainCount] - 1;
  for (unsigned int i = std::min(theStrayReferences, others); i > 0; --i)
    [theHandle release];
  [theHandle release];
}

int SecureTLSHandlesAlive()
{
  NSAutoreleasePool *pool = [NSAutoreleasePool new];
  GSDebugAllocationActive(YES);
  const int alive = GSDebugAllocationCount([NSFileHandle sslClass]);
  [pool release];
  return alive;
}
