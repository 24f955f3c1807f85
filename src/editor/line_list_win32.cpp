// LineList over a list-box control. Project headers come before <windows.h>.
#include "editor/line_list.h"

#include <windows.h>

#include <string>

namespace {

class ListBoxLineList final : public LineList {
public:
    explicit ListBoxLineList(HWND list) : list_(list) {}

    int Count() const override { return static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0)); }

    int Insert(int index, const std::string& text) override {
        // LB_INSERTSTRING with -1 appends and, unlike LB_ADDSTRING, never
        // sorts; LB_ERR and LB_ERRSPACE are negative.
        const LRESULT at =
            SendMessageA(list_, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
        return at < 0 ? -1 : static_cast<int>(at);
    }

    void Remove(int index) override { SendMessageA(list_, LB_DELETESTRING, static_cast<WPARAM>(index), 0); }

    std::string Text(int index) const override {
        const auto length = SendMessageA(list_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length == LB_ERR) return {};
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        const auto copied =
            SendMessageA(list_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
        return text;
    }

    void SetData(int index, std::int32_t data) override {
        SendMessageA(list_, LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
    }

    std::int32_t Data(int index) const override {
        return static_cast<std::int32_t>(SendMessageA(list_, LB_GETITEMDATA, static_cast<WPARAM>(index), 0));
    }

    int Selected() const override {
        const auto selected = SendMessageA(list_, LB_GETCURSEL, 0, 0);
        return selected == LB_ERR ? -1 : static_cast<int>(selected);
    }

    void ClearSelection() override { SendMessageA(list_, LB_SETCURSEL, static_cast<WPARAM>(-1), 0); }

    void SetRedraw(bool redraw) override {
        SendMessageA(list_, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
        if (redraw) InvalidateRect(list_, nullptr, TRUE);
    }

private:
    HWND list_;
};

}  // namespace

std::unique_ptr<LineList> ListBoxLines(win::HWND list) {
    return std::make_unique<ListBoxLineList>(reinterpret_cast<HWND>(list));
}
