#include "DataBrowser.h"

#include "CFPropertyList.h"
#include "CodeText.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>

#include <set>

namespace {
std::optional<DataBrowserColumn> ParseColumn(const QString& inEntry)
{
    const QStringList fields = inEntry.split(QLatin1Char('|'));
    if (fields.size() < 3)
        return std::nullopt;
    const auto property = CodeText::FromText(fields[0]);
    if (!property)
        return std::nullopt;
    DataBrowserColumn column;
    column.property = *property;
    if (fields[1] == QLatin1String("check"))
        column.kind = DataBrowserColumnKind::checkBox;
    else if (fields[1] == QLatin1String("icontext"))
        column.kind = DataBrowserColumnKind::iconAndText;
    else if (fields[1] != QLatin1String("text"))
        return std::nullopt;
    column.title = fields[2];
    column.editable = fields.size() > 3 && fields[3] == QLatin1String("editable");
    return column;
}

bool IsInteger(const CFPropertyList& inValue) { return inValue.IsInteger(); }
} // namespace

DataBrowser::DataBrowser(QWidget* inParent)
    : QTreeView(inParent)
    , mModel(new DataBrowserModel(this))
{
    setModel(mModel);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    header()->setSectionsMovable(true);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (section < 0 || size_t(section) >= mModel->Columns().size())
            return;
        const DataBrowserPropertyID property = mModel->Columns()[size_t(section)].property;
        if (property == mModel->SortProperty())
            SetSortOrder(GetSortOrder() == kDataBrowserOrderIncreasing ? kDataBrowserOrderDecreasing
                                                                       : kDataBrowserOrderIncreasing);
        else
            SetSortProperty(property);
        Notify(0, kDataBrowserUserStateChanged);
    });
    connect(header(), &QHeaderView::sectionResized, this, &DataBrowser::OnSectionResized);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            Notify(mModel->Items()[size_t(index.row())], kDataBrowserItemDoubleClicked);
    });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &DataBrowser::OnSelectionChanged);
}

void DataBrowser::ApplyNibColumns()
{
    std::vector<DataBrowserColumn> columns;
    for (const QString& entry : property("columns").toStringList()) {
        if (const auto column = ParseColumn(entry))
            columns.push_back(*column);
    }
    SetColumns(std::move(columns));
}

void DataBrowser::SetColumns(std::vector<DataBrowserColumn> inColumns) { mModel->SetColumns(std::move(inColumns)); }

void DataBrowser::SetCallbacks(DataBrowserCallbacks inCallbacks)
{
    mCallbacks = std::move(inCallbacks);
    setDragEnabled(bool(mCallbacks.addDragItem));
    setAcceptDrops(bool(mCallbacks.acceptDrag));
    viewport()->setAcceptDrops(bool(mCallbacks.acceptDrag));
    mModel->UpdateItems({}, 0);
}

void DataBrowser::Notify(DataBrowserItemID inItem, UInt32 inMessage)
{
    if (mCallbacks.notification)
        mCallbacks.notification(this, inItem, inMessage);
}

OSStatus DataBrowser::AddItems(UInt32 inCount, const DataBrowserItemID* inItems)
{
    std::vector<DataBrowserItemID> items;
    items.reserve(inCount);
    for (UInt32 i = 0; i < inCount; ++i)
        items.push_back(inItems ? inItems[i] : i + 1);
    mModel->AddItems(items);
    return noErr;
}

OSStatus DataBrowser::RemoveAllItems()
{
    mModel->RemoveItems({});
    return noErr;
}

OSStatus DataBrowser::RemoveItems(const std::vector<DataBrowserItemID>& inItems)
{
    if (inItems.empty())
        return noErr;
    mModel->RemoveItems(inItems);
    return noErr;
}

UInt32 DataBrowser::CountItems() const { return UInt32(mModel->Items().size()); }

OSStatus DataBrowser::UpdateItems(const std::vector<DataBrowserItemID>& inItems, DataBrowserPropertyID inProperty)
{
    mModel->UpdateItems(inItems, inProperty);
    return noErr;
}

OSStatus DataBrowser::RevealItem(DataBrowserItemID inItem, DataBrowserPropertyID inProperty, bool inCentered)
{
    const int row = mModel->RowOf(inItem);
    if (row < 0)
        return errDataBrowserItemNotFound;
    const int column = std::max(0, mModel->ColumnOf(inProperty));
    scrollTo(mModel->index(row, column), inCentered ? PositionAtCenter : EnsureVisible);
    return noErr;
}

void DataBrowser::ShowSortIndicator()
{
    const int column = mModel->ColumnOf(mModel->SortProperty());
    header()->setSortIndicatorShown(column >= 0);
    if (column >= 0)
        header()->setSortIndicator(column, GetSortOrder() == kDataBrowserOrderIncreasing ? Qt::AscendingOrder
                                                                                         : Qt::DescendingOrder);
}

OSStatus DataBrowser::SetSortProperty(DataBrowserPropertyID inProperty)
{
    if (inProperty != 0 && mModel->ColumnOf(inProperty) < 0)
        return errDataBrowserPropertyNotFound;
    mModel->SetSort(inProperty, GetSortOrder());
    ShowSortIndicator();
    return noErr;
}

