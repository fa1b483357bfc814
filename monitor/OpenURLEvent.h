// SendOpenURLEvent: asks this program to open a URL, as a get-URL event from outside would - the
// event reaches the application's handler on the GUI thread's main context, after the caller
// has gone on (from any OS thread). An empty text is sent as it is; the handler ignores it.
#pragma once

#include <QString>

void SendOpenURLEvent(const QString& urlText);
