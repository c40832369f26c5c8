// The local demo gateway: fake_gateway --demo --port N
#include "tools/fake_gateway/fake_gateway.h"

#include <cstdio>

int main() { return 0; }
