// Builds the show's music module from the tune composed in content/tune.cpp.
//   xmtune -o music.xm
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/xm_builder.h"

XmBuilder composeTune();

int main(int argc, char** argv)
{
    if (argc != 3 || std::strcmp(argv[1], "-o") != 0) {
        std::fprintf(stderr, "usage: xmtune -o FILE\n");
        return 2;
    }
    std::string error;
    if (!composeTune().writeFile(argv[2], error)) {
        std::fprintf(stderr, "xmtune: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
