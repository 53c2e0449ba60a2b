// nuvex3-tool: the NUVEX3 manual test tool.
#include "app/CKelvra_V1_4_TEST_TOOLApp.h"

int main(int argc, char** argv) {
    return CKelvra_V1_4_TEST_TOOLApp::run(argc, argv);
}
