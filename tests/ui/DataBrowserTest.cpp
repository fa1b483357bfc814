// The Data Browser over its callbacks: item IDs, cells, editing, sorting, notifications,
// selection order and the user state.
#include "UiTestSupport.h"

#include "CFPropertyList.h"
#include "ControlLookup.h"
#include "DataBrowser.h"

#include <QHeaderView>

namespace {
class DataBrowserTest : public NibTest {
protected:
    void SetUp() override
    {
        NibTest::SetUp();
        QWidget* window = Load(QStringLiteral("Main"));
        mBrowser = qobject_cast<DataBrowser*>(ControlLookup::FindControl(window, 'CNTL', 7));
        ASSERT_NE(mBrowser, nullptr);
        DataBrowserCallbacks callbacks;
        callbacks.itemData = [this](DataBrowser*, DataBrowserItemID item, DataBrowserPropertyID property,
                                    DataBrowserItemData& data, bool set) -> OSStatus {
            if (item < 1 || item > mNames.size())
                return errDataBrowserItemNotFound;
            auto& name = mNames[item - 1];
            switch (property) {
            case 'name':
                if (set)
                    name = data.text;
                else
                    data.text = name;
                return noErr;
            case 'indx': data.text = QString::number(item); return noErr;
            case 'send':
                if (set)
                    mSendFlags[item - 1] = data.value;
                else
                    data.value = mSendFlags[item - 1];
                return noErr;
            case kDataBrowserItemIsEditableProperty: data.boolean = item != 2; return noErr;
            default: return errDataBrowserPropertyNotSupported;
            }
        };
        callbacks.compare = [this](DataBrowser*, DataBrowserItemID a, DataBrowserItemID b, DataBrowserPropertyID) {
            return mNames[a - 1] < mNames[b - 1];
        };
        callbacks.notification = [this](DataBrowser*, DataBrowserItemID item, UInt32 message) {
            mMessages.emplace_back(item, message);
        };
        mBrowser->SetCallbacks(callbacks);
        ASSERT_EQ(mBrowser->AddItems(UInt32(mNames.size())), noErr);
    }

    QModelIndex Cell(int row, DataBrowserPropertyID property) const
    {
        return mBrowser->Model()->index(row, mBrowser->Model()->ColumnOf(property));
    }

    DataBrowser* mBrowser = nullptr;
    std::vector<QString> mNames{QStringLiteral("carol"), QStringLiteral("alice"), QStringLiteral("bob")};
    std::vector<SInt32> mSendFlags{1, 0, 1};
    std::vector<std::pair<DataBrowserItemID, UInt32>> mMessages;
};
} // namespace

TEST_F(DataBrowserTest, ItemsAreNumberedFromOneAndCellsComeFromTheCallback)
{
    EXPECT_EQ(mBrowser->Model()->Items(), (std::vector<DataBrowserItemID>{1, 2, 3}));
    EXPECT_EQ(mBrowser->Model()->columnCount(), 3);
    EXPECT_EQ(mBrowser->Model()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Name"));
    EXPECT_EQ(Cell(0, 'name').data().toString(), QStringLiteral("carol"));
    EXPECT_EQ(Cell(2, 'indx').data().toString(), QStringLiteral("3"));
    EXPECT_EQ(Cell(1, 'send').data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));

    ASSERT_TRUE(mBrowser->Model()->setData(Cell(1, 'send'), int(Qt::Checked), Qt::CheckStateRole));
    ASSERT_TRUE(mBrowser->Model()->setData(Cell(0, 'name'), QStringLiteral("dave"), Qt::EditRole));
    EXPECT_EQ(mSendFlags[1], 1);
    EXPECT_EQ(mNames[0], QStringLiteral("dave"));
}

