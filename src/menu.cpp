// The menu loop: the banner and the menu, the choice, and the action it names (menu.h).
#include "menu.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "archive.h"
#include "console.h"

namespace jarmenu {
namespace {

constexpr std::array<std::string_view, 6> kMenuBlock{
    "Welcome to the ZOLT TIBO Java Jar Tool\n",
    "Please choose a menu option: \n",
    "1: View the contents of a Jar file\n",
    "2: Extract the contents of a Jar file\n",
    "3: Run the Jar file\n",
    "4: Quit\n",
};

}  // namespace

void main_menu() {
  for (;;) {
    // A failed read leaves the choice at 0, which quits like 4 does.
    std::int32_t choice = 0;
    for (const std::string_view text : kMenuBlock) write_text(text);
    read_number(choice);
    switch (choice) {
      case 1: view_archive(); break;
      case 2: extract_archive(); break;
      case 3: run_archive(); break;
      default: return;
    }
  }
}

}  // namespace jarmenu
