// A list of rows and columns as the program's models see it: the main
// window's two lists and the Record dialog's start windows. The Windows side
// (row_list_win32.cpp) drives a list-view control; unit tests implement it
// in a few lines.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/win.h"

class RowList {
public:
    virtual ~RowList() = default;

    // Widths are in pixels at 96 dots per inch; the list scales them to the
    // window's DPI. The width of the list's client area, for sizing columns.
    virtual int ClientWidth() const = 0;
    // Appends a left-aligned column.
    virtual void AddColumn(const std::string& heading, int width) = 0;

    // Appends a row, or inserts it ahead of row `at`; returns its index, -1
    // when it cannot be added.
    virtual int AppendRow(const std::string& firstColumn) = 0;
    virtual int InsertRow(int at, const std::string& firstColumn) = 0;
    virtual void SetCell(int row, int column, const std::string& text) = 0;
    virtual void RemoveRow(int row) = 0;
    virtual int RowCount() const = 0;
    // The text of a cell; empty for a row or column that is not there.
    virtual std::string Cell(int row, int column) const = 0;
    // The selected row, -1 when none is.
    virtual int SelectedRow() const = 0;
    virtual void SelectRow(int row) = 0;
    // A number kept with a row; 0 until one is set.
    virtual void SetRowData(int row, std::int32_t data) = 0;
    virtual std::int32_t RowData(int row) const = 0;

    // Filling many rows with redrawing off costs one relayout instead of
    // one per row; turning it back on repaints the list.
    virtual void SetRedraw(bool redraw) = 0;
};

// Holds a list's redrawing off while it is filled row by row.
class ListFill {
public:
    explicit ListFill(RowList& list) : list_(list) { list_.SetRedraw(false); }
    ~ListFill() { list_.SetRedraw(true); }
    ListFill(const ListFill&) = delete;
    ListFill& operator=(const ListFill&) = delete;

private:
    RowList& list_;
};

// The list-view control `list` as a RowList (Windows build).
std::unique_ptr<RowList> ListViewRows(win::HWND list);
