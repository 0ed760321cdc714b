#include "commands.h"

namespace tamsel {

std::optional<Command> commandForToolbarIndex(int index)
{
    switch (index) {
    case 1: return Command::Knowledge;
    case 2: return Command::Example;
    case 3: return Command::Api;
    case 4: return Command::Technique;
    case 5: return Command::Exam;
    default: return std::nullopt;
    }
}

} // namespace tamsel
