#include "shell/program_instance.h"

namespace {
HINSTANCE g_instance = nullptr;
}

void set_program_instance(HINSTANCE instance) { g_instance = instance; }
HINSTANCE program_instance() { return g_instance; }
