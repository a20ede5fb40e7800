#include "controls/resource_module.h"

namespace {
HINSTANCE g_module = nullptr;
}

HINSTANCE ResourceModule() { return g_module ? g_module : GetModuleHandleA(nullptr); }

void SetResourceModule(HINSTANCE module) { g_module = module; }
