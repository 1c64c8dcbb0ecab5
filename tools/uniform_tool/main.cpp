#include <iostream>
#include <string>
#include <vector>

#include "uniform_tool/uniform_scores.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return meldrit::uniform_tool::run(arguments, std::cout, std::cerr);
}
