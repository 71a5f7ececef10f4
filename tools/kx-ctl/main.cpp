#include <iostream>
#include <string>
#include <vector>

#include "kx_ctl.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return kxctl::RunKxCtl(args, std::cout, std::cerr);
}
