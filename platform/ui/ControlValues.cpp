#include "ControlValues.h"

#include "CodeText.h"
#include "IconWell.h"
#include "SearchField.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>

#include <algorithm>

namespace {
constexpr const char* kMenuValueProperty = "menuValue";
constexpr const char* kMinimumProperty = "minimum32";
constexpr const char* kMaximumProperty = "maximum32";
constexpr const char* kSavedMaximumProperty = "determinateMaximum";
constexpr const char* kSavedMinimumProperty = "determinateMinimum";
constexpr const char* kRedrawProperty = "redraws";
constexpr int kMarkRole = Qt::UserRole + 1;

QMenu* ItemMenu(ControlRef inControl)
{
    if (auto* button = qobject_cast<QToolButton*>(inControl))
        return button->menu();
    if (auto* field = qobject_cast<SearchField*>(inControl))
        return field->Menu();
    return nullptr;
}

QAction* MenuItem(ControlRef inControl, SInt32 inItem)
{
    QMenu* menu = ItemMenu(inControl);
    if (!menu || inItem < 1 || inItem > menu->actions().size())
        return nullptr;
    return menu->actions().at(inItem - 1);
}

QStandardItem* PopupItem(ControlRef inControl, SInt32 inItem)
{
    auto* popup = qobject_cast<QComboBox*>(inControl);
    if (!popup || inItem < 1 || inItem > popup->count())
        return nullptr;
    auto* model = qobject_cast<QStandardItemModel*>(popup->model());
    return model ? model->item(inItem - 1) : nullptr;
}

QString PropertyName(OSType inCreator, OSType inTag)
{
    return QStringLiteral("prop:%1:%2").arg(CodeText::ToText(inCreator), CodeText::ToText(inTag));
}
} // namespace

QTabBar* TabBarOf(ControlRef inControl)
{
    if (auto* tabs = qobject_cast<QTabBar*>(inControl))
        return tabs;
    if (auto* widget = qobject_cast<QTabWidget*>(inControl))
        return widget->tabBar();
    return nullptr;
}

SInt32 GetControl32BitValue(ControlRef inControl)
{
    if (!inControl)
        return 0;
    if (auto* popup = qobject_cast<QComboBox*>(inControl))
        return popup->currentIndex() + 1;
    if (QTabBar* tabs = TabBarOf(inControl))
        return tabs->currentIndex() + 1;
    if (auto* check = qobject_cast<QCheckBox*>(inControl))
        return check->checkState() == Qt::PartiallyChecked ? 2 : check->isChecked() ? 1 : 0;
    if (ItemMenu(inControl) && qobject_cast<QToolButton*>(inControl))
        return inControl->property(kMenuValueProperty).toInt();
    if (auto* button = qobject_cast<QAbstractButton*>(inControl))
        return button->isChecked() ? 1 : 0;
    if (auto* bar = qobject_cast<QProgressBar*>(inControl))
        return bar->value();
    if (auto* slider = qobject_cast<QAbstractSlider*>(inControl))
        return slider->value();
    if (auto* spin = qobject_cast<QSpinBox*>(inControl))
        return spin->value();
    return inControl->property("value32").toInt();
}

// The 0-based index of item inValue: a value past the last item selects the last one (a
// stored document may name more items than the control now has); 0 and below select none.
static int PinnedItemIndex(SInt32 inValue, int inCount)
{
    return inValue >= 1 && inCount > 0 ? std::min(int(inValue), inCount) - 1 : -1;
}

void SetControl32BitValue(ControlRef inControl, SInt32 inValue)
{
    if (!inControl)
        return;
    if (auto* popup = qobject_cast<QComboBox*>(inControl)) {
        popup->setCurrentIndex(PinnedItemIndex(inValue, popup->count()));
    } else if (QTabBar* tabs = TabBarOf(inControl)) {
        tabs->setCurrentIndex(PinnedItemIndex(inValue, tabs->count()));
    } else if (auto* check = qobject_cast<QCheckBox*>(inControl)) {
        check->setCheckState(inValue == 2 ? Qt::PartiallyChecked : inValue ? Qt::Checked : Qt::Unchecked);
    } else if (ItemMenu(inControl) && qobject_cast<QToolButton*>(inControl)) {
        inControl->setProperty(kMenuValueProperty, 0); // a pull-down shows no chosen item
    } else if (auto* button = qobject_cast<QAbstractButton*>(inControl)) {
        button->setChecked(inValue != 0);
    } else if (auto* bar = qobject_cast<QProgressBar*>(inControl)) {
        bar->setValue(inValue);
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(inControl)) {
        slider->setValue(inValue);
    } else if (auto* spin = qobject_cast<QSpinBox*>(inControl)) {
        spin->setValue(inValue);
    } else {
        inControl->setProperty("value32", inValue);
    }
}

