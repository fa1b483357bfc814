// DataBrowser: a list of items in columns, the stand-in for the toolbox's Data Browser list
// view, as a QTreeView over a DataBrowserModel. Items are 32-bit IDs (AddItems with no IDs adds
// 1..n); columns are named by four-character property IDs and declared in the nib with the
// string-list property `columns`, one "PROP|kind|Title" entry each, kind one of text, check,
// icontext, and "|editable" appended for editable columns (e.g. "send|check|Send|editable").
//
// Callbacks: item data (get and set), compare, notification (selection changes, double click =
// message 7), context menu and drags (add item, accept, receive). Operations: add, remove,
// reveal, sort, the selected items in view order, select all/none/toggle/by IDs, column titles,
// widths and width limits, update one property. The user state is a property-list dictionary
// {columns: [{property, width}] in view order, sortProperty, sortOrder}; restoring applies what
// fits (known columns, widths within their limits) and a malformed state changes nothing.
// GUI thread only.
#pragma once

#include "DataBrowserModel.h"

#include <QTreeView>

class CFPropertyList;
class QMimeData;

// Notification messages.
enum : UInt32 {
    kDataBrowserItemAdded = 1,
    kDataBrowserItemRemoved = 2,
    kDataBrowserEditStarted = 3,
    kDataBrowserEditStopped = 4,
    kDataBrowserItemSelected = 5,
    kDataBrowserItemDeselected = 6,
    kDataBrowserItemDoubleClicked = 7,
    kDataBrowserUserStateChanged = 13,
    kDataBrowserSelectionSetChanged = 14,
};

enum class DataBrowserSetOption { assign, add, remove, toggle };

struct DataBrowserCallbacks {
    std::function<OSStatus(DataBrowser*, DataBrowserItemID, DataBrowserPropertyID, DataBrowserItemData&,
                           bool inSetValue)>
        itemData;
    // True when item a sorts before item b for the property.
    std::function<bool(DataBrowser*, DataBrowserItemID a, DataBrowserItemID b, DataBrowserPropertyID)> compare;
    std::function<void(DataBrowser*, DataBrowserItemID, UInt32 inMessage)> notification;
    std::function<void(DataBrowser*, QPoint inGlobal)> contextMenu;
    // Drags: fill the data of a dragged item; accept a drop (item 0: the list itself); take it.
    std::function<bool(DataBrowser*, DataBrowserItemID, QMimeData*)> addDragItem;
    std::function<bool(DataBrowser*, const QMimeData*, DataBrowserItemID)> acceptDrag;
    std::function<bool(DataBrowser*, const QMimeData*, DataBrowserItemID)> receiveDrag;
};

class DataBrowser : public QTreeView {
    Q_OBJECT

public:
    explicit DataBrowser(QWidget* inParent = nullptr);

    // Reads the `columns` property (NibLoader calls it after loading).
    void ApplyNibColumns();
    void SetColumns(std::vector<DataBrowserColumn> inColumns);
    DataBrowserModel* Model() const { return mModel; }

    void SetCallbacks(DataBrowserCallbacks inCallbacks);
    const DataBrowserCallbacks& Callbacks() const { return mCallbacks; }

    // inItems empty: adds 1..inCount.
    OSStatus AddItems(UInt32 inCount, const DataBrowserItemID* inItems = nullptr);
    OSStatus RemoveAllItems();
    OSStatus RemoveItems(const std::vector<DataBrowserItemID>& inItems);
    UInt32 CountItems() const;
    OSStatus UpdateItems(const std::vector<DataBrowserItemID>& inItems, DataBrowserPropertyID inProperty);
    OSStatus RevealItem(DataBrowserItemID inItem, DataBrowserPropertyID inProperty, bool inCentered);

    OSStatus SetSortProperty(DataBrowserPropertyID inProperty);
    OSStatus SetSortOrder(UInt16 inOrder);
    DataBrowserPropertyID GetSortProperty() const { return mModel->SortProperty(); }
    UInt16 GetSortOrder() const { return mModel->SortOrder(); }
    OSStatus SortItems();

    std::vector<DataBrowserItemID> GetSelectedItems() const; // in view order
    OSStatus SetSelectedItems(const std::vector<DataBrowserItemID>& inItems, DataBrowserSetOption inOption);
    bool IsItemSelected(DataBrowserItemID inItem) const;
    void SelectAll();
    void SelectNone();

    OSStatus SetColumnTitle(DataBrowserPropertyID inProperty, const QString& inTitle);
    OSStatus SetColumnWidth(DataBrowserPropertyID inProperty, int inWidth);
    OSStatus GetColumnWidth(DataBrowserPropertyID inProperty, int* outWidth) const;
    OSStatus SetColumnWidthLimits(DataBrowserPropertyID inProperty, int inMinimum, int inMaximum);
    // Properties in view order.
    std::vector<DataBrowserPropertyID> ColumnOrder() const;

    CFPropertyList GetUserState() const;
    OSStatus SetUserState(const CFPropertyList& inState);

protected:
    void contextMenuEvent(QContextMenuEvent* inEvent) override;
    void startDrag(Qt::DropActions inActions) override;
    void dragEnterEvent(QDragEnterEvent* inEvent) override;
    void dragMoveEvent(QDragMoveEvent* inEvent) override;
    void dropEvent(QDropEvent* inEvent) override;

private:
    void Notify(DataBrowserItemID inItem, UInt32 inMessage);
    void OnSelectionChanged(const QItemSelection& inSelected, const QItemSelection& inDeselected);
    void OnSectionResized(int inSection, int inOldSize, int inNewSize);
    DataBrowserItemID ItemAt(QPoint inViewportPoint) const;
    void ShowSortIndicator();

    DataBrowserModel* mModel;
    DataBrowserCallbacks mCallbacks;
    bool mClamping = false;
};
