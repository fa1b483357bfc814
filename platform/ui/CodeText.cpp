#include "CodeText.h"

std::optional<FourCharCode> CodeText::FromText(const QString& inText)
{
    if (inText.size() != 4)
        return std::nullopt;
    FourCharCode code = 0;
    for (const QChar c : inText) {
        if (c.unicode() > 0xFF)
            return std::nullopt;
        code = (code << 8) | c.unicode();
    }
    return code;
}

QString CodeText::ToText(FourCharCode inCode) { return QString::fromLatin1(FourCharText(inCode).text, 4); }

QString CodeText::ControlName(OSType inSignature, SInt32 inID)
{
    QString signature = ToText(inSignature);
    signature.replace(QLatin1Char(' '), QLatin1Char('_'));
    return signature + QLatin1Char(':') + QString::number(inID);
}

QString CodeText::PaneName(PaneIDT inID)
{
    const FourCharCode code = FourCharCode(inID);
    const bool printable = code > 0xFFFFFF && [&] {
        for (int shift = 24; shift >= 0; shift -= 8) {
            const char c = char(code >> shift);
            if (c < 0x20 || c > 0x7E)
                return false;
        }
        return true;
    }();
    if (printable)
        return QStringLiteral("pane:'%1'").arg(ToText(code));
    return QStringLiteral("pane:%1").arg(inID);
}

CommandT CodeText::ParseCommand(const QVariant& inValue)
{
    if (!inValue.isValid())
        return 0;
    if (inValue.typeId() == QMetaType::Int || inValue.typeId() == QMetaType::UInt
        || inValue.typeId() == QMetaType::LongLong)
        return CommandT(inValue.toLongLong());
    const QString text = inValue.toString();
    if (const auto code = FromText(text))
        return CommandT(*code);
    bool ok = false;
    const int number = text.toInt(&ok);
    return ok ? number : 0;
}