SInt32 GetControl32BitMinimum(ControlRef inControl)
{
    if (!inControl)
        return 0;
    if (auto* bar = qobject_cast<QProgressBar*>(inControl))
        return IsProgressIndeterminate(inControl) ? inControl->property(kSavedMinimumProperty).toInt() : bar->minimum();
    if (auto* slider = qobject_cast<QAbstractSlider*>(inControl))
        return slider->minimum();
    if (auto* spin = qobject_cast<QSpinBox*>(inControl))
        return spin->minimum();
    const QVariant stored = inControl->property(kMinimumProperty);
    if (stored.isValid())
        return stored.toInt();
    return CountPopupItems(inControl) > 0 ? 1 : 0;
}

void SetControl32BitMinimum(ControlRef inControl, SInt32 inMinimum)
{
    if (!inControl)
        return;
    if (auto* bar = qobject_cast<QProgressBar*>(inControl)) {
        if (IsProgressIndeterminate(inControl))
            inControl->setProperty(kSavedMinimumProperty, inMinimum);
        else
            bar->setMinimum(inMinimum);
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(inControl)) {
        slider->setMinimum(inMinimum);
    } else if (auto* spin = qobject_cast<QSpinBox*>(inControl)) {
        spin->setMinimum(inMinimum);
    } else {
        inControl->setProperty(kMinimumProperty, inMinimum);
    }
}

SInt32 GetControl32BitMaximum(ControlRef inControl)
{
    if (!inControl)
        return 0;
    if (auto* bar = qobject_cast<QProgressBar*>(inControl))
        return IsProgressIndeterminate(inControl) ? inControl->property(kSavedMaximumProperty).toInt() : bar->maximum();
    if (auto* slider = qobject_cast<QAbstractSlider*>(inControl))
        return slider->maximum();
    if (auto* spin = qobject_cast<QSpinBox*>(inControl))
        return spin->maximum();
    const QVariant stored = inControl->property(kMaximumProperty);
    if (stored.isValid())
        return stored.toInt();
    if (QTabBar* tabs = TabBarOf(inControl))
        return tabs->count();
    return CountPopupItems(inControl);
}

void SetControl32BitMaximum(ControlRef inControl, SInt32 inMaximum)
{
    if (!inControl)
        return;
    if (auto* bar = qobject_cast<QProgressBar*>(inControl)) {
        if (IsProgressIndeterminate(inControl))
            inControl->setProperty(kSavedMaximumProperty, inMaximum);
        else
            bar->setMaximum(inMaximum);
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(inControl)) {
        slider->setMaximum(inMaximum);
    } else if (auto* spin = qobject_cast<QSpinBox*>(inControl)) {
        spin->setMaximum(inMaximum);
    } else {
        inControl->setProperty(kMaximumProperty, inMaximum);
    }
}

void SetProgressIndeterminate(ControlRef inControl, bool inIndeterminate)
{
    auto* bar = qobject_cast<QProgressBar*>(inControl);
    if (!bar || inIndeterminate == IsProgressIndeterminate(inControl))
        return;
    if (inIndeterminate) {
        bar->setProperty(kSavedMinimumProperty, bar->minimum());
        bar->setProperty(kSavedMaximumProperty, bar->maximum());
        bar->setRange(0, 0);
        return;
    }
    const int minimum = bar->property(kSavedMinimumProperty).toInt();
    const QVariant maximum = bar->property(kSavedMaximumProperty);
    bar->setRange(minimum, maximum.isValid() && maximum.toInt() > minimum ? maximum.toInt() : minimum + 100);
}

bool IsProgressIndeterminate(ControlRef inControl)
{
    auto* bar = qobject_cast<QProgressBar*>(inControl);
    return bar && bar->minimum() == 0 && bar->maximum() == 0;
}

void ShowControl(ControlRef inControl) { SetControlVisibility(inControl, true, true); }
void HideControl(ControlRef inControl) { SetControlVisibility(inControl, false, true); }

void SetControlVisibility(ControlRef inControl, bool inVisible, bool)
{
    if (inControl)
        inControl->setVisible(inVisible);
}

bool IsControlVisible(ControlRef inControl) { return inControl && !inControl->isHidden(); }

