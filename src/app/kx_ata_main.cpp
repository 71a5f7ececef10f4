#include "shell/kx_ata_program.h"

int main(int argc, char** argv) { return kx::RunKxAta(argc, argv); }
