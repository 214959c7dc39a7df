#include "game/app.h"

int main(int argc, char** argv) { return gv::runGame(argc, argv); }
