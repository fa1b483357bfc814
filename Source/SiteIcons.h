// SiteIcons: the icon of a web page's site, shown beside the mailing window's source field,
// and the making of an icon of four sizes (16, 32, 48, 128 pixels) from a picture.
//
// GetSiteIcon answers at once and never waits on the network: a site seen before gives its
// icon from the program-wide cache; a new one gives the default Internet-location icon while a
// cooperative thread fetches "http://host[:port]/favicon.ico", else the icon a link element
// of the page's head names, and then caches the result (the default when neither loads) and
// redraws the site well of every mailing window still showing that address. Each site costs
// at most one favicon request and one page download per run; an address in flight is never
// fetched twice. Only "http://" addresses have a site icon.
// GUI thread (and its cooperative threads) only. What can fail: nothing is reported; failures
// give the default icon, or none from the Make functions.
#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

// The icon of the page's site (see above); null for an address not beginning with "http://".
QIcon GetSiteIcon(const QString& inPageURL);
// The icon of a picture fitted into each of the four squares, centred, with transparent bands;
// null for a null image.
QIcon MakeIconFromImage(const QImage& inImage);
// The icon of a picture file, or of an .icns file (any case) with its own sizes; null for
// anything else (movies included: there is no decoder for their posters).
QIcon MakeIconFromFile(const QString& inPath);

// True while the icon of that address is being fetched.
bool IsFetchingSiteIcon(const QString& inPageURL);
// Forgets every cached site icon (tests; the cache otherwise lives as long as the program).
void ForgetSiteIcons();
