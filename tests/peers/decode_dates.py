"""Reads RFC 5322 dates, one per line, and prints for each the local Mac time (seconds since
1904-01-01 in the local zone of TZ) of email.utils.parsedate_to_datetime, or "none"."""
import email.utils
import sys
import time

MAC_EPOCH_OFFSET = 2082844800

for line in sys.stdin.read().splitlines():
    try:
        moment = email.utils.parsedate_to_datetime(line)
    except (TypeError, ValueError, IndexError):
        print("none")
        continue
    if moment.tzinfo is None:  # "-0000": Python leaves it naive; it means UTC
        import datetime
        moment = moment.replace(tzinfo=datetime.timezone.utc)
    seconds = int(moment.timestamp())
    print(seconds + time.localtime(seconds).tm_gmtoff + MAC_EPOCH_OFFSET)
