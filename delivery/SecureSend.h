// SecureSend: one built CMailMessage handed to the secure road — its source bytes as written,
// its envelope (From's address; To, Cc and Bcc, Bcc included) — with the window's server
// settings. The send thread and the batch sender share it. True when the server took it;
// otherwise errorText holds the last status. The send thread (a cooperative thread).
#pragma once

#include "CMailMessage.h"
#include "CText.h"

class CDeliveryWindow;

bool SendMailSecurely(CMailMessage& mail, CDeliveryWindow& window, CText& errorText);
