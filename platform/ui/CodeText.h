// CodeText: four-character codes as the nibs write them. A control name is "SIG:n" with every
// blank of the signature written as "_" ('CC  ' 0 → "CC__:0"); a command property holds the
// four characters themselves (blanks kept) or one of the framework's small numbers. Pure
// functions; any thread.
#pragma once

#include "UITypes.h"

#include <QString>
#include <QVariant>

#include <optional>

class CodeText {
public:
    // The four characters as a code; nullopt unless exactly four Latin-1 characters.
    static std::optional<FourCharCode> FromText(const QString& inText);
    static QString ToText(FourCharCode inCode);

    static QString ControlName(OSType inSignature, SInt32 inID);
    static QString ControlName(const ControlID& inID) { return ControlName(inID.signature, inID.id); }
    // The name of a pane of a resource-ID window: "pane:1", "pane:'VERS'".
    static QString PaneName(PaneIDT inID);

    // A command property: four characters or a decimal number; 0 when absent or malformed.
    static CommandT ParseCommand(const QVariant& inValue);
};
