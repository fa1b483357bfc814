#include "DataBrowserModel.h"

#include "DataBrowser.h"

#include <algorithm>
#include <set>
#include <unordered_set>

DataBrowserModel::DataBrowserModel(DataBrowser* inBrowser)
    : QAbstractTableModel(inBrowser)
    , mBrowser(inBrowser)
{
}

void DataBrowserModel::SetColumns(std::vector<DataBrowserColumn> inColumns)
{
    beginResetModel();
    mColumns = std::move(inColumns);
    endResetModel();
}

int DataBrowserModel::ColumnOf(DataBrowserPropertyID inProperty) const
{
    for (size_t column = 0; column < mColumns.size(); ++column) {
        if (mColumns[column].property == inProperty)
            return int(column);
    }
    return -1;
}

DataBrowserColumn* DataBrowserModel::Column(DataBrowserPropertyID inProperty)
{
    const int column = ColumnOf(inProperty);
    return column < 0 ? nullptr : &mColumns[size_t(column)];
}

void DataBrowserModel::AddItems(const std::vector<DataBrowserItemID>& inItems)
{
    // Items already listed, or given twice, are added once; a set keeps this linear for lists
    // of many thousand rows.
    std::unordered_set<DataBrowserItemID> listed(mItems.begin(), mItems.end());
    std::vector<DataBrowserItemID> fresh;
    for (DataBrowserItemID item : inItems) {
        if (item != 0 && listed.insert(item).second)
            fresh.push_back(item);
    }
    if (fresh.empty())
        return;
    const size_t firstNew = mItems.size();
    beginInsertRows(QModelIndex(), int(mItems.size()), int(mItems.size() + fresh.size()) - 1);
    mItems.insert(mItems.end(), fresh.begin(), fresh.end());
    endInsertRows();
    if (mSortProperty == 0)
        mSorted = false;
    else if (!AppendedInOrder(firstNew))
        Sort();
}

// True when the list was in increasing order and the items from `inFirstNew` on follow it in
// that order, as rows appended in their own order do: sorting would change nothing then.
bool DataBrowserModel::AppendedInOrder(size_t inFirstNew) const
{
    if (mSortOrder != kDataBrowserOrderIncreasing || !mSorted)
        return false;
    for (size_t index = std::max<size_t>(inFirstNew, 1); index < mItems.size(); ++index) {
        if (Less(mItems[index], mItems[index - 1]))
            return false;
    }
    return true;
}

void DataBrowserModel::RemoveItems(const std::vector<DataBrowserItemID>& inItems)
{
    if (inItems.empty()) {
        beginResetModel();
        mItems.clear();
        endResetModel();
        mSorted = true;
        return;
    }
    for (DataBrowserItemID item : inItems) {
        const int row = RowOf(item);
        if (row < 0)
            continue;
        beginRemoveRows(QModelIndex(), row, row);
        mItems.erase(mItems.begin() + row);
        endRemoveRows();
    }
}

int DataBrowserModel::RowOf(DataBrowserItemID inItem) const
{
    const auto found = std::find(mItems.begin(), mItems.end(), inItem);
    return found == mItems.end() ? -1 : int(found - mItems.begin());
}

void DataBrowserModel::UpdateItems(const std::vector<DataBrowserItemID>& inItems, DataBrowserPropertyID inProperty)
{
    if (mItems.empty() || mColumns.empty())
        return;
    if (inProperty == 0 || inProperty == mSortProperty)
        mSorted = false; // the values it was sorted by may have changed
    const int column = ColumnOf(inProperty);
    const int first = column < 0 ? 0 : column;
    const int last = column < 0 ? int(mColumns.size()) - 1 : column;
    if (inItems.empty()) {
        emit dataChanged(index(0, first), index(int(mItems.size()) - 1, last));
        return;
    }
    for (DataBrowserItemID item : inItems) {
        const int row = RowOf(item);
        if (row >= 0)
            emit dataChanged(index(row, first), index(row, last));
    }
}

bool DataBrowserModel::Fetch(DataBrowserItemID inItem, DataBrowserPropertyID inProperty,
                             DataBrowserItemData& outData) const
{
    const auto& callback = mBrowser->Callbacks().itemData;
    return callback && callback(mBrowser, inItem, inProperty, outData, false) == noErr;
}

bool DataBrowserModel::Less(DataBrowserItemID inA, DataBrowserItemID inB) const
{
    const auto& compare = mBrowser->Callbacks().compare;
    if (compare)
        return compare(mBrowser, inA, inB, mSortProperty);
    DataBrowserItemData a;
    DataBrowserItemData b;
    Fetch(inA, mSortProperty, a);
    Fetch(inB, mSortProperty, b);
    if (a.text.isEmpty() && b.text.isEmpty())
        return a.value < b.value;
    return a.text.localeAwareCompare(b.text) < 0;
}

