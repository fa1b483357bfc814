#include "MergeFieldRegistry.h"

#include <cstring>

const MergeFieldDefinition kMergeFieldDefinitions[kMergeFieldCount] = {
    {"CurrentIndex", 'cidx'},
    {"ToNameFirst", 'tnmf'},
    {"ToNameLast", 'tnml'},
    {"ToName", 'tnme'},
    {"ToGroup", 'tgrp'},
    {"ToAddress", 'tadr'},
    {"FromNameFirst", 'fnmf'},
    {"FromNameLast", 'fnml'},
    {"FromName", 'fnme'},
    {"FromAddress", 'fadr'},
    {"DateTime", 'datm'},
    {"LongDate", 'lngd'},
    {"ShortDate", 'shtd'},
    {"AbbrevDate", 'abrd'},
    {"Time", 'time'},
    {"Subject", 'sbct'},
    {"DocumentURL", 'dURL'},
    {"DocumentPath", 'dPTH'},
    {"DocumentDisplayName", 'dDSP'},
    {"DocumentFilename", 'dFln'},
    {"AttachmentPosixPath", 'apos'},
    {"AttachmentHFSPath", 'ahfs'},
    {"Content", 'ctnt'},
    {"HomeAddressStreet", 'stre'},
    {"HomeAddressCity", 'city'},
    {"HomeAddressState", 'stat'},
    {"HomeAddressZip", 'zip '},
    {"HomeAddressCountry", 'coun'},
    {"HomeAddressCountryCode", 'couc'},
    {"WorkAddressStreet", 'wstr'},
    {"WorkAddressCity", 'wcit'},
    {"WorkAddressState", 'wsta'},
    {"WorkAddressZip", 'wzip'},
    {"WorkAddressCountry", 'wcou'},
    {"WorkAddressCountryCode", 'wcoc'},
    {"EmailWork", 'ewrk'},
    {"EmailHome", 'ehme'},
    {"PhoneWork", 'work'},
    {"PhoneHome", 'home'},
    {"PhoneMobile", 'mobi'},
    {"PhoneMain", 'main'},
    {"PhoneHomeFax", 'hmef'},
    {"PhoneWorkFax", 'wrkf'},
    {"PhonePager", 'pagr'},
    {"UID", 'uidp'},
    {"DateBirthday", 'brth'},
    {"DateAnniversary", 'aniv'},
    {"RelatedNamesFather", 'fthr'},
    {"RelatedNamesMother", 'mthr'},
    {"RelatedNamesParent", 'prnt'},
    {"RelatedNamesBrother", 'bthr'},
    {"RelatedNamesSister", 'sist'},
    {"RelatedNamesChild", 'chld'},
    {"RelatedNamesFriend", 'frnd'},
    {"RelatedNamesSpouse", 'spse'},
    {"RelatedNamesPartner", 'ptnr'},
    {"RelatedNamesAssistant", 'asit'},
    {"RelatedNamesManager", 'mngr'},
    {"OtherNote", 'note'},
    {"OtherMiddleName", 'mnme'},
    {"OtherPrefix", 'prfx'},
    {"OtherSuffix", 'sffx'},
    {"OtherNickname", 'nick'},
    {"OtherMaidenName", 'maid'},
    {"OtherOrganization", 'orgn'},
    {"OtherJobTitle", 'titl'},
    {"OtherHomePage", 'hpge'},
};

namespace {

// Set once at start-up, before the environment is built; only read afterwards.
const MergeFieldBinding* gBindings = nullptr;
size_t gBindingCount = 0;

}  // namespace

void InstallMergeFieldProcs(const MergeFieldBinding* bindings, size_t count)
{
    gBindings = bindings;
    gBindingCount = bindings != nullptr ? count : 0;
}

MergeFieldProc InstalledMergeFieldProc(const char* name)
{
    if (name == nullptr)
        return nullptr;
    for (size_t i = 0; i < gBindingCount; ++i) {
        if (gBindings[i].name != nullptr && std::strcmp(gBindings[i].name, name) == 0)
            return gBindings[i].proc;
    }
    return nullptr;
}
