// The program's entry point.

#include "kit/KoClass.h"

#include <unistd.h>

using namespace quindle;

int main() {
    // Taken before anything else can start a child: the start-up show command is ours alone.
    TKo::GetStartupShowWindow();
    TKo::CheckWindowsVersion();
    if (chdir(TKo::GetAppDir().c_str()) != 0)
        return 1;
    return 0;
}
