// Quorva run-time. Licensed under the MIT licence.
#include "screens/TVComboBox.h"

#include <QLineEdit>

#include "screens/AttributsFig.h"

namespace screens {

TVComboBox::TVComboBox(QWidget* parent) : QComboBox(parent), NativeFigure(static_cast<QWidget&>(*this))
{
    setEditable(true);
    connect(this, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (!m_applyingText)
            StoreTypedText(text);
    });
}

void TVComboBox::Load(const AttributsFig& record)
{
    m_sorted = record.sorted != 0;
    setInsertPolicy(m_sorted ? QComboBox::InsertAlphabetically : QComboBox::InsertAtBottom);
    if (m_sorted)
        model()->sort(0);
    LoadShared(record, true);
}

void TVComboBox::AddItem(const QString& item)
{
    int at = count();
    if (m_sorted) {
        at = 0;
        while (at < count() && QString::compare(itemText(at), item, Qt::CaseInsensitive) <= 0)
            ++at;
    }
    m_applyingText = true;
    const QString shown = currentText();
    insertItem(at, item);
    setEditText(shown);
    m_applyingText = false;
}

void TVComboBox::ApplyText()
{
    m_applyingText = true;
    setEditText(ShownText());
    m_applyingText = false;
}

void TVComboBox::ApplyBorder(NativeBorder border)
{
    setFrame(border != NativeBorder::None);
}

} // namespace screens