void EnableControl(ControlRef inControl)
{
    if (inControl)
        inControl->setEnabled(true);
}

void DisableControl(ControlRef inControl)
{
    if (inControl)
        inControl->setEnabled(false);
}

bool IsControlEnabled(ControlRef inControl) { return inControl && inControl->isEnabled(); }

void SetControlTitleWithCFString(ControlRef inControl, const QString& inTitle)
{
    if (auto* button = qobject_cast<QAbstractButton*>(inControl))
        button->setText(inTitle);
    else if (auto* group = qobject_cast<QGroupBox*>(inControl))
        group->setTitle(inTitle);
    else
        SetControlText(inControl, inTitle);
}

QString CopyControlTitleAsCFString(ControlRef inControl)
{
    if (auto* button = qobject_cast<QAbstractButton*>(inControl))
        return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(inControl))
        return group->title();
    return GetControlText(inControl);
}

void SetControlText(ControlRef inControl, const QString& inText)
{
    if (auto* field = qobject_cast<QLineEdit*>(inControl))
        field->setText(inText);
    else if (auto* label = qobject_cast<QLabel*>(inControl))
        label->setText(inText);
    else if (auto* pane = qobject_cast<QTextEdit*>(inControl))
        pane->setPlainText(inText);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(inControl))
        plain->setPlainText(inText);
    else if (auto* popup = qobject_cast<QComboBox*>(inControl); popup && popup->isEditable())
        popup->setEditText(inText);
    else if (auto* button = qobject_cast<QAbstractButton*>(inControl))
        button->setText(inText);
}

QString GetControlText(ControlRef inControl)
{
    if (auto* field = qobject_cast<QLineEdit*>(inControl))
        return field->text();
    if (auto* label = qobject_cast<QLabel*>(inControl))
        return label->text();
    if (auto* pane = qobject_cast<QTextEdit*>(inControl))
        return pane->toPlainText();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(inControl))
        return plain->toPlainText();
    if (auto* popup = qobject_cast<QComboBox*>(inControl))
        return popup->currentText();
    if (auto* button = qobject_cast<QAbstractButton*>(inControl))
        return button->text();
    return QString();
}

void SetControlIcon(ControlRef inControl, const QIcon& inIcon)
{
    if (auto* button = qobject_cast<QAbstractButton*>(inControl))
        button->setIcon(inIcon);
    else if (auto* well = qobject_cast<IconWell*>(inControl))
        well->SetIcon(inIcon);
    else if (auto* label = qobject_cast<QLabel*>(inControl))
        label->setPixmap(inIcon.pixmap(label->size().boundedTo(QSize(128, 128))));
}

void GetControlBounds(ControlRef inControl, QRect* outBounds)
{
    if (!outBounds)
        return;
    if (!inControl) {
        *outBounds = QRect();
        return;
    }
    const QWidget* window = inControl->window();
    *outBounds = QRect(inControl->mapTo(window, QPoint(0, 0)), inControl->size());
}

void SetControlBounds(ControlRef inControl, const QRect& inBounds)
{
    if (!inControl)
        return;
    QWidget* parent = inControl->parentWidget();
    const QPoint topLeft = parent ? parent->mapFrom(inControl->window(), inBounds.topLeft()) : inBounds.topLeft();
    inControl->setGeometry(QRect(topLeft, inBounds.size()));
}

void Draw1Control(ControlRef inControl)
{
    if (!inControl)
        return;
    inControl->setProperty(kRedrawProperty, ControlRedrawCount(inControl) + 1);
    inControl->update();
}

int ControlRedrawCount(ControlRef inControl) { return inControl ? inControl->property(kRedrawProperty).toInt() : 0; }

void SetKeyboardFocus(WindowRef, ControlRef inControl)
{
    if (inControl)
        inControl->setFocus(Qt::OtherFocusReason);
}

OSStatus SetControlProperty(ControlRef inControl, OSType inCreator, OSType inTag, const QByteArray& inData)
{
    if (!inControl)
        return paramErr;
    inControl->setProperty(PropertyName(inCreator, inTag).toLatin1().constData(), inData);
    return noErr;
}

OSStatus GetControlProperty(ControlRef inControl, OSType inCreator, OSType inTag, QByteArray* outData)
{
    if (!inControl)
        return paramErr;
    const QVariant value = inControl->property(PropertyName(inCreator, inTag).toLatin1().constData());
    if (!value.isValid())
        return controlPropertyNotFoundErr;
    if (outData)
        *outData = value.toByteArray();
    return noErr;
}

