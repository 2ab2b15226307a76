// The program: the application object, started and run (app/appmain.cpp).
#include "app/staffwrightapp.h"

int main(int argc, char** argv) { return RunStaffwright(argc, argv); }
