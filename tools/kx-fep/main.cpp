#include <iostream>
#include <string>
#include <vector>

#include "kx-fep/kx_fep.h"

int main(int argc, char** argv) {
    return kx::feptool::RunKxFep(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
