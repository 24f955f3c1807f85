#include "store/macro_names.h"

#include <algorithm>
#include <cstdint>

#include "store/layout.h"
#include "store/message_text.h"

std::string MacroNameRefusal(const std::string& name, std::size_t instructionCount) {
    if (name.empty()) return "Macro Name must not be empty!";
    if (layout::HasBackslash(name)) return "A macro name must not contain a backslash (\\).";
    if (layout::IsWorkKeyName(name)) return FormatText("A macro name must not begin with %s.", {layout::kWorkPrefix});
    const auto last = static_cast<std::int32_t>(instructionCount == 0 ? 0 : instructionCount - 1);
    const std::size_t room = layout::kLongestKeyPath - layout::MacroFullPath(layout::InstructionPath("", last)).size();
    const std::size_t longest = std::min(room, layout::kLongestListedName);
    if (name.size() > longest)
        return FormatText("The macro name is too long: at most %s characters fit.",
                          {std::to_string(layout::CharactersWithin(name, longest))});
    return "";
}
