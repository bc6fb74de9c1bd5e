// vistrel-acquire-host.exe: the program's whole main is the host library's.
#include "plugin/host/win/host_win.h"

int main(int argc, char** argv) {
    return AcquireHostMain(argc, argv);
}
