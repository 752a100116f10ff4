#include "Tarvolin.h"

int main(int argc, char** argv) { return TarvolinMain(argc, argv); }
