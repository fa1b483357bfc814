// DataBrowserModel: the rows of a Data Browser list. It holds only item IDs, in view order, and
// the column descriptions; every cell is asked of the browser's item-data callback when Qt
// needs it, and edits and check-box clicks are handed back to it. A callback answering non-zero
// (errDataBrowserPropertyNotSupported, errMessageNotSupported, ...) means "no data": the cell
// stays empty. Sorting orders the IDs by the compare callback for the sort property (by the
// cells' text when there is none), descending reversed. GUI thread only.
#pragma once

#include "UITypes.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <functional>
#include <vector>

class DataBrowser;

// What the item-data callback reads or fills for one cell.
struct DataBrowserItemData {
    QString text;
    SInt32 value = 0;    // check box: 0 off, 1 on, 2 mixed
    QIcon icon;
    bool boolean = false; // the 'edit' property: whether the item may be edited
};

enum class DataBrowserColumnKind { text, checkBox, iconAndText };

struct DataBrowserColumn {
    DataBrowserPropertyID property = 0;
    DataBrowserColumnKind kind = DataBrowserColumnKind::text;
    QString title;
    bool editable = false;
    int minimumWidth = 0;
    int maximumWidth = 65535;
};

enum : DataBrowserPropertyID { kDataBrowserItemIsEditableProperty = 'edit' };
enum : UInt16 { kDataBrowserOrderIncreasing = 1, kDataBrowserOrderDecreasing = 2 };

class DataBrowserModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit DataBrowserModel(DataBrowser* inBrowser);

    void SetColumns(std::vector<DataBrowserColumn> inColumns);
    const std::vector<DataBrowserColumn>& Columns() const { return mColumns; }
    int ColumnOf(DataBrowserPropertyID inProperty) const; // -1 when absent
    DataBrowserColumn* Column(DataBrowserPropertyID inProperty);

    void AddItems(const std::vector<DataBrowserItemID>& inItems);
    void RemoveItems(const std::vector<DataBrowserItemID>& inItems); // empty: all
    const std::vector<DataBrowserItemID>& Items() const { return mItems; }
    int RowOf(DataBrowserItemID inItem) const; // -1 when absent
    void UpdateItems(const std::vector<DataBrowserItemID>& inItems, DataBrowserPropertyID inProperty);

    void SetSort(DataBrowserPropertyID inProperty, UInt16 inOrder);
    DataBrowserPropertyID SortProperty() const { return mSortProperty; }
    UInt16 SortOrder() const { return mSortOrder; }
    void Sort();

    int rowCount(const QModelIndex& inParent = QModelIndex()) const override;
    int columnCount(const QModelIndex& inParent = QModelIndex()) const override;
    QVariant data(const QModelIndex& inIndex, int inRole) const override;
    bool setData(const QModelIndex& inIndex, const QVariant& inValue, int inRole) override;
    Qt::ItemFlags flags(const QModelIndex& inIndex) const override;
    QVariant headerData(int inSection, Qt::Orientation inOrientation, int inRole) const override;

private:
    bool Fetch(DataBrowserItemID inItem, DataBrowserPropertyID inProperty, DataBrowserItemData& outData) const;
    bool Less(DataBrowserItemID inA, DataBrowserItemID inB) const;
    bool AppendedInOrder(size_t inFirstNew) const;

    DataBrowser* mBrowser;
    std::vector<DataBrowserColumn> mColumns;
    std::vector<DataBrowserItemID> mItems;
    DataBrowserPropertyID mSortProperty = 0;
    UInt16 mSortOrder = kDataBrowserOrderIncreasing;
    bool mSorted = true; // the items stand in the sort property's order (as last sorted)
};