OSStatus DataBrowser::SetSortOrder(UInt16 inOrder)
{
    if (inOrder != kDataBrowserOrderIncreasing && inOrder != kDataBrowserOrderDecreasing)
        return paramErr;
    mModel->SetSort(mModel->SortProperty(), inOrder);
    ShowSortIndicator();
    return noErr;
}

OSStatus DataBrowser::SortItems()
{
    mModel->Sort();
    return noErr;
}

std::vector<DataBrowserItemID> DataBrowser::GetSelectedItems() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    std::vector<DataBrowserItemID> items;
    for (int row : rows)
        items.push_back(mModel->Items()[size_t(row)]);
    return items;
}

bool DataBrowser::IsItemSelected(DataBrowserItemID inItem) const
{
    const int row = mModel->RowOf(inItem);
    return row >= 0 && selectionModel()->isRowSelected(row, QModelIndex());
}

OSStatus DataBrowser::SetSelectedItems(const std::vector<DataBrowserItemID>& inItems, DataBrowserSetOption inOption)
{
    QItemSelection selection;
    for (DataBrowserItemID item : inItems) {
        const int row = mModel->RowOf(item);
        if (row >= 0)
            selection.select(mModel->index(row, 0), mModel->index(row, std::max(0, mModel->columnCount() - 1)));
    }
    QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::Rows;
    switch (inOption) {
    case DataBrowserSetOption::assign: flags |= QItemSelectionModel::ClearAndSelect; break;
    case DataBrowserSetOption::add: flags |= QItemSelectionModel::Select; break;
    case DataBrowserSetOption::remove: flags |= QItemSelectionModel::Deselect; break;
    case DataBrowserSetOption::toggle: flags |= QItemSelectionModel::Toggle; break;
    }
    selectionModel()->select(selection, flags);
    return noErr;
}

void DataBrowser::SelectAll() { selectAll(); }

void DataBrowser::SelectNone() { clearSelection(); }

void DataBrowser::OnSelectionChanged(const QItemSelection& inSelected, const QItemSelection& inDeselected)
{
    std::set<int> selected;
    for (const QModelIndex& index : inSelected.indexes())
        selected.insert(index.row());
    std::set<int> deselected;
    for (const QModelIndex& index : inDeselected.indexes())
        deselected.insert(index.row());
    for (int row : deselected) {
        if (size_t(row) < mModel->Items().size())
            Notify(mModel->Items()[size_t(row)], kDataBrowserItemDeselected);
    }
    for (int row : selected) {
        if (size_t(row) < mModel->Items().size())
            Notify(mModel->Items()[size_t(row)], kDataBrowserItemSelected);
    }
    Notify(0, kDataBrowserSelectionSetChanged);
}

OSStatus DataBrowser::SetColumnTitle(DataBrowserPropertyID inProperty, const QString& inTitle)
{
    DataBrowserColumn* column = mModel->Column(inProperty);
    if (!column)
        return errDataBrowserPropertyNotFound;
    column->title = inTitle;
    const int section = mModel->ColumnOf(inProperty);
    emit mModel->headerDataChanged(Qt::Horizontal, section, section);
    return noErr;
}

OSStatus DataBrowser::SetColumnWidth(DataBrowserPropertyID inProperty, int inWidth)
{
    const DataBrowserColumn* column = mModel->Column(inProperty);
    if (!column)
        return errDataBrowserPropertyNotFound;
    header()->resizeSection(mModel->ColumnOf(inProperty),
                            std::clamp(inWidth, column->minimumWidth, std::max(column->minimumWidth, column->maximumWidth)));
    return noErr;
}

OSStatus DataBrowser::GetColumnWidth(DataBrowserPropertyID inProperty, int* outWidth) const
{
    const int section = mModel->ColumnOf(inProperty);
    if (section < 0)
        return errDataBrowserPropertyNotFound;
    if (outWidth)
        *outWidth = header()->sectionSize(section);
    return noErr;
}

OSStatus DataBrowser::SetColumnWidthLimits(DataBrowserPropertyID inProperty, int inMinimum, int inMaximum)
{
    DataBrowserColumn* column = mModel->Column(inProperty);
    if (!column || inMinimum > inMaximum)
        return column ? OSStatus(paramErr) : OSStatus(errDataBrowserPropertyNotFound);
    column->minimumWidth = inMinimum;
    column->maximumWidth = inMaximum;
    int width = 0;
    GetColumnWidth(inProperty, &width);
    return SetColumnWidth(inProperty, width);
}

void DataBrowser::OnSectionResized(int inSection, int, int inNewSize)
{
    if (mClamping || inSection < 0 || size_t(inSection) >= mModel->Columns().size())
        return;
    const DataBrowserColumn& column = mModel->Columns()[size_t(inSection)];
    const int clamped = std::clamp(inNewSize, column.minimumWidth, std::max(column.minimumWidth, column.maximumWidth));
    if (clamped == inNewSize)
        return;
    mClamping = true;
    header()->resizeSection(inSection, clamped);
    mClamping = false;
}

