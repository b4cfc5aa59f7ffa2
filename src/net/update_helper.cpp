#include "net/update_helper.h"

CUpdateHelperEx g_updateHelper;
