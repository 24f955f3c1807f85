// A RowList that keeps its rows in memory, for the models under test.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "common/row_list.h"

struct TestRows final : RowList {
    explicit TestRows(int clientWidth = 300) : width(clientWidth) {}

    int ClientWidth() const override { return width; }
    void AddColumn(const std::string& heading, int columnWidth) override { columns.push_back({heading, columnWidth}); }
    int AppendRow(const std::string& first) override { return InsertRow(RowCount(), first); }
    int InsertRow(int at, const std::string& first) override {
        at = std::clamp(at, 0, RowCount());
        auto row = rows.emplace(rows.begin() + at, std::max<std::size_t>(columns.size(), 1));
        row->front() = first;
        data.insert(data.begin() + at, 0);
        // A list view keeps its selection on the row it was on.
        if (selected >= at) ++selected;
        return at;
    }
    void SetCell(int row, int column, const std::string& text) override {
        auto& cells = rows.at(static_cast<std::size_t>(row));
        if (cells.size() <= static_cast<std::size_t>(column)) cells.resize(static_cast<std::size_t>(column) + 1);
        cells[static_cast<std::size_t>(column)] = text;
    }
    void RemoveRow(int row) override {
        rows.erase(rows.begin() + row);
        data.erase(data.begin() + row);
        // A list view keeps its selection on the rows that stay.
        if (selected == row) selected = -1;
        if (selected > row) --selected;
    }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    std::string Cell(int row, int column) const override {
        const auto& cells = rows.at(static_cast<std::size_t>(row));
        return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)] : "";
    }
    int SelectedRow() const override { return selected; }
    void SelectRow(int row) override { selected = row; }
    void SetRowData(int row, std::int32_t value) override { data.at(static_cast<std::size_t>(row)) = value; }
    std::int32_t RowData(int row) const override { return data.at(static_cast<std::size_t>(row)); }
    void SetRedraw(bool on) override { redraw = on; }

    struct Column {
        std::string heading;
        int width;
    };
    int width;
    std::vector<Column> columns;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::int32_t> data;
    int selected = -1;
    bool redraw = true;
};