std::vector<DataBrowserPropertyID> DataBrowser::ColumnOrder() const
{
    std::vector<DataBrowserPropertyID> order;
    for (int visual = 0; visual < header()->count(); ++visual) {
        const int logical = header()->logicalIndex(visual);
        if (logical >= 0 && size_t(logical) < mModel->Columns().size())
            order.push_back(mModel->Columns()[size_t(logical)].property);
    }
    return order;
}

CFPropertyList DataBrowser::GetUserState() const
{
    CFPropertyList::Array columns;
    for (DataBrowserPropertyID property : ColumnOrder()) {
        int width = 0;
        GetColumnWidth(property, &width);
        CFPropertyList::Dictionary entry;
        entry.insert(QStringLiteral("property"), CFPropertyList(qint64(property)));
        entry.insert(QStringLiteral("width"), CFPropertyList(width));
        columns.append(CFPropertyList(entry));
    }
    CFPropertyList::Dictionary state;
    state.insert(QStringLiteral("columns"), CFPropertyList(columns));
    state.insert(QStringLiteral("sortProperty"), CFPropertyList(qint64(GetSortProperty())));
    state.insert(QStringLiteral("sortOrder"), CFPropertyList(int(GetSortOrder())));
    return CFPropertyList(state);
}

OSStatus DataBrowser::SetUserState(const CFPropertyList& inState)
{
    if (!inState.IsDictionary())
        return paramErr;
    const CFPropertyList columns = inState.Value(QStringLiteral("columns"));
    const CFPropertyList sortProperty = inState.Value(QStringLiteral("sortProperty"));
    const CFPropertyList sortOrder = inState.Value(QStringLiteral("sortOrder"));
    if (!columns.IsNull() && !columns.IsArray())
        return paramErr;
    for (const CFPropertyList& entry : columns.ToArray()) {
        if (!entry.IsDictionary() || !IsInteger(entry.Value(QStringLiteral("property")))
            || !IsInteger(entry.Value(QStringLiteral("width"))))
            return paramErr;
    }
    if ((!sortProperty.IsNull() && !IsInteger(sortProperty)) || (!sortOrder.IsNull() && !IsInteger(sortOrder)))
        return paramErr;

    int visual = 0;
    for (const CFPropertyList& entry : columns.ToArray()) {
        const auto property = DataBrowserPropertyID(entry.Value(QStringLiteral("property")).ToInteger());
        const int logical = mModel->ColumnOf(property);
        if (logical < 0)
            continue;
        header()->moveSection(header()->visualIndex(logical), visual++);
        const auto width = entry.Value(QStringLiteral("width")).ToInteger();
        if (width > 0 && width <= 65535)
            SetColumnWidth(property, int(width));
    }
    const auto property = DataBrowserPropertyID(sortProperty.ToInteger());
    if (!sortProperty.IsNull() && (property == 0 || mModel->ColumnOf(property) >= 0))
        SetSortProperty(property);
    const auto order = sortOrder.ToInteger();
    if (order == kDataBrowserOrderIncreasing || order == kDataBrowserOrderDecreasing)
        SetSortOrder(UInt16(order));
    return noErr;
}

DataBrowserItemID DataBrowser::ItemAt(QPoint inViewportPoint) const
{
    const QModelIndex index = indexAt(inViewportPoint);
    return index.isValid() ? mModel->Items()[size_t(index.row())] : 0;
}

void DataBrowser::contextMenuEvent(QContextMenuEvent* inEvent)
{
    if (!mCallbacks.contextMenu) {
        QTreeView::contextMenuEvent(inEvent);
        return;
    }
    mCallbacks.contextMenu(this, inEvent->globalPos());
    inEvent->accept();
}

void DataBrowser::startDrag(Qt::DropActions inActions)
{
    if (!mCallbacks.addDragItem)
        return;
    auto* mime = new QMimeData;
    bool any = false;
    for (DataBrowserItemID item : GetSelectedItems())
        any = mCallbacks.addDragItem(this, item, mime) || any;
    if (!any) {
        delete mime;
        return;
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->exec(inActions, Qt::CopyAction);
}

void DataBrowser::dragEnterEvent(QDragEnterEvent* inEvent)
{
    if (mCallbacks.acceptDrag && mCallbacks.acceptDrag(this, inEvent->mimeData(), 0))
        inEvent->acceptProposedAction();
    else
        inEvent->ignore();
}

void DataBrowser::dragMoveEvent(QDragMoveEvent* inEvent)
{
    const DataBrowserItemID item = ItemAt(inEvent->position().toPoint());
    if (mCallbacks.acceptDrag && mCallbacks.acceptDrag(this, inEvent->mimeData(), item))
        inEvent->acceptProposedAction();
    else
        inEvent->ignore();
}

void DataBrowser::dropEvent(QDropEvent* inEvent)
{
    const DataBrowserItemID item = ItemAt(inEvent->position().toPoint());
    if (mCallbacks.receiveDrag && mCallbacks.receiveDrag(this, inEvent->mimeData(), item))
        inEvent->acceptProposedAction();
    else
        inEvent->ignore();
}
