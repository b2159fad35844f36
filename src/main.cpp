// jarmenu: a numbered menu in front of the Java archive tools.
#include "console.h"
#include "menu.h"
#include "system.h"

int main() {
  jarmenu::sys::keep_running_on_broken_pipe();
  jarmenu::main_menu();
  jarmenu::flush_output();
  jarmenu::drop_rest_of_typed_line();
  return 0;
}
