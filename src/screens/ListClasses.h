// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QPointer>

#include "screens/Component.h"
#include "screens/ImageLists.h"
#include "screens/TreeModel.h"

class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace screens {

class Figure;

// The list view, the check list and the tree view ("Sout"): native controls that replace their
// placeholders on their first Run (same parent, bounds, colours, font and name; the placeholder
// stays hidden, it owns the object) and that the list, check-list and tree commands drive. All
// texts are code-page bytes, shown through the dictionary. GUI thread; owned by the figure.

// A list view in report mode: rows of cells, columns as many as the widest row. Each item of the
// data is one row whose cells are separated by tabs. Rows and columns are numbered from 0. The
// cells live in the object, so that the commands work before and after the control is built;
// the control mirrors them and cells the operator edits are taken back.
class ListView : public Component {
public:
    static constexpr int kMaxRows = 65536;
    static constexpr int kMaxColumns = 256;
    static constexpr std::size_t kMaxCellLength = 4096;

    ListView();
    ~ListView() override;

    void ReadData(const ClassData* data) override;
    // The first Run with a current figure replaces that figure.
    void Run() override;

    // The control once built, else null.
    QTreeWidget* View() const;

    int RowCount() const { return static_cast<int>(m_rows.size()); }
    // At least 1: an empty view still has its first column.
    int ColumnCount() const;
    // The cell's text, empty when there is no such cell.
    std::string Cell(int column, int row) const;
    // Puts `text` into the cell, adding rows and columns up to it; false (nothing changes) for a
    // negative position or one past kMaxRows / kMaxColumns. Longer texts are cut to
    // kMaxCellLength.
    bool SetCell(int column, int row, std::string_view text);
    // Removes all rows (the columns and their widths stay).
    void Clear();

    // Read-only: the operator cannot edit cells (double click or F2 otherwise).
    void SetReadOnly(bool readOnly);
    bool ReadOnly() const { return m_readOnly; }
    // False when the column is out of range or the width negative; widths are capped at 10000.
    bool SetColumnWidth(int column, int width);
    // The width in pixels, -1 for no such column.
    int ColumnWidth(int column) const;
    // Automatic sizing: the columns follow their content.
    void SetAutoSize(bool autoSize);
    bool AutoSize() const { return m_autoSize; }

    // The image shown in front of row `row` (-1 none); false when there is no such row.
    bool SetRowImage(int row, int image);
    int RowImage(int row) const;
    // Sorts the rows by their first cell (ignoring ASCII case; equal rows keep their order).
    void SortRows();
    // Adds picture `name` to the row images (false when none is found or the list is full).
    bool AddImage(std::string_view name);
    const ImageList& Images() const { return m_images; }

    // The data as read.
    const std::vector<std::string>& Items() const { return m_items; }
    // The two settings bytes before the items and the 16 raw bytes after them.
    std::uint8_t FirstSetting() const { return m_firstSetting; }
    std::uint8_t SecondSetting() const { return m_secondSetting; }
    const std::string& Settings() const { return m_settings; }

private:
    struct Row {
        std::vector<std::string> cells;
        int image = -1;
    };

    void Build(Figure& placeholder);
    void Fill();
    void ShowRow(int row);
    void ShowColumns();
    void ApplyEditability();
    void TakeEdit(QTreeWidgetItem* item, int column);

    std::vector<std::string> m_items;
    std::uint8_t m_firstSetting = 0;
    std::uint8_t m_secondSetting = 0;
    std::string m_settings;

    std::vector<Row> m_rows;
    int m_columns = 1;
    std::vector<int> m_widths; // per column, -1 for the control's default
    bool m_readOnly = false;
    bool m_autoSize = false;
    bool m_filling = false; // true while the object writes into the control
    ImageList m_images;
    QPointer<QTreeWidget> m_view;
    bool m_built = false;
};

// A check list: a list box whose items carry a check mark. Its figure is a list box, which it
// keeps (so that the list box commands, ADDSTRING, GETCOUNT and the like, act on the same items)
// and gives check boxes; items added later get theirs too. A placeholder that is not a list box
// is replaced by a new list. Items are numbered from 0.
class CheckListBox : public Component {
public:
    CheckListBox();
    ~CheckListBox() override;

    // The first Run with a current figure takes (or replaces) that figure.
    void Run() override;

    // The list once attached, else null.
    QListWidget* List() const;
    int Count() const;
    // Sets the check mark of item `index`; false (nothing changes) when there is no such item.
    bool SetChecked(int index, bool checked);
    // The check mark; false for no such item.
    bool Checked(int index) const;

    // The items in the check list file format (CheckListFile.h).
    std::string SaveText() const;
    // Replaces the items with those of `text`; false (nothing changes) when it is not a valid
    // check list file.
    bool LoadText(std::string_view text);

private:
    void Attach(Figure& figure);

    QPointer<QListWidget> m_list;
    bool m_ownsList = false;
    bool m_attached = false;
};

// A tree view whose nodes come from text lines in the tree file format (TreeModel.h). The nodes
// live in the object's model, numbered from 1 in flat order; the control mirrors them, and its
// selection, expansion and the operator's clicks stay in the control.
class Sout : public Component {
public:
    Sout();
    ~Sout() override;

    void ReadData(const ClassData* data) override;
    // The first Run with a current figure replaces that figure.
    void Run() override;

    // The control once built, else null.
    QTreeWidget* View() const;
    const TreeModel& Model() const { return m_model; }

    // The tree operations; each keeps the control in step. Results as in TreeModel.
    bool SetText(int index, std::string_view text);
    bool Add(int index, std::string_view text);
    bool AddChild(int index, std::string_view text);
    bool InsertBefore(int index, std::string_view text);
    bool Delete(int index);
    bool SetImage(int index, int image);
    bool SetSelectedImage(int index, int image);
    void Sort();
    void Replace(TreeModel model);
    void Clear();
    // Collapses every node.
    void CollapseAll();
    // The flat index of the selected node, 0 when none (or before the control is built).
    int Selected() const;
    // Selects node `index` (and shows it); false, nothing changes, when there is no such node.
    bool Select(int index);
    // The size of the node images; false for sizes outside 1..256.
    bool SetImageSize(int width, int height);
    // Adds picture `name` to the node images (false when none is found or the list is full).
    bool AddImage(std::string_view name);
    const ImageList& Images() const { return m_images; }

    // The data as read.
    const std::vector<std::string>& Lines() const { return m_lines; }
    std::uint8_t Setting() const { return m_setting; }

private:
    void Build(Figure& placeholder);
    void Fill();
    QTreeWidgetItem* ItemAt(const std::vector<int>& path) const;
    QTreeWidgetItem* MakeItem(const TreeNode& node) const;
    void InsertItem(const std::vector<int>& path);
    void ShowIcon(QTreeWidgetItem* item, const TreeNode& node) const;
    void ShowIcons(QTreeWidgetItem* item, const TreeNode& node) const;
    void ShowAllIcons();

    std::vector<std::string> m_lines;
    std::uint8_t m_setting = 0;
    TreeModel m_model;
    ImageList m_images;
    QPointer<QTreeWidget> m_view;
    bool m_built = false;
};

} // namespace screens
