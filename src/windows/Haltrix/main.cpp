#include "terminator.h"

int main() {
    return haltrix::runTerminator(haltrix::ReadPatternArgument());
}
