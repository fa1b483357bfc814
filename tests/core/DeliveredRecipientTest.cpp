// Delivery records: defaults, independent copies, reset, and the report's sort.
#include "DeliveredRecipient.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

DeliveredRecipient Named(const char* last)
{
    DeliveredRecipient record;
    record.lastName = QString::fromUtf8(last);
    return record;
}

std::vector<QString> LastNames(const CList<DeliveredRecipient>& list)
{
    std::vector<QString> names;
    list.Rewind();
    while (const DeliveredRecipient* record = list.Next())
        names.push_back(record->lastName);
    return names;
}

}  // namespace

TEST(DeliveredRecipient, DefaultsAndReset)
{
    DeliveredRecipient record;
    EXPECT_EQ(record.sequence, -1);
    EXPECT_EQ(record.recipientIndex, -1);
    EXPECT_EQ(record.errorCode, 0);
    EXPECT_STREQ(record.errorText.text, "None");
    EXPECT_EQ(record.succeeded, 1);
    EXPECT_EQ(record.retries, 0);
    EXPECT_TRUE(record.firstName.isEmpty() && record.lastName.isEmpty() && record.emailAddress.isEmpty());

    record.sequence = 4;
    record.recipientIndex = 9;
    record.retries = 2;
    record.errorCode = -36;
    record.errorText.Assign("Failed (Error code = -36)");
    record.succeeded = 0;
    record.firstName = "Ann";
    record.lastName = "Lee";
    record.emailAddress = "ann@example.org";
    record.Reset();
    EXPECT_EQ(record.sequence, -1);
    EXPECT_EQ(record.recipientIndex, -1);
    EXPECT_EQ(record.retries, 0);
    EXPECT_EQ(record.errorCode, 0);
    EXPECT_STREQ(record.errorText.text, "None");
    EXPECT_EQ(record.succeeded, 1);
    EXPECT_TRUE(record.firstName.isEmpty() && record.lastName.isEmpty() && record.emailAddress.isEmpty());
}

TEST(DeliveredRecipient, CopiesAreIndependent)
{
    DeliveredRecipient source = Named("Lee");
    source.errorText.Assign("Refused");
    DeliveredRecipient copy(source);
    copy.lastName.append("-Smith");
    copy.errorText.Assign("changed");
    EXPECT_EQ(source.lastName, "Lee");
    EXPECT_STREQ(source.errorText.text, "Refused");

    DeliveredRecipient assigned;
    assigned = source;
    assigned.firstName.append("X");
    EXPECT_TRUE(source.firstName.isEmpty());
    DeliveredRecipient& alias = assigned;
    assigned = alias;
    EXPECT_EQ(assigned.lastName, "Lee");

    CList<DeliveredRecipient> list;
    list.Append(source);
    source.lastName = "Changed";
    EXPECT_EQ(LastNames(list), std::vector<QString>{"Lee"});
}

TEST(DeliveredRecipient, SortsByLastNameZToAIgnoringCase)
{
    CList<DeliveredRecipient> list;
    for (const char* name : {"c", "A", "b"})
        list.Append(Named(name));
    SortByLastNameDescending(list);
    EXPECT_EQ(LastNames(list), (std::vector<QString>{"c", "b", "A"}));

    CList<DeliveredRecipient> one;
    one.Append(Named("only"));
    SortByLastNameDescending(one);
    EXPECT_EQ(LastNames(one), std::vector<QString>{"only"});
}
