// The per-recipient message build: a Message becomes its outgoing mail message — addresses,
// header texts, Message-ID, Date, and the MIME structure of body, plain-text alternative and
// attachment parts — and the Message-ID maker it uses.
//
// Structure (A the plain-text alternative, B the body; an empty text makes no part):
//   no attachments, no A: one part, B with its type and charset (no body when B is empty);
//   no attachments, A: multipart/alternative of A then B;
//   attachments: multipart/related (disposition 3) or multipart/mixed (1, 2) of B — or of a
//   multipart/alternative part holding A and B — then the attachment parts in order.
// Text parts are made CR LF first; "Encode QP" on makes them base64, off leaves them "8bit"
// unless a line is longer than 998 octets (then base64). A whole message source
// ("message/rfc822") keeps its own Content-Type (text/plain when it has none) and
// Content-Transfer-Encoding; only its header lines are unfolded.
//
// Runs on the send thread (or the GUI thread for preview and export); reads the preferences,
// the environment's simulate flag and MessageBuildSources. Fails only for a Message whose
// attachment could not be added: then the mail message carries that error and nothing else.
#pragma once

#include "CText.h"

class CDeliveryWindow;
class CMailMessage;
struct Message;

// "<" + 32 hex digits + "@" + the last two labels of the host (the whole host when it has
// fewer) + ">". Characters a domain cannot hold are dropped; an empty host gives "localhost".
void MakeMessageID(CText& out, const CText& host);

// Fills `mail` from the Message for the window; false (with mail.buildError and its text) when
// the Message carries an attachment failure.
bool BuildSendJobMessage(CDeliveryWindow& window, const Message& message, CMailMessage& mail);