void DataBrowserModel::SetSort(DataBrowserPropertyID inProperty, UInt16 inOrder)
{
    mSortProperty = inProperty;
    mSortOrder = inOrder == kDataBrowserOrderDecreasing ? kDataBrowserOrderDecreasing : kDataBrowserOrderIncreasing;
    Sort();
}

void DataBrowserModel::Sort()
{
    if (mSortProperty == 0)
        return;
    mSorted = true;
    if (mItems.size() < 2)
        return;
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<DataBrowserItemID> beforeItems;
    for (const QModelIndex& index : before)
        beforeItems.push_back(mItems[size_t(index.row())]);
    std::stable_sort(mItems.begin(), mItems.end(),
                     [this](DataBrowserItemID a, DataBrowserItemID b) { return Less(a, b); });
    if (mSortOrder == kDataBrowserOrderDecreasing)
        std::reverse(mItems.begin(), mItems.end());
    QModelIndexList after;
    for (size_t i = 0; i < beforeItems.size(); ++i)
        after.append(index(RowOf(beforeItems[i]), before[qsizetype(i)].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

int DataBrowserModel::rowCount(const QModelIndex& inParent) const
{
    return inParent.isValid() ? 0 : int(mItems.size());
}

int DataBrowserModel::columnCount(const QModelIndex& inParent) const
{
    return inParent.isValid() ? 0 : int(mColumns.size());
}

QVariant DataBrowserModel::data(const QModelIndex& inIndex, int inRole) const
{
    if (!inIndex.isValid() || size_t(inIndex.row()) >= mItems.size() || size_t(inIndex.column()) >= mColumns.size())
        return QVariant();
    const DataBrowserColumn& column = mColumns[size_t(inIndex.column())];
    const DataBrowserItemID item = mItems[size_t(inIndex.row())];
    const bool wanted = column.kind == DataBrowserColumnKind::checkBox
                            ? inRole == Qt::CheckStateRole
                            : inRole == Qt::DisplayRole || inRole == Qt::EditRole
                                  || (inRole == Qt::DecorationRole && column.kind == DataBrowserColumnKind::iconAndText);
    if (!wanted)
        return QVariant();
    DataBrowserItemData cell;
    if (!Fetch(item, column.property, cell))
        return QVariant();
    if (inRole == Qt::CheckStateRole)
        return cell.value == 2 ? Qt::PartiallyChecked : cell.value ? Qt::Checked : Qt::Unchecked;
    if (inRole == Qt::DecorationRole)
        return cell.icon;
    return cell.text;
}

bool DataBrowserModel::setData(const QModelIndex& inIndex, const QVariant& inValue, int inRole)
{
    if (!inIndex.isValid() || size_t(inIndex.row()) >= mItems.size())
        return false;
    const auto& callback = mBrowser->Callbacks().itemData;
    if (!callback)
        return false;
    const DataBrowserColumn& column = mColumns[size_t(inIndex.column())];
    DataBrowserItemData cell;
    if (inRole == Qt::CheckStateRole)
        cell.value = inValue.toInt() == Qt::Checked ? 1 : 0;
    else if (inRole == Qt::EditRole)
        cell.text = inValue.toString();
    else
        return false;
    if (callback(mBrowser, mItems[size_t(inIndex.row())], column.property, cell, true) != noErr)
        return false;
    emit dataChanged(inIndex, inIndex);
    return true;
}

Qt::ItemFlags DataBrowserModel::flags(const QModelIndex& inIndex) const
{
    if (!inIndex.isValid() || size_t(inIndex.column()) >= mColumns.size())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    const DataBrowserColumn& column = mColumns[size_t(inIndex.column())];
    if (!column.editable)
        return flags;
    // An editable column asks the item; an item that answers nothing is editable.
    DataBrowserItemData editable;
    editable.boolean = true;
    const DataBrowserItemID item = mItems[size_t(inIndex.row())];
    if (Fetch(item, kDataBrowserItemIsEditableProperty, editable) && !editable.boolean)
        return flags;
    return flags | (column.kind == DataBrowserColumnKind::checkBox ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable);
}

QVariant DataBrowserModel::headerData(int inSection, Qt::Orientation inOrientation, int inRole) const
{
    if (inOrientation != Qt::Horizontal || inRole != Qt::DisplayRole || inSection < 0
        || size_t(inSection) >= mColumns.size())
        return QVariant();
    return mColumns[size_t(inSection)].title;
}
