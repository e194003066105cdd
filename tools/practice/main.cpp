// ledgerwick-practice: the practice dictionary tool (see tools/practice/PracticeTool.h).
#include <iostream>
#include <string>
#include <vector>

#include "tools/practice/PracticeTool.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return lw::practice::RunPracticeTool(args, std::cout, std::cerr);
}
