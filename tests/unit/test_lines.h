// The macro editor's list boxes and keyboard captions, kept in memory for
// the model under test.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "editor/macro_editor.h"

// A list box: the selected line stays selected as lines go in ahead of it.
struct TestLines final : LineList {
    int Count() const override { return static_cast<int>(lines.size()); }
    int Insert(int index, const std::string& text) override {
        if (Count() >= capacity) return -1;
        if (index < 0 || index > Count()) index = Count();
        lines.insert(lines.begin() + index, text);
        data.insert(data.begin() + index, 0);
        if (selected >= index) ++selected;
        return index;
    }
    void Remove(int index) override {
        lines.erase(lines.begin() + index);
        data.erase(data.begin() + index);
        if (selected == index) selected = -1;
        if (selected > index) --selected;
    }
    std::string Text(int index) const override { return lines.at(static_cast<std::size_t>(index)); }
    void SetData(int index, std::int32_t value) override { data.at(static_cast<std::size_t>(index)) = value; }
    std::int32_t Data(int index) const override { return data.at(static_cast<std::size_t>(index)); }
    int Selected() const override { return selected; }
    void ClearSelection() override { selected = -1; }
    void SetRedraw(bool on) override { redrawOffs += on ? 0 : 1; }

    std::vector<std::string> lines;
    std::vector<std::int32_t> data;
    int selected = -1;
    int redrawOffs = 0;
    int capacity = 1 << 30;  // lines it takes before it is out of space
};

struct TestCaptions final : KeyCaptions {
    void SetCaption(int id, const std::string& caption) override { captions[id] = caption; }
    std::map<int, std::string> captions;
};

