// Exception handlers of the secure path (plain Objective-C: see SecureGuard.h).
#import "SecureGuard.h"

#import <Foundation/NSException.h>

BOOL SecureGuardedPerform(id<SecureGuarded> theTarget, SEL theSelector, id theArgument)
{
  @try
    {
      [(id)theTarget performSelector: theSelector withObject: theArgument];
      return YES;
    }
  @catch (NSException *exception)
    {
      @try
        {
          [theTarget guardCaughtException: exception];
        }
      @catch (NSException *ignored)
        {
          // Reporting must never raise past this point.
        }
      return NO;
    }
  return NO;
}
