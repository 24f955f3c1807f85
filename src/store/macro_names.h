// What a macro's name must be to be stored, listed and run again.
#pragma once

#include <cstddef>
#include <string>

// Why `name` cannot be the name of a macro of `instructionCount`
// instructions, as the message to show, or "" when it can: a backslash
// would make it a path to some other key, names that begin with
// layout::kWorkPrefix are the store's own, and the name with the path of
// its last instruction must fit a key path and the lists. Whether another
// macro holds the name is for the caller to ask.
std::string MacroNameRefusal(const std::string& name, std::size_t instructionCount);
