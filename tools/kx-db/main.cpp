#include <iostream>
#include <string>
#include <vector>

#include "kx-db/kx_db_tool.h"

int main(int argc, char** argv) {
    return kx::dbtool::RunKxDb(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
