// A list box as the editor's model sees it: the macro body's lines and the
// command list. The Windows side (line_list_win32.cpp) drives a list-box
// control; unit tests implement it in a few lines. Like a list box, it
// keeps the selected line selected when lines are inserted ahead of it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/win.h"

class LineList {
public:
    virtual ~LineList() = default;

    virtual int Count() const = 0;
    // Inserts a line at `index`, or appends it when `index` is -1: where
    // the line went, -1 when the list did not take it (out of space).
    virtual int Insert(int index, const std::string& text) = 0;
    virtual void Remove(int index) = 0;
    virtual std::string Text(int index) const = 0;
    // A number kept with a line; 0 until one is set.
    virtual void SetData(int index, std::int32_t data) = 0;
    virtual std::int32_t Data(int index) const = 0;
    // The selected line, -1 when none is.
    virtual int Selected() const = 0;
    virtual void ClearSelection() = 0;
    // Off while many lines are added, so that the list is drawn once.
    virtual void SetRedraw(bool redraw) = 0;
};

// The list-box control `list` as a LineList (Windows build).
std::unique_ptr<LineList> ListBoxLines(win::HWND list);
