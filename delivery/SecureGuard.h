// SecureGuard: the one place where the secure path catches Objective-C exceptions. GCC's
// Objective-C++ cannot catch an NSException, so the handlers live in plain Objective-C
// (SecureGuard.m) and the Objective-C++ classes call through here. Any thread; no state.
#pragma once

#import <Foundation/NSObject.h>

@class NSException;

@protocol SecureGuarded
// Called with the exception that left the guarded call.
- (void) guardCaughtException: (NSException *) theException;
@end

#ifdef __cplusplus
extern "C" {
#endif

// Sends theSelector (one object argument) to theTarget. An NSException raised inside goes to
// the target's -guardCaughtException: and stops there. YES when nothing was raised.
BOOL SecureGuardedPerform(id<SecureGuarded> theTarget, SEL theSelector, id theArgument);

#ifdef __cplusplus
}
#endif
