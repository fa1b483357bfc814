#include "ContactsRecord.h"

namespace {

QString NonEmptyOrNull(const QString& inText) { return inText.isEmpty() ? QString() : inText; }

// TYPE values that say nothing of what kind of address or number it is.
bool IsNeutralType(const QString& inType)
{
    return inType == "pref" || inType == "internet" || inType == "voice" || inType == "x400";
}

QString PhoneLabel(const QStringList& inTypes)
{
    const bool fax = inTypes.contains("fax");
    if (fax && inTypes.contains("home"))
        return kContactsHomeFaxLabel;
    if (fax && inTypes.contains("work"))
        return kContactsWorkFaxLabel;
    if (inTypes.contains("cell"))
        return kContactsMobileLabel;
    if (inTypes.contains("main"))
        return kContactsMainLabel;
    if (inTypes.contains("pager"))
        return kContactsPagerLabel;
    return QString();
}

QString LabelOf(const VCard& inCard, const VCardProperty& inProperty)
{
    if (const VCardProperty* custom = inCard.FindInGroup(inProperty.group, "X-ABLABEL"))
        return custom->Text();
    const QStringList types = inProperty.Types();
    if (inProperty.name == "TEL") {
        if (const QString label = PhoneLabel(types); !label.isEmpty())
            return label;
    }
    if (types.contains("home"))
        return kContactsHomeLabel;
    if (types.contains("work"))
        return kContactsWorkLabel;
    // Another type keeps its spelling as written.
    for (const QString& written : inProperty.ParameterValues("TYPE")) {
        if (!IsNeutralType(written.toLower()))
            return written;
    }
    return kContactsOtherLabel;
}

bool IsPreferred(const VCardProperty& inProperty)
{
    return inProperty.Types().contains("pref") || !inProperty.ParameterValues("PREF").isEmpty();
}

ContactsValue MakeValue(const VCard& inCard, const VCardProperty& inProperty, int inIdentifier)
{
    ContactsValue value{inIdentifier, LabelOf(inCard, inProperty), inProperty.Text(), {}};
    if (inProperty.name == "ADR") {
        const QStringList components = inProperty.Components();
        for (int part = 2; part <= 6; ++part)
            value.addressParts.append(part < components.size() ? components[part] : QString());
        const QStringList codes = inProperty.ParameterValues("X-COUNTRYCODE");
        value.addressParts.append(codes.isEmpty() ? QString() : codes.first());
        value.value = value.addressParts.first();
    }
    return value;
}

} // namespace

bool ContactsRecord::IsGroup() const
{
    for (const char* name : {"KIND", "X-ADDRESSBOOKSERVER-KIND"}) {
        if (const VCardProperty* kind = mCard.Find(name); kind && kind->Text().compare("group", Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString ContactsRecord::UID() const { return NonEmptyOrNull(Text("UID")); }

QString ContactsRecord::GroupName() const { return NonEmptyOrNull(Text("FN")); }

QString ContactsRecord::NamePart(int inIndex) const
{
    const VCardProperty* name = mCard.Find("N");
    if (!name)
        return QString();
    const QStringList parts = name->Components();
    return inIndex < parts.size() ? NonEmptyOrNull(parts[inIndex]) : QString();
}

QString ContactsRecord::Organization() const
{
    const VCardProperty* organization = mCard.Find("ORG");
    return organization ? NonEmptyOrNull(organization->Components().first()) : QString();
}

QString ContactsRecord::Text(const QString& inProperty) const
{
    const VCardProperty* property = mCard.Find(inProperty);
    return property ? property->Text() : QString();
}

ContactsMultiValue ContactsRecord::MultiValue(const QString& inProperty) const
{
    ContactsMultiValue multiValue;
    bool primaryFound = false;
    auto add = [&](const VCardProperty& property, const QString& label) {
        ContactsValue value = MakeValue(mCard, property, int(multiValue.values.size()));
        if (!label.isEmpty())
            value.label = label;
        if (!primaryFound && IsPreferred(property)) {
            multiValue.primaryIdentifier = value.identifier;
            primaryFound = true;
        }
        multiValue.values.push_back(std::move(value));
    };
    if (inProperty == "X-DATE") {
        if (const VCardProperty* anniversary = mCard.Find("ANNIVERSARY"))
            add(*anniversary, kContactsAnniversaryLabel);
    }
    for (const VCardProperty* property : mCard.FindAll(inProperty))
        add(*property, QString());
    return multiValue;
}

QStringList ContactsRecord::Categories() const
{
    QStringList names;
    for (const VCardProperty* categories : mCard.FindAll("CATEGORIES")) {
        for (const QString& name : categories->ListItems()) {
            if (!name.trimmed().isEmpty())
                names.append(name.trimmed());
        }
    }
    return names;
}
