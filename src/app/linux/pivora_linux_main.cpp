// The Linux program on the computer it runs on.

#include <string>
#include <vector>

#include "app/linux/linux_main.h"
#include "app/linux/program_start.h"

int main(int argc, char** argv) {
    return pivora::linuxMain(std::vector<std::string>(argv + 1, argv + argc), pivora::linuxRoots());
}
