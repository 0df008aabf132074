// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ListBoxCommands.h"

#include "platform/Log.h"
#include "platform/PathMap.h"
#include "runtime/RuntimeLibrary.h"
#include "runtime/ScreenCommandSupport.h"
#include "screens/Figure.h"
#include "screens/FigureKind.h"
#include "screens/ListClasses.h"
#include "screens/ScreenForm.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenObjectOf.h"
#include "screens/TVComboBox.h"
#include "shell/FileHelpers.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace runtime {

namespace screencmd {

using support::Current;
using support::FromQt;
using support::ToQt;

namespace {

constexpr std::int32_t kListError = -1;
constexpr std::uint16_t kReturnKey = 0x0D;
constexpr std::uint16_t kEscapeKey = 0x1B;

bool IsKind(const screens::Figure& figure, screens::FigureKind kind) {
    return figure.Properties().kind == static_cast<std::uint8_t>(kind);
}

// The list control of the current figure: a list box's list or a combo box (never both).
struct ListTarget {
    QListWidget* list = nullptr;
    QComboBox* combo = nullptr;
    explicit operator bool() const { return list != nullptr || combo != nullptr; }
    int Count() const {
        return list != nullptr ? list->count() : combo != nullptr ? combo->count() : 0;
    }
    QString Item(int index) const {
        return list != nullptr ? list->item(index)->text() : combo->itemText(index);
    }
    bool Has(int index) const { return index >= 0 && index < Count(); }
};

ListTarget CurrentList() {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return {};
    if (IsKind(*figure, screens::FigureKind::ListBox))
        return {dynamic_cast<QListWidget*>(&figure->Widget()), nullptr};
    if (IsKind(*figure, screens::FigureKind::ComboBox))
        return {nullptr, dynamic_cast<QComboBox*>(&figure->Widget())};
    return {};
}

QComboBox* CurrentCombo() {
    return CurrentList().combo;
}

// An edit field's one-line control or memo.
QLineEdit* CurrentLine() {
    screens::Figure* figure = Current();
    if (figure == nullptr || !IsKind(*figure, screens::FigureKind::Edit))
        return nullptr;
    return dynamic_cast<QLineEdit*>(&figure->Widget());
}

QPlainTextEdit* CurrentMemo() {
    screens::Figure* figure = Current();
    if (figure == nullptr || !IsKind(*figure, screens::FigureKind::Edit))
        return nullptr;
    return dynamic_cast<QPlainTextEdit*>(&figure->Widget());
}

int Select(const ListTarget& target, int index) {
    if (target.list != nullptr) {
        target.list->clearSelection();
        target.list->setCurrentRow(index);
        if (index >= 0)
            target.list->item(index)->setSelected(true);
    } else {
        target.combo->setCurrentIndex(index);
    }
    return index;
}

void FillWithFiles(std::string_view mask, bool replace) {
    const ListTarget target = CurrentList();
    if (!target)
        return;
    std::vector<std::string> names;
    shell::ListFilesByMask(names, mask);
    if (replace)
        ClearList();
    for (const std::string& name : names)
        AddString(ShortString(name));
}

// Whether the operator is in the middle of an entry in the figure's control.
bool Typing(QWidget& widget) {
    if (!widget.hasFocus() && !widget.isAncestorOf(QApplication::focusWidget()))
        return false;
    if (auto* line = dynamic_cast<QLineEdit*>(&widget))
        return line->isModified();
    if (auto* memo = dynamic_cast<QPlainTextEdit*>(&widget))
        return memo->document()->isModified();
    if (auto* combo = dynamic_cast<QComboBox*>(&widget))
        return combo->lineEdit() != nullptr && combo->lineEdit()->isModified();
    return false;
}

bool KeyInCurrentControl(std::uint16_t virtualKey) {
    screens::Figure* figure = Current();
    if (figure == nullptr || (!IsKind(*figure, screens::FigureKind::Edit) &&
                              !IsKind(*figure, screens::FigureKind::ComboBox)))
        return false;
    const screens::InputEvents& input = screens::Globals().input.Latched();
    return input.keyDown && input.virtualKey == virtualKey && input.figure == &figure->Widget();
}

} // namespace

std::int32_t AddString(ShortString text) {
    const ListTarget target = CurrentList();
    const QString item = ToQt(text.View());
    if (target.list != nullptr) {
        target.list->addItem(item);
        return target.list->count() - 1;
    }
    if (target.combo == nullptr)
        return 0;
    if (auto* figure = dynamic_cast<screens::TVComboBox*>(target.combo);
        figure != nullptr && figure->IsSorted()) {
        figure->AddItem(item);
        return target.combo->findText(item, Qt::MatchExactly | Qt::MatchCaseSensitive);
    }
    target.combo->addItem(item);
    return target.combo->count() - 1;
}

void ClearList() {
    const ListTarget target = CurrentList();
    if (target.list != nullptr) {
        target.list->clear();
        return;
    }
    if (target.combo != nullptr) {
        // The list only: the line keeps what it shows.
        const QString line = target.combo->currentText();
        target.combo->clear();
        if (target.combo->isEditable())
            target.combo->setEditText(line);
        return;
    }
    if (auto* view = screens::ScreenObjectOf<screens::ListView>(Current()))
        view->Clear();
}

std::int32_t DeleteString(std::int32_t position) {
    const ListTarget target = CurrentList();
    if (!target)
        return 0;
    if (!target.Has(position))
        return kListError;
    if (target.list != nullptr)
        delete target.list->takeItem(position);
    else
        target.combo->removeItem(position);
    return target.Count();
}

std::int32_t GetCount() {
    return CurrentList().Count();
}

ShortString GetSelString() {
    const ListTarget target = CurrentList();
    if (target.list != nullptr) {
        const QList<QListWidgetItem*> selected = target.list->selectedItems();
        if (!selected.isEmpty())
            return ShortString(FromQt(selected.front()->text()));
        const int row = target.list->currentRow();
        return target.Has(row) ? ShortString(FromQt(target.Item(row))) : ShortString();
    }
    if (target.combo != nullptr && target.Has(target.combo->currentIndex()))
        return ShortString(FromQt(target.Item(target.combo->currentIndex())));
    return {};
}

std::int32_t InsertString(ShortString text, std::int32_t position) {
    const ListTarget target = CurrentList();
    if (!target)
        return 0;
    const int count = target.Count();
    if (position < -1 || position > count)
        return kListError;
    const int index = position == -1 ? count : position;
    if (target.list != nullptr)
        target.list->insertItem(index, ToQt(text.View()));
    else
        target.combo->insertItem(index, ToQt(text.View()));
    return index;
}

std::int32_t SetSelString(ShortString text, std::int32_t position) {
    const ListTarget target = CurrentList();
    if (!target)
        return 0;
    const int count = target.Count();
    const QString prefix = ToQt(text.View());
    const int start = (position < -1 || position >= count) ? 0 : position + 1;
    for (int step = 0; step < count; ++step) {
        const int index = (start + step) % count;
        if (target.Item(index).startsWith(prefix, Qt::CaseInsensitive))
            return Select(target, index);
    }
    return kListError;
}

ShortString GetString(std::int32_t position) {
    const ListTarget target = CurrentList();
    if (!target.Has(position))
        return {};
    return ShortString(FromQt(target.Item(position)));
}

std::int32_t GetSelIndex() {
    const ListTarget target = CurrentList();
    if (target.list != nullptr)
        return target.list->currentRow();
    if (target.combo != nullptr)
        return target.combo->currentIndex();
    return 0;
}

void LDir(ShortString mask) {
    FillWithFiles(mask.View(), false);
}

void LDirEx(ShortString mask) {
    FillWithFiles(mask.View(), true);
}

ShortString ScrnBmp(std::int32_t position) {
    screens::ScreenForm* window = screens::CurrentWindow();
    if (window == nullptr || position < 0)
        return {};
    const std::string name = window->ScreenName() + std::to_string(position) + ".Bmp";
    const std::string& directory = screens::Globals().projectDirectory;
    const std::string path = platform::HostPath(directory.empty() ? name : directory + "/" + name);
    if (!window->grab().toImage().save(QString::fromStdString(path), "BMP")) {
        platform::LogWarning("SCRNBMP: cannot write {}", path);
        return {};
    }
    return ShortString(name);
}

bool StrListExist(ShortString text) {
    const ListTarget target = CurrentList();
    const QString wanted = ToQt(text.View());
    for (int i = 0; i < target.Count(); ++i)
        if (target.Item(i).compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

std::int32_t SetSelIndex(std::int32_t index) {
    const ListTarget target = CurrentList();
    if (!target)
        return 0;
    if (index != -1 && !target.Has(index))
        return kListError;
    return Select(target, index);
}

std::int32_t GetSelCount() {
    const ListTarget target = CurrentList();
    if (target.list != nullptr)
        return static_cast<std::int32_t>(target.list->selectedItems().size());
    return target.combo != nullptr && target.combo->currentIndex() >= 0 ? 1 : 0;
}

bool GetSelected(std::int32_t index) {
    const ListTarget target = CurrentList();
    if (!target.Has(index))
        return false;
    if (target.list != nullptr)
        return target.list->item(index)->isSelected();
    return target.combo->currentIndex() == index;
}

ShortString GetText() {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return {};
    QWidget& widget = figure->Widget();
    if (auto* line = dynamic_cast<QLineEdit*>(&widget))
        return ShortString(FromQt(line->text()));
    if (auto* memo = dynamic_cast<QPlainTextEdit*>(&widget))
        return ShortString(
            FromQt(memo->toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"))));
    if (auto* combo = dynamic_cast<QComboBox*>(&widget))
        return ShortString(FromQt(combo->currentText()));
    if (dynamic_cast<QListWidget*>(&widget) != nullptr)
        return GetSelString();
    return ShortString(figure->Properties().text);
}

void SetText(ShortString text) {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return;
    QWidget& widget = figure->Widget();
    const QString shown = ToQt(text.View());
    if (auto* line = dynamic_cast<QLineEdit*>(&widget)) {
        line->setText(shown);
    } else if (auto* memo = dynamic_cast<QPlainTextEdit*>(&widget)) {
        memo->setPlainText(QString(shown).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    } else if (auto* combo = dynamic_cast<QComboBox*>(&widget)) {
        if (combo->isEditable())
            combo->setEditText(shown);
        else
            combo->setCurrentIndex(combo->findText(shown, Qt::MatchFixedString));
    } else if (dynamic_cast<QListWidget*>(&widget) != nullptr) {
        const ListTarget target = CurrentList();
        for (int i = 0; i < target.Count(); ++i)
            if (target.Item(i).compare(shown, Qt::CaseInsensitive) == 0) {
                Select(target, i);
                break;
            }
    } else {
        figure->SetText(text.Str());
    }
}

void SetTextEx(ShortString text) {
    screens::Figure* figure = Current();
    if (figure == nullptr || GetText() == text || Typing(figure->Widget()))
        return;
    SetText(text);
}

std::int32_t GetTextLen() {
    return static_cast<std::int32_t>(GetText().Length());
}

void Clear() {
    if (QLineEdit* line = CurrentLine())
        line->clear();
    else if (QPlainTextEdit* memo = CurrentMemo())
        memo->clear();
    else if (QComboBox* combo = CurrentCombo(); combo != nullptr && combo->isEditable())
        combo->clearEditText();
}

bool EditCr() {
    return KeyInCurrentControl(kReturnKey);
}

bool EditEsc() {
    return KeyInCurrentControl(kEscapeKey);
}

void ComboHideList() {
    if (QComboBox* combo = CurrentCombo())
        combo->hidePopup();
}

void ComboShowList() {
    if (QComboBox* combo = CurrentCombo(); combo != nullptr && combo->isVisible())
        combo->showPopup();
}

bool ComboSetEditSel(std::int32_t start, std::int32_t end) {
    QComboBox* combo = CurrentCombo();
    if (combo == nullptr || combo->lineEdit() == nullptr)
        return false;
    QLineEdit* line = combo->lineEdit();
    const int length = static_cast<int>(line->text().size());
    const int from = std::clamp(start, 0, length);
    const int to = end < 0 ? length : std::clamp(end, from, length);
    line->setSelection(from, to - from);
    return true;
}

} // namespace screencmd

using namespace screencmd;

platform::Status AddListBoxCommands(Implementations& implementations) {
    Implementations& in = implementations;
    for (const platform::Status& added : {
             in.Add<&AddString>("ADDSTRING"),
             in.Add<&ClearList>("CLEARLIST"),
             in.Add<&DeleteString>("DELETESTRING"),
             in.Add<&GetCount>("GETCOUNT"),
             in.Add<&GetSelString>("GETSELSTRING"),
             in.Add<&InsertString>("INSERTSTRING"),
             in.Add<&SetSelString>("SETSELSTRING"),
             in.Add<&GetString>("GETSTRING"),
             in.Add<&GetSelIndex>("GETSELINDEX"),
             in.Add<&LDir>("LDIR"),
             in.Add<&LDirEx>("LDIREX"),
             in.Add<&ScrnBmp>("SCRNBMP"),
             in.Add<&StrListExist>("STRLISTEXIST"),
             in.Add<&SetSelIndex>("SETSELINDEX"),
             in.Add<&GetSelCount>("GETSELCOUNT"),
             in.Add<&GetSelected>("GETSELECTED"),
             in.Add<&GetText>("GETTEXT"),
             in.Add<&SetText>("SETTEXT"),
             in.Add<&SetTextEx>("SETTEXTEX"),
             in.Add<&GetTextLen>("GETTEXTLEN"),
             in.Add<&Clear>("CLEAR"),
             in.Add<&EditCr>("EDITCR"),
             in.Add<&EditEsc>("EDITESC"),
             in.Add<&ComboHideList>("COMBOHIDELIST"),
             in.Add<&ComboShowList>("COMBOSHOWLIST"),
             in.Add<&ComboSetEditSel>("COMBOSETEDITSEL"),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime
