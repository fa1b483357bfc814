// MailingWindowDrops: what the mailing window does with drags. One item only is accepted: text
// (an address or path), an existing file or folder, or vCard data. Its target fields highlight
// while an acceptable drag is over them (inset by one pixel); a drop acts on the field of the
// receiving window that holds the drop point:
//   sender name or e-mail: a vCard's name and address (by the sender address type);
//   add-recipient fields: its first name, last name and address;
//   Cc, Bcc, Return-Path, Reply-To: "Name <address>" (or the bare address) in that field;
//   source field: a folder's visible files become attachments (or the folder itself when
//     folders travel zipped); a file becomes the source (a web location file: its address),
//     its name the subject; dropped text becomes the source, and, for a web page served as
//     HTML, its title the subject once fetched on a thread the window adopts.
// Failures end a drop quietly. GUI thread only.
#pragma once

#include "DragLayer.h"

// Installs the tracking and receive handlers on one of the mailing window's nib windows
// ("Mailer", "AddRecipient", "OtherOptions"), whose reference constant is the mailing window.
OSStatus InstallMailingWindowDragHandlers(WindowRef inWindow);
OSErr MailingWindowDragTracking(DragTrackingMessage inMessage, WindowRef inWindow, DragRef& inDrag);
OSErr MailingWindowDragReceive(WindowRef inWindow, DragRef& inDrag);

bool IsAcceptableMailingDrag(DragRef& inDrag);
// True when the item's file flavour names an existing file or folder.
bool IsExistingHFSItemDrag(DragRef& inDrag, UInt16 inItem);
// The drag's vCard data; null when it has none.
QByteArray CopyDragVCardData(DragRef& inDrag);
