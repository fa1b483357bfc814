// The framework's connection with an 8-bit body declaration (see SecureSMTPConnection.h).
#import "SecureSMTPConnection.h"

#include <cstdarg>

@implementation SecureSMTPConnection

- (void) setDeclares8BitBody: (BOOL) theFlag
{
  _declares8BitBody = theFlag;
}

- (void) setHoldsEvents: (BOOL) theFlag
{
  _holdsEvents = theFlag;
}

- (void) receivedEvent: (void *) theData
                  type: (RunLoopEventType) theType
                 extra: (void *) theExtra
               forMode: (NSString *) theMode
{
  if (_holdsEvents)
    return;
  [super receivedEvent: theData type: theType extra: theExtra forMode: theMode];
}

- (void) updateRead
{
  _bytesBeforeRead = [_rbuf length];
  [super updateRead];
  // Between passes nothing read counts as unparsed.
  _bytesBeforeRead = [_rbuf length];
}

- (NSData *) unparsedRefusal
{
  const char *bytes = (const char *)[_rbuf bytes];
  const NSUInteger first = MIN(_bytesBeforeRead, [_rbuf length]);
  NSUInteger whole = [_rbuf length];
  while (whole > first && bytes[whole - 1] != '\n')
    --whole;
  if (whole == first)
    return nil;
  NSUInteger start = whole - 1;
  while (start > first && bytes[start - 1] != '\n')
    --start;
  if (bytes[start] != '4' && bytes[start] != '5')
    return nil;
  return [NSData dataWithBytes: bytes + start length: whole - start];
}

// Every command the framework sends passes here; the MAIL command gets the BODY parameter.
- (void) sendCommand: (SMTPCommand) theCommand arguments: (NSString *) theFormat, ...
{
  va_list arguments;
  va_start(arguments, theFormat);
  NSString *text = [[NSString alloc] initWithFormat: theFormat arguments: arguments];
  va_end(arguments);
  if (theCommand == SMTP_MAIL && _declares8BitBody)
    {
      NSString *declared = [text stringByAppendingString: @" BODY=8BITMIME"];
      [text release];
      text = [declared retain];
    }
  [super sendCommand: theCommand arguments: @"%@", text];
  [text release];
}

@end

BOOL SecureHolds8BitData(const std::string &theData)
{
  for (const unsigned char c : theData)
    {
      if (c > 0x7F)
        return YES;
    }
  return NO;
}
