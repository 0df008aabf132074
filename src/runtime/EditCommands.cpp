// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ScreenCommandSupport.h"
#include "runtime/ScreenCommands.h"
#include "screens/Figure.h"
#include "screens/FigureKind.h"
#include "screens/ListClasses.h"
#include "screens/ScreenObjectOf.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstdint>

namespace runtime::screencmd {

using support::Current;

namespace {

// The edit control of the current figure: a one-line edit or a memo (never both).
struct EditTarget {
    QLineEdit* line = nullptr;
    QPlainTextEdit* memo = nullptr;
    explicit operator bool() const { return line != nullptr || memo != nullptr; }
};

EditTarget CurrentEdit() {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return {};
    QWidget& widget = figure->Widget();
    return {dynamic_cast<QLineEdit*>(&widget), dynamic_cast<QPlainTextEdit*>(&widget)};
}

// Memo positions as unit code counts them: each line break is two characters (carriage return
// and line feed), where the document counts one.
int UnitPosition(const QTextDocument& document, int documentPosition) {
    return documentPosition + document.findBlock(documentPosition).blockNumber();
}

// The document position of a unit position, clamped into the text; a position inside a line
// break is the end of its line.
int DocumentPosition(const QTextDocument& document, int unitPosition) {
    unitPosition = std::max(unitPosition, 0);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const int lineStart = block.position() + block.blockNumber();
        const int lineLength = block.length() - 1; // without the separator
        if (unitPosition <= lineStart + lineLength + 1 || !block.next().isValid())
            return block.position() + std::min(unitPosition - lineStart, lineLength);
    }
    return 0;
}

// The length of the memo's text as unit code counts it.
int UnitLength(const QTextDocument& document) {
    return document.characterCount() - 1 + document.blockCount() - 1;
}

} // namespace

std::int32_t GetNumLines() {
    const EditTarget edit = CurrentEdit();
    if (edit.memo != nullptr)
        return edit.memo->document()->blockCount();
    return edit.line != nullptr ? 1 : 0;
}

bool GetLine(StringRef text, std::int32_t line) {
    const EditTarget edit = CurrentEdit();
    if (!edit || line < 0 || line >= GetNumLines())
        return false;
    const QString lineText = edit.memo != nullptr
                                 ? edit.memo->document()->findBlockByNumber(line).text()
                                 : edit.line->text();
    return text.Set(support::FromQt(lineText));
}

std::int32_t GetLineLength(std::int32_t line) {
    const EditTarget edit = CurrentEdit();
    if (!edit || line < 0 || line >= GetNumLines())
        return 0;
    if (edit.memo != nullptr)
        return edit.memo->document()->findBlockByNumber(line).length() - 1;
    return static_cast<std::int32_t>(edit.line->text().size());
}

void GetSelection(Ref<std::int32_t> start, Ref<std::int32_t> end) {
    const EditTarget edit = CurrentEdit();
    if (edit.line != nullptr) {
        const bool selected = edit.line->hasSelectedText();
        start.Set(selected ? edit.line->selectionStart() : edit.line->cursorPosition());
        end.Set(selected ? edit.line->selectionEnd() : edit.line->cursorPosition());
    } else if (edit.memo != nullptr) {
        const QTextCursor cursor = edit.memo->textCursor();
        const QTextDocument& document = *edit.memo->document();
        start.Set(UnitPosition(document, cursor.selectionStart()));
        end.Set(UnitPosition(document, cursor.selectionEnd()));
    }
}

std::int32_t GetLineFromPos(std::int32_t position) {
    const EditTarget edit = CurrentEdit();
    if (edit.memo == nullptr)
        return 0;
    const QTextDocument& document = *edit.memo->document();
    return document.findBlock(DocumentPosition(document, position)).blockNumber();
}

