#include "game/app.h"
#include "platform/program.h"

int main(int argc, char** argv) {
    gv::PrintToCallersConsole();
    return gv::runGame(argc, argv);
}
