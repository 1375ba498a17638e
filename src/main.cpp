#include <cstdio>

int main() {
    std::puts("tessivane: the simulated desktop is not built yet.");
    return 0;
}
