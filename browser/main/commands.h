#pragma once

#include <optional>

namespace tamsel {

// The commands of the "内容" menu, also reached by the toolbar buttons.
enum class Command { Knowledge, Example, Api, Technique, Exam };

// Toolbar button index (1-based position) to its command; any other index runs nothing.
// The button's key is not consulted.
std::optional<Command> commandForToolbarIndex(int index);

} // namespace tamsel
