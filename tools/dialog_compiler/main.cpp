// dialog_compiler <output.cpp> <source.dlg>...: compiles dialog sources into the program's
// dialog resources. Exits 1 with a message naming file and line on the first fault.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "tools/dialog_compiler/dialog_compiler.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: dialog_compiler <output.cpp> <source.dlg>...\n");
    return 1;
  }
  std::vector<DialogSource> dialogs;
  for (int i = 2; i < argc; ++i) {
    std::ifstream input(argv[i], std::ios::binary);
    if (!input) {
      std::fprintf(stderr, "dialog_compiler: cannot read %s\n", argv[i]);
      return 1;
    }
    std::stringstream text;
    text << input.rdbuf();
    std::string error;
    if (!ParseDialogSource(text.str(), argv[i], &dialogs, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
  }
  if (dialogs.empty()) {
    std::fprintf(stderr, "dialog_compiler: no dialog in the sources\n");
    return 1;
  }
  std::ofstream output(argv[1], std::ios::binary);
  output << EmitDialogResources(dialogs);
  if (!output) {
    std::fprintf(stderr, "dialog_compiler: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
