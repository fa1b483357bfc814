// The merge-field registry as the environment builds it: 67 fields in registration order in both
// maps, every name and code as listed, lookups that miss, and installed value functions.
#include "CEnvironment.h"

#include "EnvironmentTestSupport.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <string>
#include <utility>
#include <vector>

namespace {

// The fields and codes as the registry's documentation lists them, in order.
const char kListedFields[] =
    "CurrentIndex 'cidx'; ToNameFirst 'tnmf'; ToNameLast 'tnml'; ToName 'tnme'; ToGroup 'tgrp'; "
    "ToAddress 'tadr'; FromNameFirst 'fnmf'; FromNameLast 'fnml'; FromName 'fnme'; "
    "FromAddress 'fadr'; DateTime 'datm'; LongDate 'lngd'; ShortDate 'shtd'; AbbrevDate 'abrd'; "
    "Time 'time'; Subject 'sbct'; DocumentURL 'dURL'; DocumentPath 'dPTH'; "
    "DocumentDisplayName 'dDSP'; DocumentFilename 'dFln'; AttachmentPosixPath 'apos'; "
    "AttachmentHFSPath 'ahfs'; Content 'ctnt'; HomeAddressStreet 'stre'; HomeAddressCity 'city'; "
    "HomeAddressState 'stat'; HomeAddressZip 'zip '; HomeAddressCountry 'coun'; "
    "HomeAddressCountryCode 'couc'; WorkAddressStreet 'wstr'; WorkAddressCity 'wcit'; "
    "WorkAddressState 'wsta'; WorkAddressZip 'wzip'; WorkAddressCountry 'wcou'; "
    "WorkAddressCountryCode 'wcoc'; EmailWork 'ewrk'; EmailHome 'ehme'; PhoneWork 'work'; "
    "PhoneHome 'home'; PhoneMobile 'mobi'; PhoneMain 'main'; PhoneHomeFax 'hmef'; "
    "PhoneWorkFax 'wrkf'; PhonePager 'pagr'; UID 'uidp'; DateBirthday 'brth'; "
    "DateAnniversary 'aniv'; RelatedNamesFather 'fthr'; RelatedNamesMother 'mthr'; "
    "RelatedNamesParent 'prnt'; RelatedNamesBrother 'bthr'; RelatedNamesSister 'sist'; "
    "RelatedNamesChild 'chld'; RelatedNamesFriend 'frnd'; RelatedNamesSpouse 'spse'; "
    "RelatedNamesPartner 'ptnr'; RelatedNamesAssistant 'asit'; RelatedNamesManager 'mngr'; "
    "OtherNote 'note'; OtherMiddleName 'mnme'; OtherPrefix 'prfx'; OtherSuffix 'sffx'; "
    "OtherNickname 'nick'; OtherMaidenName 'maid'; OtherOrganization 'orgn'; OtherJobTitle 'titl'; "
    "OtherHomePage 'hpge';";

std::vector<std::pair<std::string, unsigned long>> ListedFields()
{
    std::vector<std::pair<std::string, unsigned long>> fields;
    const QRegularExpression item(QStringLiteral(R"((\w+) '(....)')"));
    auto matches = item.globalMatch(QString::fromLatin1(kListedFields));
    while (matches.hasNext()) {
        const auto match = matches.next();
        const QByteArray code = match.captured(2).toLatin1();
        const unsigned long number = (uchar(code[0]) << 24) | (uchar(code[1]) << 16) | (uchar(code[2]) << 8) | uchar(code[3]);
        fields.emplace_back(match.captured(1).toStdString(), number);
    }
    return fields;
}

struct ProcCall {
    int calls = 0;
    UInt8 flag = 0xFF;
    CBrevantoWindow* window = nullptr;
};
ProcCall gCall;

void RecordingProc(UInt8 flag, CBrevantoWindow* window, CText& out)
{
    ++gCall.calls;
    gCall.flag = flag;
    gCall.window = window;
    out.Assign("recorded");
}

class MergeFieldRegistry : public EnvironmentTest {};

}  // namespace

TEST_F(MergeFieldRegistry, BothMapsHoldTheListedFieldsInOrder)
{
    const auto listed = ListedFields();
    ASSERT_EQ(listed.size(), kMergeFieldCount);
    CEnvironment environment;
    ASSERT_EQ(environment.mergeFieldsByName.Count(), 67);
    ASSERT_EQ(environment.mergeFieldNamesByCode.Count(), 67);

    size_t i = 0;
    environment.mergeFieldsByName.links.Rewind();
    while (auto** entry = environment.mergeFieldsByName.links.Next())
        EXPECT_STREQ((*entry)->key.text, listed[i++].first.c_str());
    i = 0;
    environment.mergeFieldNamesByCode.links.Rewind();
    while (auto** entry = environment.mergeFieldNamesByCode.links.Next()) {
        EXPECT_EQ((*entry)->key, listed[i].second) << listed[i].first;
        EXPECT_STREQ((*entry)->value.text, listed[i].first.c_str());
        ++i;
    }
    for (const auto& [name, code] : listed) {
        ASSERT_NE(environment.FindMergeFieldName(code), nullptr) << name;
        EXPECT_STREQ(environment.FindMergeFieldName(code)->text, name.c_str());
        EXPECT_NE(environment.mergeFieldsByName.Find(CString256(name.c_str())), nullptr) << name;
    }
}

TEST_F(MergeFieldRegistry, LookupsAreExact)
{
    CEnvironment environment;
    EXPECT_EQ(environment.mergeFieldsByName.Find(CString256("tonamefirst")), nullptr);
    ASSERT_NE(environment.FindMergeFieldName('zip '), nullptr);
    EXPECT_STREQ(environment.FindMergeFieldName('zip ')->text, "HomeAddressZip");
    EXPECT_EQ('zip ', 0x7A697020);
    EXPECT_EQ(environment.FindMergeFieldName('zip'), nullptr);  // three letters: another number
}

TEST_F(MergeFieldRegistry, InstalledFunctionsAreBoundByNameAndOthersAreNull)
{
    const MergeFieldBinding bindings[] = {{"ToNameFirst", &RecordingProc}, {"NoSuchField", &RecordingProc}};
    InstallMergeFieldProcs(bindings, 2);
    CEnvironment environment;
    InstallMergeFieldProcs(nullptr, 0);

    MergeFieldProc proc = environment.FindMergeField("ToNameFirst");
    ASSERT_EQ(proc, &RecordingProc);
    CText out("old");
    auto* window = reinterpret_cast<CBrevantoWindow*>(0x1234);
    gCall = {};
    proc(1, window, out);
    EXPECT_EQ(gCall.calls, 1);
    EXPECT_EQ(gCall.flag, 1);
    EXPECT_EQ(gCall.window, window);
    EXPECT_STREQ(out.buffer, "recorded");

    EXPECT_EQ(environment.FindMergeField("ToNameLast"), nullptr);  // registered, no function
    EXPECT_NE(environment.mergeFieldsByName.Find(CString256("ToNameLast")), nullptr);
    EXPECT_EQ(environment.FindMergeField("NoSuchField"), nullptr);
}