bool SetSelection(std::int32_t start, std::int32_t end) {
    const EditTarget edit = CurrentEdit();
    if (edit.line != nullptr) {
        const int length = static_cast<int>(edit.line->text().size());
        const int from = std::clamp(start, 0, length);
        const int to = end < 0 ? length : std::clamp(end, 0, length);
        edit.line->setSelection(from, to - from);
        return true;
    }
    if (edit.memo != nullptr) {
        const QTextDocument& document = *edit.memo->document();
        const int to = end < 0 ? UnitLength(document) : end;
        QTextCursor cursor = edit.memo->textCursor();
        cursor.setPosition(DocumentPosition(document, start));
        cursor.setPosition(DocumentPosition(document, to), QTextCursor::KeepAnchor);
        edit.memo->setTextCursor(cursor);
        return true;
    }
    return false;
}

bool DeleteLine(std::int32_t line) {
    const EditTarget edit = CurrentEdit();
    if (!edit || line < 0 || line >= GetNumLines())
        return false;
    if (edit.line != nullptr) {
        // Edited as typing would, so that the figure keeps the text.
        edit.line->selectAll();
        edit.line->del();
        return true;
    }
    const QTextBlock block = edit.memo->document()->findBlockByNumber(line);
    QTextCursor cursor(block);
    // The line goes with one line break: its own, or for the last line the one before it.
    if (block.next().isValid()) {
        cursor.setPosition(block.next().position(), QTextCursor::KeepAnchor);
    } else {
        if (block.previous().isValid())
            cursor.setPosition(block.position() - 1);
        cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    }
    cursor.removeSelectedText();
    return true;
}

bool DeleteSelection() {
    const EditTarget edit = CurrentEdit();
    if (edit.line != nullptr && edit.line->hasSelectedText()) {
        edit.line->del();
        return true;
    }
    if (edit.memo != nullptr && edit.memo->textCursor().hasSelection()) {
        QTextCursor cursor = edit.memo->textCursor();
        cursor.removeSelectedText();
        edit.memo->setTextCursor(cursor);
        return true;
    }
    return false;
}

void EditInsert(ShortString text) {
    const EditTarget edit = CurrentEdit();
    const QString inserted = support::ToQt(text.View());
    if (edit.line != nullptr)
        edit.line->insert(inserted);
    else if (edit.memo != nullptr)
        edit.memo->insertPlainText(
            QString(inserted).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

bool IsModified() {
    const EditTarget edit = CurrentEdit();
    if (edit.line != nullptr)
        return edit.line->isModified();
    return edit.memo != nullptr && edit.memo->document()->isModified();
}

void ClearModify() {
    const EditTarget edit = CurrentEdit();
    if (edit.line != nullptr)
        edit.line->setModified(false);
    else if (edit.memo != nullptr)
        edit.memo->document()->setModified(false);
}

void SetReadOnly(bool readOnly) {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return;
    if (figure->Properties().kind != static_cast<std::uint8_t>(screens::FigureKind::Edit)) {
        if (auto* list = screens::ScreenObjectOf<screens::ListView>(figure))
            list->SetReadOnly(readOnly);
        return;
    }
    const EditTarget edit = CurrentEdit();
    if (edit.line != nullptr)
        edit.line->setReadOnly(readOnly);
    else if (edit.memo != nullptr)
        edit.memo->setReadOnly(readOnly);
}

bool GetFocus() {
    screens::Figure* figure = Current();
    if (figure == nullptr)
        return false;
    // A control made of parts (a combo box's edit line) has the focus when one of its parts has.
    QWidget& widget = figure->Widget();
    QWidget* focused = QApplication::focusWidget();
    return focused != nullptr && (focused == &widget || widget.isAncestorOf(focused));
}

void HideControl() {
    if (screens::Figure* figure = Current())
        figure->Widget().hide();
}

void ShowControl() {
    if (screens::Figure* figure = Current())
        figure->Widget().show();
}

bool ControlVisible() {
    screens::Figure* figure = Current();
    return figure != nullptr && !figure->Widget().isHidden();
}

} // namespace runtime::screencmd