TEST_F(DataBrowserTest, EditabilityNeedsAnEditableColumnAndAWillingItem)
{
    EXPECT_TRUE(mBrowser->Model()->flags(Cell(0, 'name')) & Qt::ItemIsEditable);
    EXPECT_FALSE(mBrowser->Model()->flags(Cell(1, 'name')) & Qt::ItemIsEditable); // item 2 refuses
    EXPECT_FALSE(mBrowser->Model()->flags(Cell(0, 'indx')) & Qt::ItemIsEditable); // column not editable
    EXPECT_TRUE(mBrowser->Model()->flags(Cell(0, 'send')) & Qt::ItemIsUserCheckable);
}

TEST_F(DataBrowserTest, SortingFollowsTheCompareCallbackBothWays)
{
    ASSERT_EQ(mBrowser->SetSortProperty('name'), noErr);
    EXPECT_EQ(mBrowser->Model()->Items(), (std::vector<DataBrowserItemID>{2, 3, 1}));
    ASSERT_EQ(mBrowser->SetSortOrder(kDataBrowserOrderDecreasing), noErr);
    EXPECT_EQ(mBrowser->Model()->Items(), (std::vector<DataBrowserItemID>{1, 3, 2}));
    EXPECT_EQ(mBrowser->SetSortProperty('zzzz'), errDataBrowserPropertyNotFound);
}

TEST_F(DataBrowserTest, SelectionComesBackInViewOrderAndDoubleClickIsMessageSeven)
{
    ASSERT_EQ(mBrowser->SetSortProperty('name'), noErr); // view order 2, 3, 1
    mBrowser->SetSelectedItems({1, 2}, DataBrowserSetOption::assign);
    EXPECT_EQ(mBrowser->GetSelectedItems(), (std::vector<DataBrowserItemID>{2, 1}));
    mBrowser->SetSelectedItems({2, 3}, DataBrowserSetOption::toggle);
    EXPECT_EQ(mBrowser->GetSelectedItems(), (std::vector<DataBrowserItemID>{3, 1}));
    EXPECT_NE(std::find(mMessages.begin(), mMessages.end(), std::make_pair(DataBrowserItemID(3), UInt32(kDataBrowserItemSelected))),
              mMessages.end());
    EXPECT_EQ(mMessages.back(), std::make_pair(DataBrowserItemID(0), UInt32(kDataBrowserSelectionSetChanged)));

    mMessages.clear();
    emit mBrowser->doubleClicked(Cell(0, 'name'));
    EXPECT_EQ(mMessages, (std::vector<std::pair<DataBrowserItemID, UInt32>>{{2, kDataBrowserItemDoubleClicked}}));

    mBrowser->SelectNone();
    EXPECT_TRUE(mBrowser->GetSelectedItems().empty());
    EXPECT_EQ(mBrowser->RevealItem(9, 'name', true), errDataBrowserItemNotFound);
}

TEST_F(DataBrowserTest, UserStateRoundTripsAndAMalformedOneChangesNothing)
{
    ASSERT_EQ(mBrowser->SetColumnWidth('name', 140), noErr);
    ASSERT_EQ(mBrowser->SetSortProperty('name'), noErr);
    ASSERT_EQ(mBrowser->SetSortOrder(kDataBrowserOrderDecreasing), noErr);
    mBrowser->header()->moveSection(2, 0); // 'name' first
    const CFPropertyList saved = mBrowser->GetUserState();

    // A fresh look: other widths, order and sort; then the saved state comes back whole.
    mBrowser->header()->moveSection(0, 2);
    mBrowser->SetColumnWidth('name', 60);
    mBrowser->SetSortProperty('indx');
    mBrowser->SetSortOrder(kDataBrowserOrderIncreasing);
    ASSERT_EQ(mBrowser->SetUserState(saved), noErr);
    EXPECT_EQ(mBrowser->GetUserState(), saved);
    EXPECT_EQ(mBrowser->ColumnOrder().front(), DataBrowserPropertyID('name'));

    CFPropertyList::Dictionary badEntry;
    badEntry.insert(QStringLiteral("property"), CFPropertyList(QStringLiteral("name")));
    badEntry.insert(QStringLiteral("width"), CFPropertyList(10));
    CFPropertyList::Dictionary withBadColumn = saved.ToDictionary();
    withBadColumn.insert(QStringLiteral("columns"), CFPropertyList(CFPropertyList::Array{CFPropertyList(badEntry)}));
    CFPropertyList::Dictionary withBadSort = saved.ToDictionary();
    withBadSort.insert(QStringLiteral("sortOrder"), CFPropertyList(QStringLiteral("down")));
    CFPropertyList::Dictionary columnsNotArray = saved.ToDictionary();
    columnsNotArray.insert(QStringLiteral("columns"), CFPropertyList(3));
    for (const CFPropertyList& malformed :
         {CFPropertyList(QStringLiteral("state")), CFPropertyList(CFPropertyList::Array{}),
          CFPropertyList(withBadColumn), CFPropertyList(withBadSort), CFPropertyList(columnsNotArray)}) {
        EXPECT_EQ(mBrowser->SetUserState(malformed), paramErr);
        EXPECT_EQ(mBrowser->GetUserState(), saved);
    }

    // Unknown columns are passed over; the rest applies.
    CFPropertyList::Dictionary unknownColumn;
    unknownColumn.insert(QStringLiteral("property"), CFPropertyList(qint64('gone')));
    unknownColumn.insert(QStringLiteral("width"), CFPropertyList(50));
    CFPropertyList::Dictionary partial;
    partial.insert(QStringLiteral("columns"), CFPropertyList(CFPropertyList::Array{CFPropertyList(unknownColumn)}));
    partial.insert(QStringLiteral("sortOrder"), CFPropertyList(int(kDataBrowserOrderIncreasing)));
    EXPECT_EQ(mBrowser->SetUserState(CFPropertyList(partial)), noErr);
    EXPECT_EQ(mBrowser->GetSortOrder(), kDataBrowserOrderIncreasing);
}

TEST_F(DataBrowserTest, WidthLimitsHoldAgainstTheUser)
{
    ASSERT_EQ(mBrowser->SetColumnWidthLimits('indx', 20, 40), noErr);
    mBrowser->header()->resizeSection(mBrowser->Model()->ColumnOf('indx'), 300);
    int width = 0;
    ASSERT_EQ(mBrowser->GetColumnWidth('indx', &width), noErr);
    EXPECT_EQ(width, 40);
    EXPECT_EQ(mBrowser->SetColumnWidthLimits('indx', 50, 10), paramErr);
}

TEST_F(DataBrowserTest, AddedItemsTakeTheirPlaceInTheSortOrder)
{
    const auto items = [this] { return mBrowser->Model()->Items(); };
    mBrowser->SetSortProperty('name');
    ASSERT_EQ(items(), (std::vector<DataBrowserItemID>{2, 3, 1})); // alice, bob, carol
    mNames.push_back(QStringLiteral("dora"));
    mNames.push_back(QStringLiteral("aaron"));
    DataBrowserItemID dora = 4;
    mBrowser->AddItems(1, &dora);
    EXPECT_EQ(items(), (std::vector<DataBrowserItemID>{2, 3, 1, 4}));
    DataBrowserItemID aaron = 5;
    mBrowser->AddItems(1, &aaron);
    EXPECT_EQ(items(), (std::vector<DataBrowserItemID>{5, 2, 3, 1, 4}));
    // A sorted value that changed: the next addition sorts the whole list again.
    mNames[3] = QStringLiteral("abe");
    mBrowser->UpdateItems({4}, 'name');
    mNames.push_back(QStringLiteral("zed"));
    DataBrowserItemID zed = 6;
    mBrowser->AddItems(1, &zed);
    EXPECT_EQ(items(), (std::vector<DataBrowserItemID>{5, 4, 2, 3, 1, 6}));
}
