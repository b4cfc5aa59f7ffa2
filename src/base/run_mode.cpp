#include "base/run_mode.h"

RunMode g_runMode = RunMode::Install;