OSStatus RemoveControlProperty(ControlRef inControl, OSType inCreator, OSType inTag)
{
    if (!inControl)
        return paramErr;
    const QByteArray name = PropertyName(inCreator, inTag).toLatin1();
    if (!inControl->property(name.constData()).isValid())
        return controlPropertyNotFoundErr;
    inControl->setProperty(name.constData(), QVariant());
    return noErr;
}

SInt32 CountPopupItems(ControlRef inControl)
{
    if (auto* popup = qobject_cast<QComboBox*>(inControl))
        return popup->count();
    QMenu* menu = ItemMenu(inControl);
    return menu ? SInt32(menu->actions().size()) : 0;
}

void AppendPopupItem(ControlRef inControl, const QString& inText, CommandT inCommand)
{
    if (auto* popup = qobject_cast<QComboBox*>(inControl)) {
        popup->addItem(inText, inCommand);
        return;
    }
    if (QMenu* menu = ItemMenu(inControl))
        menu->addAction(inText)->setProperty("command", inCommand);
}

void AppendPopupSeparator(ControlRef inControl)
{
    if (auto* popup = qobject_cast<QComboBox*>(inControl)) {
        popup->insertSeparator(popup->count());
        return;
    }
    if (QMenu* menu = ItemMenu(inControl))
        menu->addSeparator();
}

void DeletePopupItems(ControlRef inControl)
{
    if (auto* popup = qobject_cast<QComboBox*>(inControl)) {
        popup->clear();
        return;
    }
    if (QMenu* menu = ItemMenu(inControl))
        menu->clear();
}

QString GetPopupItemText(ControlRef inControl, SInt32 inItem)
{
    if (QStandardItem* item = PopupItem(inControl, inItem))
        return item->text();
    QAction* action = MenuItem(inControl, inItem);
    return action ? action->text() : QString();
}

bool IsPopupItemSeparator(ControlRef inControl, SInt32 inItem)
{
    if (QStandardItem* item = PopupItem(inControl, inItem))
        return item->data(Qt::AccessibleDescriptionRole).toString() == QLatin1String("separator");
    QAction* action = MenuItem(inControl, inItem);
    return action && action->isSeparator();
}

void SetPopupItemEnabled(ControlRef inControl, SInt32 inItem, bool inEnabled)
{
    if (QStandardItem* item = PopupItem(inControl, inItem))
        item->setEnabled(inEnabled);
    else if (QAction* action = MenuItem(inControl, inItem))
        action->setEnabled(inEnabled);
}

bool IsPopupItemEnabled(ControlRef inControl, SInt32 inItem)
{
    if (QStandardItem* item = PopupItem(inControl, inItem))
        return item->isEnabled();
    QAction* action = MenuItem(inControl, inItem);
    return action && action->isEnabled();
}

void SetPopupItemMark(ControlRef inControl, SInt32 inItem, bool inMarked)
{
    if (QStandardItem* item = PopupItem(inControl, inItem)) {
        item->setData(inMarked, kMarkRole);
        item->setData(inMarked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    } else if (QAction* action = MenuItem(inControl, inItem)) {
        action->setCheckable(true);
        action->setChecked(inMarked);
    }
}

bool IsPopupItemMarked(ControlRef inControl, SInt32 inItem)
{
    if (QStandardItem* item = PopupItem(inControl, inItem))
        return item->data(kMarkRole).toBool();
    QAction* action = MenuItem(inControl, inItem);
    return action && action->isChecked();
}

void SetPopupItemCommand(ControlRef inControl, SInt32 inItem, CommandT inCommand)
{
    if (QStandardItem* item = PopupItem(inControl, inItem))
        item->setData(inCommand, Qt::UserRole);
    else if (QAction* action = MenuItem(inControl, inItem))
        action->setProperty("command", inCommand);
}

CommandT GetPopupItemCommand(ControlRef inControl, SInt32 inItem)
{
    if (QStandardItem* item = PopupItem(inControl, inItem))
        return CommandT(item->data(Qt::UserRole).toLongLong());
    QAction* action = MenuItem(inControl, inItem);
    return action ? CodeText::ParseCommand(action->property("command")) : 0;
}

SInt32 FindPopupItemWithCommand(ControlRef inControl, CommandT inCommand)
{
    const SInt32 count = CountPopupItems(inControl);
    for (SInt32 item = 1; item <= count; ++item) {
        if (GetPopupItemCommand(inControl, item) == inCommand)
            return item;
    }
    return 0;
}
