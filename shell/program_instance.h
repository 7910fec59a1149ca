// The module instance of the program, from which every later dialog is created.
#pragma once

#include <windows.h>

void set_program_instance(HINSTANCE instance);
HINSTANCE program_instance();
