#include "cipher/Sha1.h"
#include <cstdio>
int main() { std::printf("SHA1 %s\n", mv::cipher::TMV_sha1::RunSelfTest() ? "passed" : "FAILED"); }
