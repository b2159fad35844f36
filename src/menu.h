// The menu loop: the banner, the numbered menu and the choice.
#pragma once

namespace jarmenu {

/// Shows the menu and runs the chosen action until a choice names no action or input ends.
void main_menu();

}  // namespace jarmenu
